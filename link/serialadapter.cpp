#include "link/serialadapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace SerialAdapter {

namespace {

// sysfs attributes are one short line; anything longer is no attribute of an adapter.
constexpr int MaxAttributeBytes = 256;
// Names an adapter gives itself are shown, never trusted: cut to this many characters.
constexpr int MaxNameChars = 48;
// Folders climbed from the port towards the USB device that carries it.
constexpr int MaxClimb = 16;
// The longest latency an FTDI adapter holds (its timer is one byte of milliseconds).
constexpr int MaxTimerMs = 255;
const char *const FtdiDriver = "ftdi_sio";

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

// One attribute; false when it is missing, and with *problem when it cannot be read.
bool readAttribute(const QString &path, QByteArray *content, QString *problem = nullptr)
{
    QFile file(path);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem)
            *problem = Text::tr("%1 cannot be read (%2)").arg(path, file.errorString());
        return false;
    }
    *content = file.read(MaxAttributeBytes).trimmed();
    return true;
}

// What an adapter says of itself, fit to be shown: printable characters only (no control
// or direction characters), on one line, cut short.
QString shown(const QByteArray &raw)
{
    QString text;
    for (const QChar c : QString::fromUtf8(raw).simplified())
        if (c.isPrint())
            text += c;
    if (text.size() > MaxNameChars)
        text = text.left(MaxNameChars - 1) + QChar(0x2026);
    return text;
}

QString usbId(const QString &folder, const char *attribute)
{
    QByteArray raw;
    if (!readAttribute(folder + QLatin1Char('/') + QLatin1String(attribute), &raw))
        return QString();
    static const QRegularExpression hex4(QStringLiteral("^[0-9A-Fa-f]{4}$"));
    const QString id = QString::fromLatin1(raw);
    return hex4.match(id).hasMatch() ? id.toLower() : QString();
}

QString attributeText(const QString &folder, const char *attribute)
{
    QByteArray raw;
    return readAttribute(folder + QLatin1Char('/') + QLatin1String(attribute), &raw) ? shown(raw) : QString();
}

// The name of the driver a "driver" link leads to; the link's target need not exist.
QString driverName(const QString &folder)
{
    const QFileInfo link(folder + QLatin1String("/driver"));
    if (!link.isSymLink())
        return QString();
    return shown(QFileInfo(link.symLinkTarget()).fileName().toUtf8());
}

bool isSerialCore(const QString &folder)
{
    const QFileInfo link(folder + QLatin1String("/driver"));
    return link.isSymLink() && link.symLinkTarget().contains(QLatin1String("/bus/serial-base/"));
}

QString devicePath(const QString &port)
{
    if (port.startsWith(QLatin1Char('/')) || port.startsWith(QLatin1Char('.')))
        return port;
    return QLatin1String("/dev/") + port;
}

// The makers of the adapters most often met, for those that do not name themselves.
QString makerOf(const QString &vendorId)
{
    static const QList<QPair<QString, QString>> makers{
        {QStringLiteral("0403"), QStringLiteral("FTDI")},
        {QStringLiteral("1a86"), QStringLiteral("WCH")},
        {QStringLiteral("10c4"), QStringLiteral("Silicon Labs")},
        {QStringLiteral("067b"), QStringLiteral("Prolific")},
    };
    for (const auto &m : makers)
        if (m.first == vendorId)
            return m.second;
    return QString();
}

QString chipOf(const QString &driver)
{
    if (driver == QLatin1String(FtdiDriver))
        return QStringLiteral("FTDI adapter");
    if (driver.startsWith(QLatin1String("ch341")))
        return QStringLiteral("CH340/CH341 adapter");
    if (driver == QLatin1String("cp210x"))
        return QStringLiteral("CP210x adapter");
    if (driver == QLatin1String("pl2303"))
        return QStringLiteral("PL2303 adapter");
    if (driver == QLatin1String("cdc_acm"))
        return QStringLiteral("USB modem-class adapter");
    return QStringLiteral("USB serial adapter");
}

} // namespace

QString sysfsRoot()
{
    const QString root = qEnvironmentVariable("GRIVANT_SYSFS_ROOT");
    return root.isEmpty() ? QStringLiteral("/sys") : root;
}

int parseTimer(const QByteArray &content, QString *problem)
{
    bool ok = false;
    const int ms = content.trimmed().toInt(&ok, 10);
    if (!ok) {
        if (problem)
            *problem = Text::tr("latency_timer reads \"%1\", not a number").arg(shown(content));
        return -1;
    }
    if (ms < 0 || ms > MaxTimerMs) {
        if (problem)
            *problem = Text::tr("latency_timer reads %1, beyond the %2 ms an adapter can hold").arg(ms).arg(MaxTimerMs);
        return -1;
    }
    return ms;
}

bool hasLatencyTimer(const Identity &id)
{
    return id.kind == Kind::Usb && id.driver == QLatin1String(FtdiDriver);
}

