#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace Output { class Progress; }

struct FoundDevice
{
    QString port;
    int baudRate = 0;
    int parity = 0;   // Qt number
    int stopBits = 1;
    int id = 0;
    QByteArray block; // identification registers 0x0A00..0x0A05
};

struct ScanOutcome
{
    QVector<FoundDevice> devices; // port order, then as found
    QStringList portErrors;       // ports that could not be opened, and why
};

// Sweeps every port with the connection window's scanner, one scanner thread per port, for
// every ID of the list (the scanner sweeps the range from the lowest to the highest), every
// baud rate and parity given (all when a list is empty). A device that answers at two
// settings that its line cannot tell apart is listed once, at the first.
ScanOutcome scanPorts(const QStringList &ports, const QVector<int> &ids, const QVector<qint32> &bauds,
                      const QVector<int> &parities, Output::Progress *progress);
