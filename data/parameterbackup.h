#pragma once

#include "data/registermap.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

// The stored parameters of a device in a file, and what it takes to put them back: the
// document, the plan of writes and the comparison after a restore. Shared by the
// command-line tool and the main window; nothing here touches a device or a file.
namespace ParameterBackup {

constexpr int FormatVersion = 1;
extern const char *const FormatName;

constexpr quint16 SaveRegister = 0x0300;
constexpr quint16 SaveCommand = 1;
constexpr quint16 DeviceInfoRegister = 0x0A00;
constexpr int DeviceInfoCount = 6;

// Groups whose values the device keeps across power cycles: user parameters and I/O.
QVector<int> storedGroups();
// Registers of those groups that trigger an action instead of holding a value: the save
// command, and the I/O test trigger (a linear module's emergency stop) at 0x0400.
bool isCommandRegister(int address);
// Slave ID, baud rate, stop bits and parity: saving new ones moves the device to them.
bool isLineSetting(int address);

// A register value as its format reads it: "signed" from -32768, anything else from 0.
int decodeValue(quint16 raw, const QString &format);
inline quint16 encodeValue(int value) { return quint16(value & 0xFFFF); }

struct Entry
{
    int address = 0;
    QString name;
    int value = 0;
};

struct Document
{
    int formatVersion = FormatVersion;
    quint16 modelCode = 0;
    QString modelName;
    QString hardwareVersion;
    QString softwareVersion;
    QString uniqueId;
    QDateTime time;
    QVector<int> groups;
    QVector<Entry> registers; // ascending address

    QString modelCodeText() const;
};

// A document for the device that sent this identification block (0x0A00..0x0A05).
Document newDocument(const QByteArray &infoBlock, const QString &modelName, const QDateTime &time);
// The values of one group as the device sent them, named and read as the map says.
QVector<Entry> groupEntries(const RegisterMap &map, int group, const QVector<quint16> &raw);
void addGroup(Document *doc, const RegisterMap &map, int group, const QVector<quint16> &raw);

QByteArray toJson(const Document &doc);
// False, with the reason, for anything but a complete document of this format version.
bool fromJson(const QByteArray &json, Document *doc, QString *error);

// Same series and model (the high byte of the model code); sub-models may differ.
bool sameFamily(quint16 a, quint16 b);

// Empty when the map lets this value be written to this register, else why not.
QString checkWrite(const RegisterMap &map, int address, int value);

struct Write
{
    quint16 address = 0;
    QVector<quint16> values;
    int last() const { return address + values.size() - 1; }
};

struct Skipped
{
    Entry entry;
    QString reason;
};

struct Plan
{
    QVector<Entry> entries;   // to be written, ascending address
    QVector<Write> writes;    // the same, as runs of consecutive registers
    QVector<Skipped> skipped; // in the file but not written, and why
    QStringList errors;       // values the map refuses: then nothing may be written
    bool isEmpty() const { return entries.isEmpty(); }
};

// Writes that put the file's stored parameters on a device with this register map. Line
// settings are left out unless asked for; read-only, command and other registers always.
Plan makePlan(const Document &doc, const RegisterMap &map, bool withLineSettings);

struct Difference
{
    int address = 0;
    QString name;
    int expected = 0;
    bool read = false; // false: the device's value is not known
    int actual = 0;
};

// The entries whose value the device does not hold (values as the map reads them).
QVector<Difference> compare(const QVector<Entry> &expected, const QMap<int, int> &actual);

// "0x0301-0x0306, 0x0405" for a set of addresses.
QString addressRanges(QVector<int> addresses);
QString addressText(int address);
// "0x03" for a group number.
QString groupText(int group);

} // namespace ParameterBackup
