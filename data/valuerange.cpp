#include "data/valuerange.h"

namespace {

bool toDecimal(const QString &text, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

} // namespace

bool ValueRange::isValid() const
{
    switch (kind) {
    case ReadOnly:
        return true;
    case List:
        return !values.isEmpty() && values.size() == choices.size();
    case Interval:
        return minimum <= maximum;
    case Invalid:
        break;
    }
    return false;
}

bool ValueRange::accepts(int value) const
{
    if (!isValid())
        return false;
    switch (kind) {
    case List:
        return values.contains(value);
    case Interval:
        return value >= minimum && value <= maximum;
    default:
        return false;
    }
}

ValueRange parseValueRange(const QString &text)
{
    ValueRange range;
    const QString t = text.trimmed();
    if (t == QLatin1String("-")) {
        range.kind = ValueRange::ReadOnly;
        return range;
    }
    if (t.contains(QLatin1Char(','))) {
        range.kind = ValueRange::List;
        range.choices = t.split(QLatin1Char(','));
        for (const QString &choice : qAsConst(range.choices)) {
            int v = 0;
            if (!toDecimal(choice, &v)) {
                range.values.clear();
                break;
            }
            range.values.append(v);
        }
        return range;
    }
    const int tilde = t.indexOf(QLatin1Char('~'));
    if (tilde > 0) {
        int lo = 0;
        int hi = 0;
        if (toDecimal(t.left(tilde), &lo) && toDecimal(t.mid(tilde + 1), &hi)) {
            range.kind = ValueRange::Interval;
            range.minimum = lo;
            range.maximum = hi;
        }
    }
    return range;
}

ValueRange formatRange(const QString &format)
{
    ValueRange range;
    range.kind = ValueRange::Interval;
    const bool isSigned = format == QLatin1String("signed");
    range.minimum = isSigned ? -0x8000 : 0;
    range.maximum = isSigned ? 0x7FFF : 0xFFFF;
    return range;
}

ValueRange cutToFormat(const ValueRange &range, const QString &format)
{
    const ValueRange held = formatRange(format);
    ValueRange cut = range;
    if (range.kind == ValueRange::Interval) {
        cut.minimum = qMax(range.minimum, held.minimum);
        cut.maximum = qMin(range.maximum, held.maximum);
    } else if (range.kind == ValueRange::List && range.isValid()) {
        cut.choices.clear();
        cut.values.clear();
        for (int i = 0; i < range.values.size(); ++i) {
            if (held.accepts(range.values.at(i))) {
                cut.choices.append(range.choices.at(i));
                cut.values.append(range.values.at(i));
            }
        }
    }
    return cut;
}
