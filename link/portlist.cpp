#include "link/portlist.h"

#include "link/portaddress.h"
#include "link/portidentity.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>

namespace {
QList<PortEntry> g_extra;
std::function<QList<PortEntry>()> g_provider;

// The name QSerialPort::setPortName takes for this port. Windows names (COM3) are names;
// on other systems a short name only works when it stands for "/dev/<name>", otherwise
// the full path does.
QString usableName(const QSerialPortInfo &info)
{
#ifdef Q_OS_WIN
    return info.portName();
#else
    const QString location = info.systemLocation();
    if (location.isEmpty() || location == QLatin1String("/dev/") + info.portName())
        return info.portName();
    return location;
#endif
}

bool existsOnDisk(const QString &name)
{
    if (PortAddresses::looksLikeNetwork(name))
        return true; // nothing on this computer tells whether it is there
#ifdef Q_OS_WIN
    Q_UNUSED(name);
    return true;
#else
    // A dangling link (a simulator that has ended) does not count.
    return QFileInfo::exists(PortIdentity::devicePath(name));
#endif
}
} // namespace

void PortList::setExtraPorts(const QList<PortEntry> &ports)
{
    g_extra = ports;
}

QList<PortEntry> PortList::extraPorts()
{
    return g_extra;
}

QList<PortEntry> PortList::available()
{
    if (g_provider)
        return g_provider();

    QList<PortEntry> ports;
    QSet<QString> names;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        const QString name = usableName(info);
        if (names.contains(name))
            continue;
        names.insert(name);
        ports.append({name, info.description()});
    }
    for (const PortEntry &extra : qAsConst(g_extra)) {
        if (names.contains(extra.name) || !existsOnDisk(extra.name))
            continue;
        names.insert(extra.name);
        ports.append(extra);
    }
    return ports;
}

void PortList::setProvider(std::function<QList<PortEntry>()> provider)
{
    g_provider = std::move(provider);
}
