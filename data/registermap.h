#pragma once

#include <QMap>
#include <QString>

// The loaded register map of one database: maps keyed by group number (the high byte of
// the register address) and by full 16-bit register address.
struct RegisterMap
{
    QMap<int, QString> groupNames;       // Func_Description_CH / _EN
    QMap<int, QString> groupTableNames;  // Reg_Table_Name
    QMap<int, int> groupRegisterCounts;  // Reg_Num
    QMap<int, QString> groupAccessModes; // Reg_RW
    QMap<int, int> groupScanRates;       // Scan_Rate (ms)
    QMap<int, int> groupAccessLevels;    // Access_Level
    QMap<int, QString> registerDescriptions; // Reg_Description_CH / _EN
    QMap<int, QString> registerValueRanges;  // Reg_Value_Range
    QMap<int, QString> registerProtocolVersions; // Protocol_Version
    QMap<int, QString> registerFormats;      // Format
};

// One group's values of a RegisterMap.
struct RegisterGroup
{
    QString name;
    QString tableName;
    int registerCount = 0;
    QString accessMode;
    int scanRate = 0;
    int accessLevel = 0;
};

// One register's values of a RegisterMap.
struct RegisterInfo
{
    QString description;
    QString valueRange;
    QString protocolVersion;
    QString format;
};

// The model list: model key "%1.%2" (high and low byte of register 0x0A00) to name and
// description.
struct ModelMap
{
    QMap<QString, QString> modelNames;
    QMap<QString, QString> descriptions;
};

// A register address is a group byte (high) and an offset byte (low). Both come from
// database rows, so they are checked before the address is formed: a group above 255 gives
// an address past 16 bits, and a large enough number overflows on the way.
constexpr int RegistersPerGroup = 256;

inline bool isRegisterByte(qint64 value)
{
    return value >= 0 && value < RegistersPerGroup;
}

// False, and the address untouched, when the group or the offset is not a byte.
inline bool registerAddress(qint64 group, qint64 offset, int *address)
{
    if (!isRegisterByte(group) || !isRegisterByte(offset))
        return false;
    *address = int(group * RegistersPerGroup + offset);
    return true;
}

// The high byte of register 0x0A00 of a model row: series index and model index are its
// upper and lower four bits. False when either does not fit.
inline bool isNibble(qint64 value)
{
    return value >= 0 && value < 16;
}

inline bool modelHighByte(qint64 series, qint64 model, int *highByte)
{
    if (!isNibble(series) || !isNibble(model))
        return false;
    *highByte = int(series * 16 + model);
    return true;
}

// Warning text for a database row whose number does not fit: names the table, the row (in
// the order read, from 1), the column and the value.
inline QString outsideText(const QString &table, int row, const QString &columnName, qint64 value)
{
    return QStringLiteral("%1, row %2: %3 %4 is outside its range; the row is skipped")
        .arg(table, QString::number(row), columnName, QString::number(value));
}

// The model key of register 0x0A00: high byte (series × 16 + model) and low byte
// (sub-model), both in decimal without leading zeros, such as "39.1".
inline QString modelKey(int highByte, int subModel)
{
    return QStringLiteral("%1.%2").arg(highByte).arg(subModel);
}
