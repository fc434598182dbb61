#pragma once
// Diagnostic lines of the main window:
//   [Debug][ <source file> ]$ 0 $ [ <line> ][ <function> ]: <message items>
// Text items after the prefix are quoted by the debug stream, as usual for QString.
#include <QDebug>

namespace Diag {

// The call site's file as a path within the source tree ("app/mainwindow.cpp"), never where
// the tree lay on the machine that built the program. The build maps the tree's folder away
// where the compiler can (-fmacro-prefix-map), names it otherwise; a build run from a
// folder beside the tree sees "../app/...", which loses its "../" here.
constexpr const char *sourcePath(const char *file)
{
#ifdef GRIVANT_SOURCE_PREFIX
    const char *prefix = GRIVANT_SOURCE_PREFIX;
    const char *rest = file;
    while (*prefix && *rest == *prefix) {
        ++prefix;
        ++rest;
    }
    if (!*prefix)
        file = rest;
#endif
    for (;;) {
        if (file[0] == '.' && file[1] == '.' && file[2] == '/')
            file += 3;
        else if (file[0] == '.' && file[1] == '/')
            file += 2;
        else
            return file;
    }
}

} // namespace Diag

#define GV_DEBUG(function) \
    qDebug() << "[Debug][" << Diag::sourcePath(__FILE__) << "]$" << 0 << "$" << "[" << __LINE__ << "][" << function << "]:"
#define GV_WARNING(function) \
    qWarning() << "[Warning][" << Diag::sourcePath(__FILE__) << "]$" << 0 << "$" << "[" << __LINE__ << "][" << function << "]:"
