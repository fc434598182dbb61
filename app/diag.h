#pragma once
// Diagnostic lines of the main window:
//   [Debug][ <source file> ]$ 0 $ [ <line> ][ <function> ]: <message items>
// Text items after the prefix are quoted by the debug stream, as usual for QString.
#include <QDebug>

#define GV_DEBUG(function) \
    qDebug() << "[Debug][" << __FILE__ << "]$" << 0 << "$" << "[" << __LINE__ << "][" << function << "]:"
#define GV_WARNING(function) \
    qWarning() << "[Warning][" << __FILE__ << "]$" << 0 << "$" << "[" << __LINE__ << "][" << function << "]:"
