// Runs the real wizard dialog on the scripted window and the simulator in
// virtual time, one script command at a time, and writes the transcript as
// JSON lines: every message box, the About box, and the state on request.
// On real USB terminals the window's clock keeps pace with the wall clock
// instead, and device events come from the caller's event source.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "device/MonitorMemory.h"
#include "platform/ScriptedWindow.h"
#include "platform/SimulatedBusWatcher.h"
#include "platform/SleepInhibitor.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace tvx::drive {

// One script line: a command and its argument, times in milliseconds.
struct Command {
    std::string name; // empty for a blank line or a comment
    std::string argument;
    long long number = 0; // the argument as a whole number, when it is one
    bool numeric = false;
    uint64_t ms = 0; // wait, wait-idle
};

// False with a reason when the line is not a command of the script language.
bool ParseCommand(const std::string &line, Command *command, std::string *error);

// Delivers the device events that have arrived (on the caller's thread).
using EventPump = std::function<void()>;

class Driver {
public:
    // The scenario must already be in use (see tvxdfu::sim::UseScenario).
    // The wizard holds sleepLock while it writes a terminal.
    explicit Driver(std::ostream &out, SleepInhibitor &sleepLock = NoSleepInhibitor());
    // For the device library's USB backend: each step of the window's clock
    // waits for the wall clock to catch up, then runs `pump`.
    Driver(std::ostream &out, EventPump pump, SleepInhibitor &sleepLock = NoSleepInhibitor());
    ~Driver();
    Driver(const Driver &) = delete;
    Driver &operator=(const Driver &) = delete;

    // Runs one parsed line. Commands after the dialog has ended do nothing,
    // except "state".
    void Run(const Command &command);
    // Opens the dialog when no command has done so yet, then writes the
    // final state.
    void Finish();
    // Time stops passing once `stopped` says so (a stop signal arrived):
    // waits end early, so that the caller can end the program.
    void StopWhen(std::function<bool()> stopped) { stopped_ = std::move(stopped); }
    bool Stopped() const { return stopped_ && stopped_(); }

    ScriptedWindow &Window() { return window_; }
    CTVXUpgradeDlg &Dialog() { return *dialog_; }
    bool Ended() const { return window_.IsEnded(); }
    // Commands whose action the wizard did not take (a disabled button, a
    // row that is not there), each reported as {"refused": ...}.
    int Refusals() const { return refusals_; }

private:
    void Open();
    void Step(uint64_t nowMs);
    void Advance(uint64_t ms);
    bool WaitingForPerson() const;
    void WaitIdle(uint64_t limitMs);
    void FlushBoxes();
    void WriteState();

    std::ostream &out_;
    SleepInhibitor &sleepLock_;
    ScriptedWindow window_;
    MonitorMemory monitor_;
    std::unique_ptr<CTVXUpgradeDlg> dialog_;
    SimulatedBusWatcher watcher_;
    EventPump pump_; // set: real time and real device events
    std::function<bool()> stopped_;
    std::chrono::steady_clock::time_point start_;
    bool opened_ = false;
    std::size_t boxesWritten_ = 0;
    std::size_t aboutBoxesWritten_ = 0;
    int refusals_ = 0;
};

} // namespace tvx::drive
