#pragma once

class QModbusResponse;

// The exception code of a reply's raw result, 0xff when it carries none.
int modbusExceptionCode(const QModbusResponse &response);
