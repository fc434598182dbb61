#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Widget-free pieces of reply decoding and register-table handling.
//
// A read reply travels as: start address (2 bytes, high first), value count N (1 byte),
// then N values of 2 bytes each, high first. Nothing here ever reads past the end of the
// array: a byte that is missing counts as 0.
namespace ReplyDecode {

// Byte at an index, 0 when the array is shorter.
quint8 byteAt(const QByteArray &data, int index);

// Start address of a reply (first two bytes).
quint16 startAddress(const QByteArray &data);

// Value count N of a reply (third byte, unsigned).
int valueCount(const QByteArray &data);

// Four lower-case hexadecimal digits of the start address, e.g. "0100" or "0a00".
QString startAddressText(const QByteArray &data);

// The value at a zero-based index: the high byte as a signed byte shifted left by 8,
// combined with the low byte taken unsigned.
qint16 valueAt(const QByteArray &data, int index);

// A register value as shown in a table: unsigned (0 to 65535) when the format is exactly
// "unsigned", signed (-32768 to 32767) otherwise.
QString valueText(qint16 value, const QString &format);

// Tab title of a register group: "<name>(0x<base address, 4+ lower-case hex digits>)".
QString tabTitle(const QString &groupName, int baseAddress);

// Whether a tab title belongs to a reply with the given start-address text.
bool titleMatchesStart(const QString &title, const QString &startText);

// Whether a tab title is the one of a block, such as "0x0200".
bool titleIsBlock(const QString &title, const char *blockText);

// Polling interval of a group: scan rate x (9600 / baud + 1), the division an integer
// division; the result truncated to 16 bits. A baud rate of 0 (no line settings yet)
// counts as a fast line.
quint16 pollingInterval(int scanRate, quint32 baudRate);

// A value truncated to the 16 bits of a register (-1 becomes 0xFFFF, 32768 0x8000).
quint16 truncate16(qint64 value);

// A decimal integer; text that is not a number gives 0.
int decimalOrZero(const QString &text);

// Bounds of a range text "min~max": the text before the first "~" and the text between
// the first and the second "~", each a decimal integer (not a number gives 0).
struct RangeBounds { int minimum = 0; int maximum = 0; };
RangeBounds rangeBounds(const QString &rangeText);

// Choices of a list text "a,b,c"; empty parts stay in the list.
QStringList rangeChoices(const QString &rangeText);

// A range text with a comma anywhere is a list of choices; otherwise a "~" range.
bool isChoiceList(const QString &rangeText);

// Texts of one register-table row after the model's row rules.
struct RowTexts
{
    QString description;
    QString shownRange;
    bool valueEditable = false; // the editable flag of the value cell
};

// Applies the row rules of a model: registers of protocol "1.0" are reserved on models
// without "KX"; "KX" models take -32767~32767 for the I/O positions 3 and 4; "RV77"
// models reserve the four I/O speed rows. The value cell is marked editable unless the
// stored range (before these rules) is "-".
RowTexts rowTexts(const QString &modelName, int address, const QString &description,
                  const QString &storedRange, const QString &protocolVersion,
                  const QString &reserveText);

} // namespace ReplyDecode
