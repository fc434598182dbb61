#include "engine/replydecode.h"

namespace ReplyDecode {

quint8 byteAt(const QByteArray &data, int index)
{
    if (index < 0 || index >= data.size())
        return 0;
    return static_cast<quint8>(data.at(index));
}

quint16 startAddress(const QByteArray &data)
{
    return static_cast<quint16>((byteAt(data, 0) << 8) | byteAt(data, 1));
}

int valueCount(const QByteArray &data)
{
    return byteAt(data, 2);
}

QString startAddressText(const QByteArray &data)
{
    return QStringLiteral("%1").arg(startAddress(data), 4, 16, QLatin1Char('0'));
}

qint16 valueAt(const QByteArray &data, int index)
{
    if (index < 0)
        return 0;
    const int offset = 3 + 2 * index;
    const int high = static_cast<qint8>(byteAt(data, offset));
    const int low = byteAt(data, offset + 1);
    return static_cast<qint16>(high * 256 + low);
}

QString valueText(qint16 value, const QString &format)
{
    if (format == QLatin1String("unsigned"))
        return QString::number(static_cast<quint16>(value));
    return QString::number(value);
}

QString tabTitle(const QString &groupName, int baseAddress)
{
    return QStringLiteral("%1(0x%2)").arg(groupName, QStringLiteral("%1").arg(baseAddress, 4, 16, QLatin1Char('0')));
}

bool titleMatchesStart(const QString &title, const QString &startText)
{
    return !startText.isEmpty() && title.contains(startText);
}

bool titleIsBlock(const QString &title, const char *blockText)
{
    return title.contains(QLatin1String(blockText));
}

quint16 pollingInterval(int scanRate, quint32 baudRate)
{
    const qint64 factor = baudRate == 0 ? 1 : qint64(9600 / baudRate) + 1;
    return truncate16(qint64(scanRate) * factor);
}

quint16 truncate16(qint64 value)
{
    return static_cast<quint16>(value & 0xFFFF);
}

int decimalOrZero(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

RangeBounds rangeBounds(const QString &rangeText)
{
    const QStringList parts = rangeText.split(QLatin1Char('~'));
    RangeBounds bounds;
    bounds.minimum = decimalOrZero(parts.value(0));
    bounds.maximum = decimalOrZero(parts.value(1));
    return bounds;
}

QStringList rangeChoices(const QString &rangeText)
{
    return rangeText.split(QLatin1Char(','), Qt::KeepEmptyParts);
}

bool isChoiceList(const QString &rangeText)
{
    return rangeText.contains(QLatin1Char(','));
}

RowTexts rowTexts(const QString &modelName, int address, const QString &description,
                  const QString &storedRange, const QString &protocolVersion,
                  const QString &reserveText)
{
    static const QString dash = QStringLiteral("-");
    const bool rotary = modelName.contains(QLatin1String("KX"));

    RowTexts row;
    if (!rotary && protocolVersion == QLatin1String("1.0")) {
        row.description = reserveText;
        row.shownRange = dash;
    } else {
        row.description = description;
        row.shownRange = storedRange;
    }
    if (rotary && (address == 0x040B || address == 0x040E))
        row.shownRange = QStringLiteral("-32767~32767");
    if (modelName.contains(QLatin1String("RV77"))
        && (address == 0x0407 || address == 0x040A || address == 0x040D || address == 0x0410)) {
        row.description = reserveText;
        row.shownRange = dash;
    }
    row.valueEditable = storedRange != dash;
    return row;
}

} // namespace ReplyDecode
