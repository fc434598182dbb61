// Kept apart so that one sanitizer check can be left out for these calls alone: Qt's
// serial-bus library keeps an exception answer's function code with the exception bit set
// (0x83 read as a signed byte) in its FunctionCode enum, a value outside the enum, and its
// inline accessors (functionCode(), isException(), exceptionCode(), isValid()) load it. The
// undefined-behaviour sanitizer's enum check would end every program that meets an
// exception answer, so sanitized builds compile this file with -fno-sanitize=enum; every
// other check stays on here, and every check elsewhere. No other file may call those
// accessors on a reply: an unoptimised build keeps one shared copy of each inline accessor,
// and the linker may pick the checked copy of another file.
#include "link/modbusexception.h"

#include <QModbusPdu>

int modbusExceptionCode(const QModbusPdu &pdu)
{
    return int(pdu.exceptionCode());
}

quint8 modbusFunctionByte(const QModbusPdu &pdu)
{
    const quint8 function = quint8(pdu.functionCode());
    return pdu.isException() ? quint8(function | 0x80) : function;
}

bool modbusAnswered(const QModbusPdu &pdu)
{
    return pdu.isValid() || pdu.isException();
}
