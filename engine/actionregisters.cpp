#include "engine/actionregisters.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

namespace ActionRegisters {

const QVector<Entry> &table()
{
    // The engine does not know the device kind, so an address that is an action on any
    // kind counts as one: on the other kinds a lost answer is then reported rather than
    // repeated, which costs nothing but a notice.
    static const QVector<Entry> entries = {
        {0x0106, "relative move of a linear module (angle, low word, of a rotary gripper)"},
        {0x0109, "relative rotation of a rotary gripper"},
        {0x0400, "I/O group test: moves to the stored set-points of the group "
                 "(emergency stop of a linear module)"},
        {0x0506, "rotation value reset"},
        {0x0509, "rotary zero: takes the present angle as zero"},
        {0x050A, "system command"},
        {0x1100, "electric angle calibration"},
        {0x1101, "factory test"},
        {0x1102, "parameter backup"},
        {0x1103, "firmware upgrade"},
        {0x1104, "restore of the parameter backup"},
        {0x1105, "factory save of the parameters"},
        {0x1106, "automatic test"},
    };
    return entries;
}

bool isAction(int address)
{
    const QVector<Entry> &entries = table();
    return std::any_of(entries.cbegin(), entries.cend(),
                       [address](const Entry &e) { return e.address == address; });
}

bool isActionWrite(int address, int count)
{
    for (int i = 0; i < count; ++i) {
        if (isAction(address + i))
            return true;
    }
    return false;
}

} // namespace ActionRegisters

namespace WriteReport {

QString valuesText(const QVector<quint16> &values)
{
    QStringList parts;
    for (quint16 v : values)
        parts << QString::number(v);
    return parts.join(QLatin1Char(','));
}

QString givenUpLine(int address, const QVector<quint16> &values, int tries)
{
    const QString where = QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0'));
    if (tries == 0)
        return QCoreApplication::translate("ProcessLog", "Write not sent:\t %1 = %2, dropped when reading was "
                                                         "switched over")
            .arg(where, valuesText(values));
    return QCoreApplication::translate("ProcessLog", "Write given up:\t %1 = %2, no answer after %3 tries")
        .arg(where, valuesText(values), QString::number(tries));
}

QString outcomeUnknownLine(int address, const QVector<quint16> &values)
{
    return QCoreApplication::translate("ProcessLog", "Write outcome unknown:\t 0x%1 = %2, no answer; not sent "
                                                     "again, since the device may have carried it out")
        .arg(address, 4, 16, QLatin1Char('0'))
        .arg(valuesText(values));
}

QString refusedLine(int address, const QVector<quint16> &values, int exceptionCode,
                    const QString &exceptionName, int tries)
{
    QString line = QCoreApplication::translate("ProcessLog", "Write refused:\t 0x%1 = %2, the device answered %3 "
                                                             "(exception 0x%4); not sent again")
                       .arg(address, 4, 16, QLatin1Char('0'))
                       .arg(valuesText(values), exceptionName)
                       .arg(exceptionCode, 2, 16, QLatin1Char('0'));
    if (tries > 1)
        line += QCoreApplication::translate("ProcessLog", " (an earlier send went unanswered and may have been "
                                                          "carried out)");
    return line;
}

QString unsentAtExitLine(int address, const QVector<quint16> &values)
{
    return QCoreApplication::translate("ProcessLog", "Write not confirmed:\t 0x%1 = %2, still queued when the "
                                                     "program ended")
        .arg(address, 4, 16, QLatin1Char('0'))
        .arg(valuesText(values));
}

} // namespace WriteReport
