// Combo boxes whose entries stand for the codes 0, 1, 2 ... of a device register (baud rate,
// parity, stop bits, initialisation direction, I/O mode). A code the list does not hold is
// shown as what it is, in an entry of its own at the end, and is never written back.
#pragma once

#include <QString>

class QComboBox;

namespace DeviceChoice {

// Shows a code the device reports. A code outside the list selects an entry of its own
// ("7 (unknown)", from `unknownText`), which goes again as soon as the device reports a
// code of the list.
void show(QComboBox *combo, int code, const QString &unknownText);

// The code the operator chose; -1 while the entry of an unknown code is selected.
int chosen(const QComboBox *combo);

// The entry of an unknown code, if the combo has one, takes a new text (language switch).
void retranslate(QComboBox *combo, const QString &unknownText);

// The code of the unknown entry, -1 when there is none.
int unknownCode(const QComboBox *combo);

} // namespace DeviceChoice
