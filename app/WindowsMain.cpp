// Program entry on Windows: the arguments as UTF-8, the sleep lock, the
// simulated bus watcher when terminals are simulated, then the wizard.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/CTVXUpgradeApp.h"
#include "app/InformationOptions.h"
#include "device/MonitorMemory.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "platform/ProgramArguments.h"
#include "platform/ProgramMain.h"
#include "platform/SimulatedBusWatcher.h"
#include "platform/windows/ExecutionStateSleepInhibitor.h"

// After the project's headers, whose constants its macros would rename.
#include <windows.h>

namespace {

// Simulated terminals have no hot-plug source: their list is compared this
// often, fast enough for a terminal's restart to be seen promptly.
constexpr UINT kSimulatedBusPollMs = 200;

tvx::SimulatedBusWatcher *simulatedBus = nullptr;

// A window program has no console: --help and --version write to the one it
// was started from, unless the output goes elsewhere already.
void WriteToParentConsole()
{
    if (GetStdHandle(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

int Run()
{
    // The C runtime's split of the command line, read again in UTF-8.
    tvx::ProgramArguments arguments(__argc, __argv);
    WriteToParentConsole();
    if (AnswerInformationOption(arguments.Count(), arguments.Values(), std::cout))
        return EXIT_SUCCESS;

    // What the progress monitor remembers lives for the whole run.
    MonitorMemory monitor;

    std::unique_ptr<tvx::SimulatedBusWatcher> watcher;
    UINT_PTR busPoll = 0;
    if (std::getenv("TVX_SIMULATOR")) {
        watcher = std::make_unique<tvx::SimulatedBusWatcher>(ListVORNDevices);
        watcher->Poll();
        simulatedBus = watcher.get();
        // A timer of the thread: the dialog's loops dispatch it like the dialog's own.
        busPoll = SetTimer(nullptr, 0, kSimulatedBusPollMs,
                           [](HWND, UINT, UINT_PTR, DWORD) { simulatedBus->Poll(); });
    }

    tvx::ExecutionStateSleepInhibitor sleepLock;
    CTVXUpgradeApp app(monitor, sleepLock);
    app.InitInstance();
    if (busPoll)
        KillTimer(nullptr, busPoll);
    simulatedBus = nullptr;
    return EXIT_SUCCESS;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return tvx::RunProgram("TVXUpgrade", Run);
}
