#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// One serial line may go by several names: /dev/ttyUSB0, its /dev/serial/by-id link, a
// symbolic link of one's own; a device server by several ways of writing its address. Two workers on two names of one line would garble each
// other's frames, so names are compared by what they lead to. No widgets, no open ports.
namespace PortIdentity {

// What a name leads to: the device number of a character device (however many nodes or
// links name it), else the path with every link resolved, else (nothing there) the
// absolute path as given.
QString key(const QString &name);

struct Duplicate
{
    QString name;      // left out
    QString sameAs;    // the earlier name that leads to the same line
};

// The names in their order, each line once: a name that leads where an earlier one does is
// left out and listed in *duplicates.
QStringList distinct(const QStringList &names, QVector<Duplicate> *duplicates = nullptr);

// The file a port name stands for: a bare name such as ttyUSB0 is /dev/ttyUSB0, a name with
// a slash is a path, taken as it stands (relative to the working directory). On Windows,
// the name itself.
QString devicePath(const QString &name);
// The name to hand QSerialPort, which puts /dev/ before every name that does not start
// with "/", "./" or "../" (so that sim/ttyT5 would open /dev/sim/ttyT5).
QString serialPortName(const QString &name);

// Whether the port is a pseudo-terminal (the simulator, socat, a network serial port). It
// keeps no parity-enable flag: even parity reaches its far end as none, whatever is asked,
// and the system refuses a request of even parity as an invalid argument when nothing else
// changes with it.
bool isPseudoTerminal(const QString &name);

} // namespace PortIdentity
