#pragma once

#include <QList>
#include <QString>
#include <functional>

// Serial ports as the connection window lists them: what the system enumerates, plus the
// ports named on the command line (pseudo-terminals and /dev/serial/by-id links are not
// enumerated on Linux).
struct PortEntry
{
    QString name;        // as passed to QSerialPort::setPortName
    QString description;
};

namespace PortList {
// Ports given on the command line (--port PATH[=DESCRIPTION]); listed while they exist.
void setExtraPorts(const QList<PortEntry> &ports);
QList<PortEntry> extraPorts();
// The current list. Tests may replace the source of the list.
QList<PortEntry> available();
void setProvider(std::function<QList<PortEntry>()> provider);
}
