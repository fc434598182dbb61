// Fake sysfs trees for the adapter lookup (GRIVANT_SYSFS_ROOT points the program at one):
// shaped as the kernel's, with the driver links as symbolic links.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QString>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace FakeSysfs {

inline const char *const UsbDevice = "devices/pci0000:00/0000:00:14.0/usb1/1-2";

inline void put(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
}

// A relative symbolic link, as sysfs has them.
inline void link(const QString &at, const QString &target)
{
    QDir().mkpath(QFileInfo(at).path());
    QFile::link(QDir(QFileInfo(at).path()).relativeFilePath(target), at);
}

struct Adapter
{
    QString tty;            // ttyUSB0, ttyACM0, ttyS0
    QString driver;         // the USB interface's (or the native port's) driver
    QString portDriver;     // the usb-serial port's driver, where there is one
    QByteArray vendor, product, manufacturer, productName;
    QByteArray timer;       // latency_timer's content; not made when null
};

// A tree shaped as the kernel's: the USB device, its interface, the usb-serial port (or,
// for a modem-class adapter, the interface itself) and its tty, reached from class/tty and
// from dev/char when `devChar` ("M:m") is given. Returns the port's device folder.
inline QString makeUsb(const QString &root, const Adapter &a, const QString &devChar = QString())
{
    const QString usb = root + QLatin1Char('/') + QLatin1String(UsbDevice);
    const QString interface = usb + QLatin1String("/1-2:1.0");
    put(usb + QLatin1String("/idVendor"), a.vendor + '\n');
    put(usb + QLatin1String("/idProduct"), a.product + '\n');
    if (!a.manufacturer.isNull())
        put(usb + QLatin1String("/manufacturer"), a.manufacturer + '\n');
    if (!a.productName.isNull())
        put(usb + QLatin1String("/product"), a.productName + '\n');
    put(interface + QLatin1String("/bInterfaceNumber"), "00\n");
    link(interface + QLatin1String("/driver"), root + QLatin1String("/bus/usb/drivers/") + a.driver);
    QString device = interface;
    if (!a.portDriver.isEmpty()) {
        device = interface + QLatin1Char('/') + a.tty;
        link(device + QLatin1String("/driver"), root + QLatin1String("/bus/usb-serial/drivers/") + a.portDriver);
    }
    if (!a.timer.isNull())
        put(device + QLatin1String("/latency_timer"), a.timer);
    const QString tty = device + QLatin1String("/tty/") + a.tty;
    link(tty + QLatin1String("/device"), device);
    link(root + QLatin1String("/class/tty/") + a.tty, tty);
    if (!devChar.isEmpty())
        link(root + QLatin1String("/dev/char/") + devChar, tty);
    return device;
}

inline Adapter ftdi(const QByteArray &timer)
{
    return {"ttyUSB0", "ftdi_sio", "ftdi_sio", "0403", "6001", "FTDI", "FT232R USB UART", timer};
}

// "M:m" of a device file, as dev/char names it; empty when it is none.
inline QString devChar(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return QString();
    return QStringLiteral("%1:%2").arg(major(st.st_rdev)).arg(minor(st.st_rdev));
}

} // namespace FakeSysfs
Q_DECLARE_METATYPE(FakeSysfs::Adapter)
