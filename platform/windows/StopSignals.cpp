#include "platform/StopSignals.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <ostream>

namespace tvx {
namespace {

// The signal an event stands for, so that the program's exit status is the
// one it has on Linux.
int SignalOf(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return SIGINT;
    case CTRL_BREAK_EVENT:
        return SIGBREAK;
    default:
        return SIGTERM;
    }
}

std::atomic<int> gReceived{0};
std::atomic<DWORD> gEvent{0};

// Windows calls it on a thread of its own.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    int none = 0;
    if (!gReceived.compare_exchange_strong(none, SignalOf(event))) {
        // Asked again while tearing down: ends now, with the status Windows'
        // own handler gives (Wine's gives 0, which would read as success).
        // Terminated, so that no exit handler runs beside the teardown.
        ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    }
    gEvent = event;
    // Windows ends the process as soon as the handler returns from these
    // three (or after about five seconds): the handler waits instead, and
    // the process ends when the program has torn down and exits.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

const char *EventName(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return "Ctrl+C";
    case CTRL_BREAK_EVENT:
        return "Ctrl+Break";
    case CTRL_CLOSE_EVENT:
        return "the console closing";
    case CTRL_LOGOFF_EVENT:
        return "the user logging off";
    default:
        return "the shutdown";
    }
}

} // namespace

// A Ctrl+C ignored when the program starts (started in a process group of
// its own, or by a parent that asked so) reaches no handler, so it stays
// ignored here too.
StopSignals::StopSignals()
{
    gReceived = 0;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

int StopSignals::Received() const
{
    return gReceived.load();
}

int StopSignals::WakeDescriptor() const
{
    return -1;
}

void StopSignals::Drain() const {}

void StopSignals::Report(std::ostream &err, const char *program) const
{
    err << program << ": stopped by " << EventName(gEvent.load()) << "\n";
}

} // namespace tvx
