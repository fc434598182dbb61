// Runs the device simulator (tools/devsim) for a test: a Modbus-RTU slave on a
// pseudo-terminal. The binary is named by the environment variable DEVSIM, which the
// CTest entries set. The simulator prints the path of its slave side (or of the
// --link symlink) as its first output line; port() returns it.
#pragma once

#include "childprocess.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class Simulator
{
public:
    explicit Simulator(const QStringList &args = {}) : m_args(args)
    {
        // -v logs and start-up complaints go straight to the test's own output.
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    ~Simulator() { stop(); }

    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Starts the simulator and waits for its first output line. False when the binary is
    // unknown, does not start, exits early or prints nothing within the time-out.
    bool start(int timeoutMs = 5000)
    {
        stop();
        m_port.clear();
        const QString program = qEnvironmentVariable("DEVSIM");
        if (program.isEmpty()) {
            qWarning("Simulator: the DEVSIM environment variable is not set");
            return false;
        }
        m_process.start(program, m_args, QIODevice::ReadOnly);
        if (!m_process.waitForStarted(timeoutMs)) {
            qWarning("Simulator: %s does not start", qPrintable(program));
            return false;
        }
        QDeadlineTimer deadline(timeoutMs);
        while (!m_process.canReadLine()) {
            if (m_process.state() != QProcess::Running || deadline.hasExpired()
                || !m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
                if (m_process.canReadLine())
                    break;
                qWarning("Simulator: no port line from %s", qPrintable(program));
                stop();
                return false;
            }
        }
        m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_port.isEmpty();
    }

    // Slave pseudo-terminal path, or the --link path when one was given.
    QString port() const { return m_port; }

    // Asks the simulator to end (SIGTERM) and waits for it; kills it if it hangs.
    void stop()
    {
        endChildProcess(m_process);
    }

    QProcess *process() { return &m_process; }

private:
    QStringList m_args;
    QProcess m_process;
    QString m_port;
};
