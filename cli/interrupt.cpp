#include "cli/interrupt.h"

#include <QtGlobal>

#include <csignal>

namespace Interrupt {

namespace {

std::atomic_bool g_requested{false};
std::atomic_int g_signal{0};
static_assert(std::atomic_bool::is_always_lock_free && std::atomic_int::is_always_lock_free,
              "set from a signal handler");

void onSignal(int signo)
{
    g_signal.store(signo);
    g_requested.store(true);
}

} // namespace

void install()
{
#ifdef Q_OS_UNIX
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume (Qt's waits retry on their own); the handler is
    // reset after the first signal, so that a second one ends the program.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signo : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signo, &action, nullptr);
    // A closed pipe on stdout is reported as a failed write, not by ending the program.
    std::signal(SIGPIPE, SIG_IGN);
#else
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#endif
}

const std::atomic_bool *flag()
{
    return &g_requested;
}

bool requested()
{
    return g_requested.load();
}

int signalNumber()
{
    return g_signal.load();
}

const char *signalName()
{
    switch (g_signal.load()) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
#ifdef SIGHUP
    case SIGHUP: return "SIGHUP";
#endif
    default: return "a signal";
    }
}

} // namespace Interrupt
