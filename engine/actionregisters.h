#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// Registers whose write makes the device do something once instead of setting a value it
// holds. When the answer to such a write is lost there is no telling whether the device
// carried it out, and sending it again could do it twice (a relative move would go twice
// the distance), so it is sent once and its outcome reported as unknown. A value written
// twice is still the same value: those writes are sent again until answered.
namespace ActionRegisters {

struct Entry
{
    quint16 address;
    const char *what;
};

// The action registers in address order, with what each one does.
const QVector<Entry> &table();

bool isAction(int address);
// True when any register of a write of `count` registers from `address` is an action.
bool isActionWrite(int address, int count);

} // namespace ActionRegisters

// Lines of the connection window's process log about writes that did not end in an answer,
// in the operator's language.
namespace WriteReport {

QString valuesText(const QVector<quint16> &values);
// A value write given up after `tries` sends without an answer; 0 tries: dropped unsent.
QString givenUpLine(int address, const QVector<quint16> &values, int tries);
// An action write whose answer was lost and which was not sent again.
QString outcomeUnknownLine(int address, const QVector<quint16> &values);
// A write the device refused with an exception (its name given, e.g. "illegal data value")
// at its `tries`th send.
QString refusedLine(int address, const QVector<quint16> &values, int exceptionCode,
                    const QString &exceptionName, int tries);
// A write still queued, so unconfirmed (at most sent without an answer), when the program ended.
QString unsentAtExitLine(int address, const QVector<quint16> &values);

} // namespace WriteReport
