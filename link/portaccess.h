#pragma once

#include <QString>

// Why a serial port cannot be used, told without any window: the connection window's
// process log and the command-line tool both explain a refused open with these.
namespace LinkText {
// Process-log advice for a port the user may not open.
QString permissionAdvice(const QString &port, const QString &group);
// Group owning a device file ("" when it cannot be found) and whether this user lacks
// read/write access to it.
QString owningGroup(const QString &path);
bool lacksAccess(const QString &port);
} // namespace LinkText
