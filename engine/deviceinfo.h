#pragma once

#include <QByteArray>
#include <QString>

// What a device says about itself in registers 0x0A00..0x0A05 (12 bytes, high byte first).
// Bytes that a short block lacks count as zero.
struct DeviceInfo
{
    QString modelKey;        // "%1.%2" of the high and low byte of 0x0A00
    QString hardwareVersion; // "%1.%2.%3" of bytes 2, 3 and 11 (signed bytes)
    QString softwareVersion; // "%1.%2" of bytes 4 and 5 (signed bytes)
    QString uniqueId;        // bytes 8, 9, 6, 7 as upper-case hexadecimal

    static DeviceInfo fromBlock(const QByteArray &block);
};

// True when a software version text enables the 0..100 force range: the text read as a
// single-precision number compares above the double 2.23, so "2.23" itself qualifies.
bool softwareVersionHasFullForceRange(const QString &softwareVersion);

// The label shown for a model name ("TQP2-51500A" is shown as its base model).
QString modelLabelFor(const QString &modelName);
