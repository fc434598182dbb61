// A helper program a test started (the simulator, a broker) is asked to end with SIGTERM,
// and killed if it hangs.
#pragma once

#include <QProcess>

inline void endChildProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(2000);
    }
}
