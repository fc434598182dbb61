#include "link/adaptersession.h"

#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {

using SerialAdapter::Text;

// The driver's low-latency flag through the port's descriptor, the timer through sysfs.
class PortLatency : public SerialAdapter::LatencyControl
{
public:
    PortLatency(qintptr handle, const QString &timerPath) : m_handle(handle), m_timerPath(timerPath) {}

    bool lowLatency(bool *on, QString *why) override
    {
#ifdef Q_OS_LINUX
        serial_struct serial {};
        if (::ioctl(int(m_handle), TIOCGSERIAL, &serial) != 0) {
            *why = systemError();
            return false;
        }
        *on = serial.flags & ASYNC_LOW_LATENCY;
        return true;
#else
        Q_UNUSED(on);
        *why = Text::tr("not on this system");
        return false;
#endif
    }

    bool setLowLatency(bool on, QString *why) override
    {
#ifdef Q_OS_LINUX
        serial_struct serial {};
        if (::ioctl(int(m_handle), TIOCGSERIAL, &serial) != 0) {
            *why = systemError();
            return false;
        }
        if (on)
            serial.flags |= ASYNC_LOW_LATENCY;
        else
            serial.flags &= ~ASYNC_LOW_LATENCY;
        if (::ioctl(int(m_handle), TIOCSSERIAL, &serial) != 0) {
            *why = systemError();
            return false;
        }
        return true;
#else
        Q_UNUSED(on);
        *why = Text::tr("not on this system");
        return false;
#endif
    }

    int readTimer(QString *why) override
    {
        QFile file(m_timerPath);
        if (!file.open(QIODevice::ReadOnly)) {
            *why = file.errorString();
            return -1;
        }
        return SerialAdapter::parseTimer(file.read(64), why);
    }

    bool writeTimer(int ms, QString *why) override
    {
        QFile file(m_timerPath);
        if (!file.open(QIODevice::WriteOnly)) {
            *why = Text::tr("%1 may not be written (%2)").arg(m_timerPath, file.errorString());
            return false;
        }
        const QByteArray text = QByteArray::number(ms) + '\n';
        if (file.write(text) != text.size() || !file.flush()) {
            *why = Text::tr("%1 refused %2 (%3)").arg(m_timerPath, QString::number(ms), file.errorString());
            return false;
        }
        return true;
    }

private:
#ifdef Q_OS_LINUX
    static QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }
#endif
    qintptr m_handle;
    QString m_timerPath;
};

} // namespace

void AdapterSession::opened(const QString &port, qintptr handle)
{
    closing();
    m_restoreProblems.clear();
    m_identity = SerialAdapter::identify(port);
    PortLatency control(handle, m_identity.timerPath);
    m_latency = SerialAdapter::lowerLatency(m_identity, control);
    m_handle = handle;
}

void AdapterSession::closing()
{
    if (m_handle < 0)
        return;
    PortLatency control(m_handle, m_identity.timerPath);
    m_restoreProblems = SerialAdapter::restoreLatency(m_latency, m_identity, control);
    m_handle = -1;
    // Put back: what stays to be told is the state the port was found in.
    m_latency.flagSet = false;
    m_latency.timerToRestore = -1;
}

QString AdapterSession::summary() const
{
    return SerialAdapter::describe(m_identity) + QStringLiteral("; ")
           + SerialAdapter::latencyText(m_identity, m_latency);
}
