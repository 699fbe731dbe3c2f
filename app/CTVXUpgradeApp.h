// The application object: its whole life is one modal run of the wizard.
#pragma once

#include "MonitorMemory.h"

class CTVXUpgradeApp {
public:
    explicit CTVXUpgradeApp(MonitorMemory &monitor) : monitor(monitor) {}

    // Runs the wizard dialog to its end; false, so the program then ends.
    bool InitInstance();

private:
    MonitorMemory &monitor;
};
