// A mosquitto broker of a test's own: on 127.0.0.1 at a free port, with a configuration,
// a password file and an access list written into the test's folder; stopped at the end.
#pragma once

#include "childprocess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class Broker
{
public:
    struct User
    {
        QString name;
        QString password;
        QStringList access; // access-list lines, such as "topic write grivant/line1/#"
    };

    ~Broker() { stop(); }

    // No users: anyone may connect and publish anywhere. `extra`: more lines of the
    // broker's configuration.
    bool start(const QString &folder, const QVector<User> &users = {}, const QStringList &extra = {})
    {
        m_folder = folder;
        m_port = freePort();
        if (m_port == 0)
            return false;

        QStringList conf{QStringLiteral("listener %1 127.0.0.1").arg(m_port), QStringLiteral("persistence false"),
                         QStringLiteral("log_dest stderr"), QStringLiteral("log_type error"),
                         QStringLiteral("log_type warning")};
        conf << extra;
        // Run as root, the broker would drop to a user of its own that cannot read our files.
        if (::geteuid() == 0)
            conf << QStringLiteral("user root");
        if (users.isEmpty()) {
            conf << QStringLiteral("allow_anonymous true");
        } else {
            conf << QStringLiteral("allow_anonymous false") << QStringLiteral("password_file %1").arg(path("passwd"))
                 << QStringLiteral("acl_file %1").arg(path("acl"));
            QFile::remove(path("passwd"));
            QStringList acl;
            for (const User &u : users) {
                QStringList args{QStringLiteral("-b"), path("passwd"), u.name, u.password};
                if (!QFile::exists(path("passwd")))
                    args.prepend(QStringLiteral("-c"));
                if (QProcess::execute(QStringLiteral("mosquitto_passwd"), args) != 0)
                    return false;
                acl << QStringLiteral("user %1").arg(u.name) << u.access << QString();
            }
            if (!write("acl", acl))
                return false;
        }
        return write("mosquitto.conf", conf) && run();
    }

    // The same broker again, at the same port (its retained messages are gone).
    bool restart() { return run(); }

    void stop()
    {
        endChildProcess(m_process);
    }

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

private:
    QString path(const char *name) const { return QDir(m_folder).filePath(QLatin1String(name)); }

    bool write(const char *name, const QStringList &lines) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
               && file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) > 0;
    }

    bool run()
    {
        stop();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
        if (program.isEmpty())
            program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
        m_process.start(program, {QStringLiteral("-c"), path("mosquitto.conf")});
        if (!m_process.waitForStarted(5000))
            return false;
        // Ready once it takes connections.
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            if (accepts(m_port))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    static sockaddr_in loopback(int port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(quint16(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    }

    // A port nothing listens on now: the system's pick for a socket bound to port 0.
    static int freePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(0);
        socklen_t size = sizeof a;
        const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
                        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok ? ntohs(a.sin_port) : 0;
    }

    static bool accepts(int port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = loopback(port);
        const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    QString m_folder;
    int m_port = 0;
    QProcess m_process;
};
