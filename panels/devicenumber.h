// Spin boxes that show a number a device register holds (slave ID, the I/O motion groups).
// A number beyond the box's range is shown as it is, marked, rather than clamped to the
// nearest end: a save would otherwise write a number the operator never chose.
#pragma once

#include <QString>

class QSpinBox;

namespace DeviceNumber {

// Shows a number the device reports. One beyond the box's range widens the box just enough
// to hold it and marks it (red, " (!)", and `tip` with %1 the number, %2~%3 the box's own
// range); a number within the range takes the mark away again.
void show(QSpinBox *box, int value, const QString &tip);

// False while the box shows a device number beyond its own range.
bool chosen(const QSpinBox *box);

// The operator changed the box: its own range again, the number moved into it, no mark.
// Emits no signal; the caller reads value() afterwards.
void settle(QSpinBox *box);

// A marked box takes a new tip (language switch).
void retranslate(QSpinBox *box, const QString &tip);

} // namespace DeviceNumber
