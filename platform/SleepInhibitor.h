// Keeps the computer awake while a terminal is written: a suspend or shutdown
// in the middle of a download cuts the terminal off half written. The wizard
// holds the lock from the start confirmation to the end of the run.
#pragma once

#include <string>

namespace tvx {

class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;

    // Takes the lock, `why` being shown to the user who tries to suspend;
    // nothing when it is held already. False when no lock could be had: the
    // run goes on all the same.
    virtual bool Hold(const std::string &why) = 0;
    // Gives the lock back; nothing when it is not held.
    virtual void Release() = 0;
};

// Holds nothing: for dialogs with no session to keep awake.
SleepInhibitor &NoSleepInhibitor();

} // namespace tvx
