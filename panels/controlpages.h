// Set-point edits of the control pages and the validators they share with the reply
// dispatch.
#pragma once

class QDoubleValidator;
class QIntValidator;
class QObject;

namespace ControlPages {

// Validators of the set-point edits read numbers as the conversions do, with a point for the
// decimals and no group separators, whatever the system's locale: "1,000" must not pass as
// 1000 in one place and convert to 0 in the other.
QDoubleValidator *decimalValidator(double bottom, double top, int decimals, QObject *parent);
QIntValidator *integerValidator(int bottom, int top, QObject *parent);

} // namespace ControlPages
