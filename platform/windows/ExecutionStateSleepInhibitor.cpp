#include "platform/windows/ExecutionStateSleepInhibitor.h"

#include <windows.h>

namespace tvx {

ExecutionStateSleepInhibitor::ExecutionStateSleepInhibitor(SetState setState)
    : setState_(setState ? setState : ::SetThreadExecutionState)
{
}

ExecutionStateSleepInhibitor::~ExecutionStateSleepInhibitor()
{
    Release();
}

// Windows has no place for the reason here.
bool ExecutionStateSleepInhibitor::Hold(const std::string &)
{
    if (!held_)
        held_ = setState_(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0;
    return held_;
}

void ExecutionStateSleepInhibitor::Release()
{
    if (!held_)
        return;
    // Continuous alone: the thread no longer asks for anything.
    setState_(ES_CONTINUOUS);
    held_ = false;
}

} // namespace tvx
