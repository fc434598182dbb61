#pragma once

#include <QString>

// Where the program finds the files shipped with it once installed, and where it keeps its
// own files when started from the desktop menu.
namespace InstallPaths {
// <prefix>/share/grivant, found from the executable's folder (<prefix>/bin), so that a
// package under /usr and a build installed under any other prefix both find their files.
QString dataDir();
// The installed copy of a compiled translation ("zh_CN.qm"): the fallback for the copies
// the windows look for first in the working and the executable's directory.
QString translation(const QString &fileName);
// The udev rule that keeps ModemManager away from USB serial adapters: the installed copy
// when there is one, otherwise where a package puts it.
QString udevRule();
// The udev rule that sets FTDI adapters' latency timer to 1 ms, found the same way.
QString latencyRule();
// The per-user folder of a start from the desktop menu: $XDG_DATA_HOME/grivant, usually
// ~/.local/share/grivant.
QString userWorkDir();
// Makes `dir` (and its parents) and makes it the working directory; false with the reason.
bool enterWorkDir(const QString &dir, QString *error);
} // namespace InstallPaths
