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

// The model key of register 0x0A00: high byte (series × 16 + model) and low byte
// (sub-model), both in decimal without leading zeros, such as "39.1".
inline QString modelKey(int highByte, int subModel)
{
    return QStringLiteral("%1.%2").arg(highByte).arg(subModel);
}
