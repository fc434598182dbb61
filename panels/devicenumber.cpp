#include "panels/devicenumber.h"

#include <QPoint>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVariant>

namespace {

// What the box was before the mark, and the range the mark gave it.
constexpr char OwnRange[] = "deviceNumberOwnRange";
constexpr char MarkRange[] = "deviceNumberMarkRange";
constexpr char OwnTip[] = "deviceNumberOwnTip";
constexpr char OwnStyle[] = "deviceNumberOwnStyle";
constexpr char OwnSuffix[] = "deviceNumberOwnSuffix";

bool marked(const QSpinBox *box)
{
    return box->property(OwnRange).isValid();
}

void unmark(QSpinBox *box)
{
    const QPoint own = box->property(OwnRange).toPoint();
    const QPoint mark = box->property(MarkRange).toPoint();
    // A range set while the mark was on (a model's own range at identification) stays.
    if (box->minimum() == mark.x() && box->maximum() == mark.y())
        box->setRange(own.x(), own.y());
    box->setSuffix(box->property(OwnSuffix).toString());
    box->setToolTip(box->property(OwnTip).toString());
    box->setStyleSheet(box->property(OwnStyle).toString());
    for (const char *name : {OwnRange, MarkRange, OwnTip, OwnStyle, OwnSuffix})
        box->setProperty(name, QVariant());
}

QString tipText(const QString &tip, const QSpinBox *box)
{
    const QPoint own = box->property(OwnRange).toPoint();
    return tip.arg(box->value()).arg(own.x()).arg(own.y());
}

} // namespace

namespace DeviceNumber {

void show(QSpinBox *box, int value, const QString &tip)
{
    if (marked(box))
        unmark(box);
    if (value >= box->minimum() && value <= box->maximum()) {
        box->setValue(value);
        return;
    }
    const QPoint mark(qMin(box->minimum(), value), qMax(box->maximum(), value));
    box->setProperty(OwnRange, QPoint(box->minimum(), box->maximum()));
    box->setProperty(MarkRange, mark);
    box->setProperty(OwnTip, box->toolTip());
    box->setProperty(OwnStyle, box->styleSheet());
    box->setProperty(OwnSuffix, box->suffix());
    box->setRange(mark.x(), mark.y());
    box->setValue(value);
    box->setSuffix(QStringLiteral(" (!)"));
    box->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
    box->setToolTip(tipText(tip, box));
}

bool chosen(const QSpinBox *box)
{
    return !marked(box);
}

void settle(QSpinBox *box)
{
    if (!marked(box))
        return;
    const QSignalBlocker quiet(box);
    unmark(box);
}

void retranslate(QSpinBox *box, const QString &tip)
{
    if (marked(box))
        box->setToolTip(tipText(tip, box));
}

} // namespace DeviceNumber
