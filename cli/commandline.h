#pragma once

#include "cli/gatewayport.h"
#include "link/modbusclient.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What grivantctl was asked to do, as its command line says it.
struct Request
{
    enum class Command { None, Help, Version, Scan, Info, Read, Write, Backup, Restore, Doctor };

    Command command = Command::None;
    QStringList ports;
    QVector<int> ids;          // device commands: the IDs on every port; scan: the range
    QVector<qint32> bauds;     // scan: every one when empty; device commands: the first
    QVector<int> parities;     // Qt numbers 0, 2, 3; as for bauds
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QString language = QStringLiteral("en_US");
    bool json = false;
    bool all = false;
    bool force = false;
    bool dryRun = false;
    bool lineSettings = false;

    QString target;            // read: group or address; backup, restore: the file
    int count = 0;             // read: registers from an address (0: one, or the group)
    int address = 0;           // write: the first register
    QVector<int> values;       // write
    GatewayPort::Options gateway; // a gateway's bus: the broker's login

    // The line of each device command: the port with the first baud rate and parity.
    LineSettings line(const QString &port) const;
};

// Exit statuses.
enum ExitCode { ExitOk = 0, ExitDevice = 1, ExitUsage = 2, ExitNoAnswer = 3 };

// False with the reason for a command line that does not make sense.
bool parseCommandLine(const QStringList &arguments, Request *request, QString *error);

// "1-8", "1,3,5-7": every number within low..high, in the order given, without repeats.
bool parseNumberList(const QString &text, int low, int high, QVector<int> *numbers);
// A register address or value: decimal, negative decimal or 0x hexadecimal.
bool parseNumber(const QString &text, int *value);

const char *usageText();
