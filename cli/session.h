#pragma once

#include <QStringList>

// grivantctl record and grivantctl session: a device recorded without a window, and what
// a session file holds, for people and for spreadsheets.
bool isSessionCommand(const QStringList &arguments);
// Runs "record ..." or "session ...": the exit status.
int runSessionCommand(const QStringList &arguments);
const char *sessionUsageText();
