#pragma once

#include <QString>
#include <QStringList>

// Why a serial port cannot be used, told without any window: the connection window's
// process log and the command-line tool both explain a refused open with these.
namespace LinkText {
// Process-log advice for a port the user may not open.
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
