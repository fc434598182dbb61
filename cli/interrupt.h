#pragma once

#include <atomic>

// SIGINT, SIGTERM and SIGHUP do not end grivantctl where they find it: a restore cut off
// between two writes would leave the device half written and nobody told. A signal only
// raises a flag; the request on the wire is finished, nothing more is sent (the blocking
// client checks the flag before every request), and the command reports what it did. A
// second signal ends the program at once.
namespace Interrupt {

void install();
const std::atomic_bool *flag();
bool requested();
// The signal that raised the flag, 0 while none did.
int signalNumber();
// "SIGINT" and the like.
const char *signalName();

} // namespace Interrupt