Identity identify(const QString &port, const QString &root)
{
    Identity id;
    id.port = port;
    const QString path = devicePath(port);
    const QString top = canonical(root);
    if (top.isEmpty()) {
        id.problem = Text::tr("no sysfs at %1").arg(root);
        return id;
    }

    // The device number leads to the port's own entry, whatever name or link it goes by.
    QString entry;
    bool pseudoTerminal = canonical(path).startsWith(QLatin1String("/dev/pts/"));
#ifdef Q_OS_LINUX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned major = ::major(st.st_rdev);
        // Unix98 pseudo-terminal slaves
        pseudoTerminal = pseudoTerminal || (major >= 136 && major <= 143);
        entry = canonical(QStringLiteral("%1/dev/char/%2:%3")
                              .arg(top, QString::number(major), QString::number(::minor(st.st_rdev))));
    }
#endif
    if (entry.isEmpty()) {
        const QString resolved = canonical(path);
        const QString name = QFileInfo(resolved.isEmpty() ? path : resolved).fileName();
        if (!name.isEmpty())
            entry = canonical(top + QLatin1String("/class/tty/") + name);
    }
    if (entry.isEmpty() || !entry.startsWith(top)) {
        if (pseudoTerminal)
            id.kind = Kind::PseudoTerminal;
        else
            id.problem = Text::tr("%1 has no entry under %2").arg(port, root);
        return id;
    }
    id.tty = QFileInfo(entry).fileName();

    const QString device = canonical(entry + QLatin1String("/device"));
    if (device.isEmpty() || !device.startsWith(top)) {
        id.kind = pseudoTerminal ? Kind::PseudoTerminal : Kind::Virtual;
        return id;
    }

    // Up from the port: the USB interface it belongs to, then the USB device itself.
    QString interface;
    QString usbDevice;
    QString folder = device;
    for (int depth = 0; depth < MaxClimb && folder.startsWith(top) && folder != top; ++depth) {
        if (interface.isEmpty() && QFileInfo::exists(folder + QLatin1String("/bInterfaceNumber")))
            interface = folder;
        if (QFileInfo::exists(folder + QLatin1String("/idVendor"))) {
            usbDevice = folder;
            break;
        }
        folder = QFileInfo(folder).path();
    }

    if (interface.isEmpty() && usbDevice.isEmpty()) {
        id.kind = Kind::NativeUart;
        // Newer kernels put the serial core's own port and controller devices between the
        // tty and the UART's driver (8250, pnp serial...): the name that tells is above them.
        QString uart = device;
        for (int depth = 0; depth < 3 && isSerialCore(uart); ++depth)
            uart = QFileInfo(uart).path();
        id.driver = driverName(uart);
        if (id.driver.isEmpty())
            id.problem = Text::tr("no driver link in %1").arg(device);
        return id;
    }

    id.kind = Kind::Usb;
    // The interface's driver is the module's own name (ch341, not the port's ch341-uart).
    id.driver = interface.isEmpty() ? QString() : driverName(interface);
    if (id.driver.isEmpty())
        id.driver = driverName(device);
    if (usbDevice.isEmpty()) {
        id.problem = Text::tr("no USB device above %1").arg(device);
    } else {
        id.vendorId = usbId(usbDevice, "idVendor");
        id.productId = usbId(usbDevice, "idProduct");
        id.manufacturer = attributeText(usbDevice, "manufacturer");
        id.product = attributeText(usbDevice, "product");
        id.serial = attributeText(usbDevice, "serial");
        if (id.vendorId.isEmpty() || id.productId.isEmpty())
            id.problem = Text::tr("no readable USB IDs in %1").arg(usbDevice);
    }
    if (id.driver.isEmpty())
        id.problem = Text::tr("no driver link in %1").arg(interface.isEmpty() ? device : interface);

    if (hasLatencyTimer(id)) {
        const QString timer = device + QLatin1String("/latency_timer");
        QByteArray raw;
        QString problem;
        if (readAttribute(timer, &raw, &problem)) {
            id.timerPath = timer;
            id.timerMs = parseTimer(raw, &problem);
        } else if (problem.isEmpty()) {
            problem = Text::tr("no latency_timer in %1").arg(device);
        }
        if (!problem.isEmpty())
            id.problem = problem;
    }
    return id;
}

