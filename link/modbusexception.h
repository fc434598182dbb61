#pragma once

#include <QtGlobal>

class QModbusPdu;

// Reading a reply's function code: see the source file for why these stay in one place.
// The exception code of a reply's raw result, 0xff when it carries none.
int modbusExceptionCode(const QModbusPdu &pdu);
// The function byte as it came over the line: the exception bit (0x80) set on an exception.
quint8 modbusFunctionByte(const QModbusPdu &pdu);
// True for a reply that came over the line: a valid PDU, or an exception answer (which Qt
// does not count as valid).
bool modbusAnswered(const QModbusPdu &pdu);
