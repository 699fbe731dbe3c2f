// Keeps Windows from falling asleep while a terminal is written, through the
// execution state of the calling thread: Windows sleeps when idle only once
// no thread asks it to stay up. The state belongs to the thread, so Hold and
// Release are called by one that lives across the write (the dialog's). A
// sleep or shutdown the user chooses is not held off by it; the reason
// shown to the user is the dialog's answer to the end of the session.
#pragma once

#include <string>

#include "platform/SleepInhibitor.h"

namespace tvx {

class ExecutionStateSleepInhibitor final : public SleepInhibitor {
public:
    // SetThreadExecutionState's form (one calling convention on x64): takes
    // the new state, gives the previous one, 0 on failure.
    using SetState = unsigned long (*)(unsigned long);

    // `setState` stands in for the system call in tests.
    explicit ExecutionStateSleepInhibitor(SetState setState = nullptr);
    ~ExecutionStateSleepInhibitor() override;
    ExecutionStateSleepInhibitor(const ExecutionStateSleepInhibitor &) = delete;
    ExecutionStateSleepInhibitor &operator=(const ExecutionStateSleepInhibitor &) = delete;

    bool Hold(const std::string &why) override;
    void Release() override;

private:
    SetState setState_;
    bool held_ = false;
};

} // namespace tvx
