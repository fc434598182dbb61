// Command line of the device simulator.
#pragma once

#include "device.h"

#include <string>

struct Options
{
    DeviceConfig device;
    std::string link;
    std::string stateFile;
    double speedup = 1.0;
    bool wireTime = false;
    double drop = 0;
    double badCrc = 0;
    int exception = 0;
    double exceptions = 0; // fraction refused with an exception, not executed
    double late = 0;       // fraction answered 100 to 200 ms late
    int delayMs = 0;
    long vanishAfter = 0; // 0: never
    bool lenientStopBits = false;
    bool verbose = false;
    std::string replayFile; // --replay: the recorded device of a session file
    bool loop = false;
};

enum class ParseResult { Run, Help, Error };

ParseResult parseOptions(int argc, char **argv, Options &options, std::string &error);
const char *helpText();
