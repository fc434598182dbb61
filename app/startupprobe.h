// For the start-up benchmark: with the environment variable GRIVANT_STARTUP_PROBE set, a
// program prints "shown" and its resident memory in kB once the given window has been
// painted for the first time, and ends. The tool and the minimal program it is compared
// with use the same probe.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>

class StartupProbe : public QObject
{
public:
    static void install(QWidget *window)
    {
        if (window && qEnvironmentVariableIsSet("GRIVANT_STARTUP_PROBE"))
            window->installEventFilter(new StartupProbe(window));
    }

    // Resident memory of this process in kB, -1 where it cannot be read.
    static long residentKb()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
        return -1;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Report once this paint has finished.
            QTimer::singleShot(0, this, [] {
                std::printf("shown %ld\n", residentKb());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    explicit StartupProbe(QObject *parent) : QObject(parent) {}
};
