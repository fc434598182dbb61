#include "link/processlog.h"

#include "link/connectionfunc.h"

#include <QRegularExpression>
#include <QSerialPort>

namespace {

QString ports(const QStringList &names)
{
    return names.join(QStringLiteral(", "));
}

} // namespace

QString ProcessLog::portListed(const QString &port, const QString &description)
{
    if (port.contains(QLatin1String("://")))
        return tr("Network port:\t %1 - %2 \n").arg(port, description);
    return tr("Scaned COM port:\t %1 - %2 \n").arg(port, description);
}

QString ProcessLog::portUnplugged(const QString &port, const QString &description)
{
    return tr("unpluged COM port:\t %1 - %2 \n").arg(port, description);
}

QString ProcessLog::scannerLine(const QString &status, const std::function<QString(const QString &)> &advice)
{
    static const QRegularExpression scanning(QStringLiteral("^Scanning COM Port:\\t (.*)$"));
    static const QRegularExpression verified(QStringLiteral("^Scaned a device in (.*), Varified$"));
    static const QRegularExpression response(QStringLiteral("^response: ([0-9a-f]*)$"));
    static const QRegularExpression scanError(QStringLiteral("^Scan error:\\t (.*),\\((\\d+) :(.*)\\)$"));
    static const QRegularExpression adapter(QStringLiteral("^Adapter:\\t (.*)\\t (.*)$"));
    static const QRegularExpression echo(QStringLiteral("^Echo:\\t (.*)$"));

    QRegularExpressionMatch m;
    if ((m = scanning.match(status)).hasMatch())
        return tr("Scanning COM Port:\t %1").arg(m.captured(1)) + QLatin1Char('\n');
    if ((m = verified.match(status)).hasMatch())
        return tr("Scaned a device in %1, Varified").arg(m.captured(1)) + QLatin1Char('\n');
    if ((m = response.match(status)).hasMatch())
        return tr("response: %1").arg(m.captured(1)) + QLatin1Char('\n');
    if ((m = adapter.match(status)).hasMatch())
        return tr("\t adapter of %1: %2").arg(m.captured(1), m.captured(2)) + QLatin1Char('\n');
    if ((m = echo.match(status)).hasMatch())
        return tr("\t %1: %2").arg(m.captured(1), echoAdvice()) + QLatin1Char('\n');
    if (status == QLatin1String(Connectionfunc::RejectedAnswerText))
        return tr("response rejected: bad CRC or length (wrong line settings?)") + QLatin1Char('\n');
    if (!(m = scanError.match(status)).hasMatch())
        return status + QLatin1Char('\n');

    const QString port = m.captured(1);
    switch (m.captured(2).toInt()) {
    case QSerialPort::DeviceNotFoundError:
        return tr("Scan error:\t %1: no such port (unplugged?)\n").arg(port);
    case QSerialPort::PermissionError: {
        // Qt reports a port that another program holds (its lock or exclusive open) as a
        // permission error too; only a missing access right is one.
        const QString what = advice ? advice(port) : QString();
        if (what.isEmpty())
            return tr("Scan error:\t %1: busy, another program is using it\n").arg(port);
        return tr("Scan error:\t %1: no permission to open it\n").arg(port) + what;
    }
    case QSerialPort::OpenError:
        return tr("Scan error:\t %1: already open\n").arg(port);
    default:
        return tr("Scan error:\t %1: cannot open it (%2)\n").arg(port, m.captured(3));
    }
}

QString ProcessLog::echoAdvice()
{
    return tr("this adapter echoes what it sends: switch its echo off, or let Grivant skip it (grivantctl and the "
              "gateway skip it; the window's link cannot)");
}

QString ProcessLog::echoedPort(const QString &status)
{
    static const QRegularExpression echo(QStringLiteral("^Echo:\\t (.*)$"));
    const QRegularExpressionMatch m = echo.match(status);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString ProcessLog::parityName(int parity)
{
    switch (parity) {
    case QSerialPort::NoParity:
        return tr("none");
    case QSerialPort::EvenParity:
        return tr("even");
    case QSerialPort::OddParity:
        return tr("odd");
    default:
        return QString::number(parity);
    }
}

QString ProcessLog::searchProgress(const QString &text)
{
    static const QRegularExpression progress(QStringLiteral("^id: (\\d+) , BaudRate: (\\d+), parity: (none|even|odd)$"));
    const QRegularExpressionMatch m = progress.match(text);
    if (!m.hasMatch())
        return text;
    const QString parity = m.captured(3);
    const int number = parity == QLatin1String("even") ? QSerialPort::EvenParity
                       : parity == QLatin1String("odd") ? QSerialPort::OddParity
                                                         : QSerialPort::NoParity;
    return tr("id: %1 , BaudRate: %2, parity: %3").arg(m.captured(1), m.captured(2), parityName(number));
}

QString ProcessLog::searchEnded(const SearchEnd &end)
{
    if (end.ports.isEmpty())
        return tr("No serial port to search: plug in the adapter, or start the tool with --port for a "
                  "port the system does not list.\n");
    if (end.autoConnect)
        return tr("Auto-Connect found no device on %1. Check the wiring, the power of the device and its "
                  "line settings (baud rate 4800 to 230400); Search with an ID range finds a device that "
                  "does not answer Auto-Connect.\n")
            .arg(ports(end.ports));
    if (end.found > 0)
        return (end.stopped ? tr("Search stopped: %1 device(s) found on %2; double-click one in the list to "
                                 "connect.\n")
                            : tr("Search finished: %1 device(s) found on %2; double-click one in the list to "
                                 "connect.\n"))
            .arg(QString::number(end.found), ports(end.ports));
    if (end.stopped)
        return tr("Search stopped: no device found so far on %1.\n").arg(ports(end.ports));
    return tr("Search finished: no device answered on %1 with an ID from %2 to %3. Check the wiring, the "
              "power of the device, the ID range and its line settings (baud rate 4800 to 230400, "
              "parity).\n")
        .arg(ports(end.ports), QString::number(end.idStart), QString::number(end.idEnd));
}

QString ProcessLog::autoConnectFound(int slaveId, const QString &port, int baudRate, int parity)
{
    return tr("Auto-Connect found a device: ID %1 on %2, %3 baud, parity %4.\n")
        .arg(QString::number(slaveId), port, QString::number(baudRate), parityName(parity));
}
