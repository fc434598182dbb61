#pragma once

class QCoreApplication;

// SIGTERM, SIGINT and SIGHUP (a logout, a closed terminal, a service manager) end the
// program through its event loop, as closing its window does: its port is closed and left
// as it was found, a recording is finished. A second signal ends it at once.
namespace QuitOnSignal {
void install(QCoreApplication *app);
// A signal came. One taken in a loop that runs before the program's own (a session read at
// start) ends that loop only: the start-up asks here before it goes on.
bool received();
}
