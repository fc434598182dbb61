// Command line of the device simulator.
#pragma once

#include "device.h"

#include <string>
#include <vector>

struct Options
{
    DeviceConfig device;          // the first (or only) device of the line
    std::vector<DeviceConfig> devices; // every device of the line, the first included
    std::string link;
    std::string listen;           // HOST:PORT: on the network instead of a pseudo-terminal
    std::string framing = "tcp";  // tcp (Modbus TCP) or rtu (RTU over TCP, a device server)
    std::string stateFile;
    double speedup = 1.0;
    bool wireTime = false;
    double drop = 0;
    double badCrc = 0;
    int exception = 0;
    double exceptions = 0; // fraction refused with an exception, not executed
    double late = 0;       // fraction answered 100 to 200 ms late
    bool echo = false;  // the line returns every request before the answer
    int holdMs = 0;     // answers handed over at the next multiple of this only
    long vanishAfter = 0; // 0: never
    double loseRequests = 0;    // fraction lost on the line before the device
    double corruptRequests = 0; // fraction corrupted on the line before the device
    bool lenientStopBits = false;
    bool verbose = false;
    std::string replayFile; // --replay: the recorded device of a session file
    bool loop = false;
    // Given on the command line: a replay keeps the recorded ones otherwise.
    bool idGiven = false, baudGiven = false, parityGiven = false, stopBitsGiven = false;
};

enum class ParseResult { Run, Help, Version, Error };

ParseResult parseOptions(int argc, char **argv, Options &options, std::string &error);
const char *helpText();
