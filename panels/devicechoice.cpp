#include "panels/devicechoice.h"

#include <QComboBox>
#include <QVariant>

namespace {

// The unknown entry carries its code under this role; the entries of the form carry nothing.
constexpr int UnknownCodeRole = Qt::UserRole + 7;

int unknownIndex(const QComboBox *combo)
{
    const int last = combo->count() - 1;
    return last >= 0 && combo->itemData(last, UnknownCodeRole).isValid() ? last : -1;
}

int knownCount(const QComboBox *combo)
{
    return unknownIndex(combo) < 0 ? combo->count() : combo->count() - 1;
}

} // namespace

namespace DeviceChoice {

void show(QComboBox *combo, int code, const QString &unknownText)
{
    const int unknown = unknownIndex(combo);
    if (code >= 0 && code < knownCount(combo)) {
        combo->setCurrentIndex(code);
        if (unknown >= 0)
            combo->removeItem(unknown);
        return;
    }
    if (unknown >= 0) {
        combo->setItemText(unknown, unknownText);
        combo->setItemData(unknown, code, UnknownCodeRole);
        combo->setCurrentIndex(unknown);
        return;
    }
    combo->addItem(unknownText);
    combo->setItemData(combo->count() - 1, code, UnknownCodeRole);
    combo->setCurrentIndex(combo->count() - 1);
}

int chosen(const QComboBox *combo)
{
    const int index = combo->currentIndex();
    return index >= 0 && index < knownCount(combo) ? index : -1;
}

void retranslate(QComboBox *combo, const QString &unknownText)
{
    const int unknown = unknownIndex(combo);
    if (unknown >= 0)
        combo->setItemText(unknown, unknownText);
}

int unknownCode(const QComboBox *combo)
{
    const int unknown = unknownIndex(combo);
    return unknown >= 0 ? combo->itemData(unknown, UnknownCodeRole).toInt() : -1;
}

} // namespace DeviceChoice
