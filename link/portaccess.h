#pragma once

#include <QString>
#include <QStringList>

// Why a serial port cannot be used, told without any window: the connection window's
// process log and the command-line tool both explain a refused open with these.
namespace LinkText {
// Who may use a device file, and who is asking.
struct PortAccess
{
    QString port;           // as the operator named it
    bool known = false;     // false: the file could not be examined (nothing below is set)
    QString owner;          // user and group owning the file
    QString group;
    unsigned mode = 0;      // permission bits, e.g. 0660
    bool isOwner = false;   // this user owns the file
    QStringList groupsNow;  // groups whose rights this program has
    QStringList groupsLater; // groups of the account, in force from the next login on
};
// The facts of a port on this system.
PortAccess portAccess(const QString &port);
// Process-log advice for a port the user may not open, true for the port at hand: join the
// group that may read and write it, or log in again when the account already joined it;
// where no group may, the udev rule `udevRule` (shipped with the tool), which gives serial
// ports to the group dialout. Ends with a line break.
QString accessAdvice(const PortAccess &access, const QString &udevRule);
// The same for a port of this system and the installed udev rule; `group` (the group owning
// the port, as far as the caller knows it) stands in when the port cannot be examined.
QString permissionAdvice(const QString &port, const QString &group);
// Group owning a device file ("" when it cannot be found) and whether this user lacks
// read/write access to it.
QString owningGroup(const QString &path);
bool lacksAccess(const QString &port);
// The links in `byIdDir` (/dev/serial/by-id on Linux) that lead to `port`. Their names are
// made of the adapter's maker, model and serial number, so they stay the same when the
// adapter is replugged or moved to another socket, while ttyUSB0 may come back as ttyUSB1.
QStringList stableNames(const QString &port, const QString &byIdDir);
// Process-log lines on a newly listed port ("" when there is nothing to tell): its stable
// names, and for a USB modem-class port (ttyACM) while ModemManager is installed, that
// ModemManager may probe it and that the udev rule `udevRule` keeps it away.
QString portNotes(const QString &port, const QStringList &stableNames, bool modemManager,
                  const QString &udevRule);
bool modemManagerInstalled();
} // namespace LinkText
