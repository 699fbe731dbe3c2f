// SIGTERM (logout, a service manager), SIGINT (Ctrl-C) and SIGHUP (the
// terminal closed) ask the program to end the normal way, so that the device
// library's teardown runs: a terminal in the middle of a download gets ABORT
// instead of being left there. The handler only takes note and wakes the
// program through a pipe; a second signal while it tears down ends it at once.
// On Windows the console's events do the same (windows/StopSignals.cpp):
// Ctrl+C counts as SIGINT, Ctrl+Break as SIGBREAK, the console closing, the
// user logging off and the shutdown as SIGTERM.
#pragma once

#include <iosfwd>

namespace tvx {

// One at a time in a process: installs the handlers for its life and puts
// back the ones it found; a signal ignored when it starts stays ignored.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The signal that arrived first, 0 while none has.
    int Received() const;
    // Readable once a signal has arrived (for an event loop to watch); -1 on
    // Windows, where a window hears of the end of the session by messages.
    int WakeDescriptor() const;
    // Empties the pipe after a wake-up.
    void Drain() const;
    // The shell's status of a program ended by the signal received: 128 + N.
    int ExitStatus() const { return 128 + Received(); }
    // Writes "<program>: stopped by SIGTERM" (or the signal or console
    // event received) as one line.
    void Report(std::ostream &err, const char *program) const;
};

} // namespace tvx
