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

// How long a sweep of one port takes at most, when nothing answers: every rate, parity
// and ID given (all when a list is empty) at the scanner's wait for each rate. Ports are
// swept in parallel, so this is the time of the whole scan.
qint64 scanDurationMs(const QVector<int> &ids, const QVector<qint32> &bauds, const QVector<int> &parities);

// Sweeps every port with the connection window's scanner, one scanner thread per port, for
// every ID of the list (the scanner sweeps the range from the lowest to the highest), every
// baud rate and parity given (all when a list is empty). A device that answers at two
// settings that its line cannot tell apart is listed once, at the first. A signal (see
// cli/interrupt.h) stops every sweep after its probe on the wire; what was found is kept.
ScanOutcome scanPorts(const QStringList &ports, const QVector<int> &ids, const QVector<qint32> &bauds,
                      const QVector<int> &parities, Output::Progress *progress);
