#include "engine/deviceinfo.h"

namespace {
int byteAt(const QByteArray &block, int index)
{
    return index < block.size() ? static_cast<quint8>(block.at(index)) : 0;
}

int signedByteAt(const QByteArray &block, int index)
{
    return static_cast<qint8>(byteAt(block, index));
}

QString hexByte(int value)
{
    return QString("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

DeviceInfo DeviceInfo::fromBlock(const QByteArray &block)
{
    DeviceInfo info;
    info.modelKey = QString("%1.%2").arg(byteAt(block, 0)).arg(byteAt(block, 1));
    info.hardwareVersion = QString("%1.%2.%3")
                               .arg(signedByteAt(block, 2))
                               .arg(signedByteAt(block, 3))
                               .arg(signedByteAt(block, 11));
    info.softwareVersion = QString("%1.%2").arg(signedByteAt(block, 4)).arg(signedByteAt(block, 5));
    info.uniqueId = hexByte(byteAt(block, 8)) + hexByte(byteAt(block, 9)) + hexByte(byteAt(block, 6))
                    + hexByte(byteAt(block, 7));
    return info;
}

bool softwareVersionHasFullForceRange(const QString &softwareVersion)
{
    const float version = softwareVersion.toFloat();
    return static_cast<double>(version) > 2.23;
}

QString modelLabelFor(const QString &modelName)
{
    return modelName == QLatin1String("TQP2-51500A") ? QStringLiteral("TQP2-51500") : modelName;
}
