#pragma once

#include "cli/commandline.h"
#include "data/parameterbackup.h"

#include <QJsonObject>
#include <QVector>

class Catalog;
class ModbusClient;
namespace Output { class Progress; }

// What one device command did on one device: an exit status, a reason for a person when
// it failed, and everything else as data that the output turns into text or JSON.
struct DeviceResult
{
    QString port;
    int id = 0;
    int exitCode = ExitOk;
    QString error;
    QJsonObject json;
};

// Runs the command on every device of the request: one worker per port, the IDs of a
// port in turn. Results come in port order, then ID order.
QVector<DeviceResult> runOnDevices(const Request &request, const Catalog &catalog,
                                   const ParameterBackup::Document *document,
                                   Output::Progress *progress);

// A write refused by every register map needs no device to be refused: empty, or why.
QString refuseWriteEverywhere(const Request &request, const Catalog &catalog);

// The backup file of one device: {port}, {id}, {uid} and {model} filled in.
QString backupFileName(const QString &pattern, const QString &port, int id, const QString &uid,
                       const QString &model);
bool backupNameNamesDevice(const QString &pattern);