Latency lowerLatency(const Identity &id, LatencyControl &control)
{
    Latency l;
    if (!hasLatencyTimer(id))
        return l;
    QString why;
    l.before = control.readTimer(&why);
    if (l.before < 0) {
        l.state = Latency::State::Unknown;
        l.refusal = why;
        return l;
    }
    l.after = l.before;
    if (l.before <= 1) {
        l.state = Latency::State::Low;
        return l;
    }

    QString flagWhy;
    bool on = false;
    if (control.lowLatency(&on, &flagWhy)) {
        if (on) {
            flagWhy = Text::tr("low latency is on, yet the timer reads %1 ms").arg(l.before);
        } else if (control.setLowLatency(true, &flagWhy)) {
            const int now = control.readTimer(&why);
            if (now >= 0 && now <= 1) {
                l.flagSet = true;
                l.after = now;
                l.state = Latency::State::LoweredByFlag;
                return l;
            }
            // Taken but without effect: off again before the timer itself is tried.
            control.setLowLatency(false, &why);
            flagWhy = Text::tr("the driver took low latency, yet the timer stayed at %1 ms").arg(l.before);
        }
    }

    QString timerWhy;
    if (control.writeTimer(1, &timerWhy)) {
        const int now = control.readTimer(&why);
        if (now == 1) {
            l.after = 1;
            l.timerToRestore = l.before;
            l.state = Latency::State::LoweredByTimer;
            return l;
        }
        // Written, but not as asked: the old value goes back at once.
        control.writeTimer(l.before, &why);
        timerWhy = now < 0 ? Text::tr("latency_timer took 1 ms but cannot be read back (%1)").arg(why)
                           : Text::tr("latency_timer took 1 ms but reads %1 ms").arg(now);
    }
    l.state = Latency::State::High;
    l.refusal = Text::tr("low latency refused: %1; latency_timer not written: %2").arg(flagWhy, timerWhy);
    return l;
}

QStringList restoreLatency(const Latency &latency, const Identity &id, LatencyControl &control)
{
    QStringList problems;
    QString why;
    if (latency.flagSet && !control.setLowLatency(false, &why))
        problems << Text::tr("low latency could not be switched off again on %1: %2").arg(id.port, why);
    if (latency.timerToRestore >= 0 && !control.writeTimer(latency.timerToRestore, &why))
        problems << Text::tr("the latency timer of %1 could not be put back to %2 ms: %3")
                        .arg(id.port, QString::number(latency.timerToRestore), why);
    return problems;
}

QString describe(const Identity &id)
{
    switch (id.kind) {
    case Kind::PseudoTerminal:
        return Text::tr("a pseudo-terminal (a simulator or a virtual port), no adapter");
    case Kind::Virtual:
        return Text::tr("%1, a terminal without hardware").arg(id.tty);
    case Kind::NativeUart:
        return id.driver.isEmpty() ? Text::tr("a serial port of this computer (%1)").arg(id.tty)
                                   : Text::tr("a serial port of this computer (%1), driver %2").arg(id.tty, id.driver);
    case Kind::Usb: {
        const QString name = id.product.isEmpty() ? chipOf(id.driver) : id.product;
        QStringList about;
        const QString maker = id.manufacturer.isEmpty() ? makerOf(id.vendorId) : id.manufacturer;
        if (!maker.isEmpty())
            about << maker;
        if (!id.vendorId.isEmpty() && !id.productId.isEmpty())
            about << QStringLiteral("USB %1:%2").arg(id.vendorId, id.productId);
        const QString what = about.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, about.join(QStringLiteral(", ")));
        return id.driver.isEmpty() ? what : Text::tr("%1, driver %2").arg(what, id.driver);
    }
    case Kind::Unknown:
        break;
    }
    return id.problem.isEmpty() ? Text::tr("adapter not known") : Text::tr("adapter not known: %1").arg(id.problem);
}

QString latencyText(const Identity &id, const Latency &l)
{
    switch (l.state) {
    case Latency::State::NoTimer:
        if (id.kind == Kind::Usb && !id.driver.isEmpty())
            return Text::tr("%1: no latency timer, nothing to set").arg(id.driver);
        return Text::tr("no latency timer");
    case Latency::State::Unknown:
        return Text::tr("latency timer not known (%1): left as it is").arg(l.refusal);
    case Latency::State::Low:
        return Text::tr("latency timer %1 ms").arg(l.before);
    case Latency::State::LoweredByFlag:
        return Text::tr("latency timer %1 ms, %2 ms while the port is open (low latency asked of the driver, "
                        "put back at close)")
            .arg(l.before)
            .arg(l.after);
    case Latency::State::LoweredByTimer:
        return Text::tr("latency timer %1 ms, %2 ms while the port is open (latency_timer written, put back at "
                        "close)")
            .arg(l.before)
            .arg(l.after);
    case Latency::State::High:
        return Text::tr("latency timer %1 ms: every answer waits up to %1 ms in the adapter (%2)")
            .arg(l.before)
            .arg(l.refusal);
    }
    return QString();
}

QString latencyAdvice(const Identity &id, const Latency &l, const QString &udevRule)
{
    Q_UNUSED(id);
    if (l.state != Latency::State::High)
        return QString();
    return Text::tr("Install the udev rule %1, which sets the latency timer of every FTDI adapter to 1 ms when it "
                    "is plugged in: sudo cp %1 /etc/udev/rules.d/ && sudo udevadm control --reload, then replug "
                    "the adapter.")
        .arg(udevRule);
}

QString foundText(const Identity &id)
{
    QString text = describe(id);
    if (hasLatencyTimer(id))
        text += QStringLiteral("; ")
                + (id.timerMs >= 0 ? Text::tr("latency timer %1 ms").arg(id.timerMs)
                                   : Text::tr("latency timer not known (%1)").arg(id.problem));
    return text;
}

} // namespace SerialAdapter
