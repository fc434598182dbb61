#pragma once

#include "cli/commandline.h"

#include <QJsonObject>

// grivantctl doctor: what slows or breaks one serial line, found on the operator's behalf.
// The adapter and its driver from sysfs; its latency timer as found, while the port is open
// (lowered where the driver or sysfs let it) and after close (put back); whether the line
// echoes the requests; the device's answer times over a run of identification reads, and
// the response time-out they call for; advice for what is left. Sends reads only.
namespace Doctor {

// Identification reads the answer times are taken over.
constexpr int Reads = 20;

// Examines the request's one port and device; the report as data, and the exit status.
QJsonObject examine(const Request &request, int *exitCode);
// The report for people, one line each.
QStringList text(const QJsonObject &report);

} // namespace Doctor
