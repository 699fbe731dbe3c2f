// The application object: its whole life is one modal run of the wizard.
#pragma once

#include "device/MonitorMemory.h"
#include "platform/SleepInhibitor.h"

class CTVXUpgradeApp {
public:
    CTVXUpgradeApp(MonitorMemory &memory, tvx::SleepInhibitor &inhibitor)
        : monitor(memory), sleepLock(inhibitor)
    {
    }

    // Runs the wizard dialog to its end; false, so the program then ends.
    bool InitInstance();

private:
    MonitorMemory &monitor;
    tvx::SleepInhibitor &sleepLock;
};
