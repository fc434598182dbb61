#pragma once

#include "link/portlist.h"

#include <QStringList>

// Values of the repeatable command-line option "--port PATH[=DESCRIPTION]": the path runs
// up to the first '=' (a network port's options after '?' stay with it); without a
// description the port is called "Serial port" (or "Network port"). Values
// with an empty path are dropped.
QList<PortEntry> parsePortOptions(const QStringList &values);
