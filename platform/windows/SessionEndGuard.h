// The sleep lock of the Windows wizard: besides the lock it wraps, the end
// of the session is refused while it is held, with the same reason, since
// Windows asks the window before it logs off or shuts down.
#pragma once

#include <string>

#include "platform/SleepInhibitor.h"
#include "platform/windows/Win32DialogWindow.h"

namespace tvx {

class SessionEndGuard final : public SleepInhibitor {
public:
    SessionEndGuard(SleepInhibitor &sleepLock, Win32DialogWindow &window)
        : sleepLock_(sleepLock), window_(window)
    {
    }

    bool Hold(const std::string &why) override;
    void Release() override;

private:
    SleepInhibitor &sleepLock_;
    Win32DialogWindow &window_;
};

} // namespace tvx
