// Program entry: the toolkit, the source of device events, then the wizard.
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/CTVXUpgradeApp.h"
#include "app/InformationOptions.h"
#include "device/MonitorMemory.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "package/VerifyKeyFingerprint.h"
#include "platform/Language.h"
#include "platform/ProgramMain.h"
#include "platform/SimulatedBusWatcher.h"
#include "platform/StopSignals.h"
#include "platform/qt/LogindSleepInhibitor.h"
#include "platform/qt/QuitOnStopSignal.h"
#include "platform/qt/StockTranslations.h"
#include "platform/qt/UdevMonitor.h"

namespace {

// Simulated terminals have no hot-plug source: their list is compared this
// often, fast enough for a terminal's restart to be seen promptly.
constexpr int kSimulatedBusPollMs = 200;

int Run(int argc, char **argv)
{
    if (AnswerInformationOption(argc, argv, std::cout))
        return EXIT_SUCCESS;
    // Before anything is printed, so that a signal seen after the first
    // line ends the program the normal way.
    tvx::StopSignals stopSignals;
    // Which key this build trusts, so that a build with the development key
    // is seen for what it is wherever it runs.
    std::fprintf(stderr, "TVXUpgrade " TVX_VERSION ", %s\n", VerifyKeyDescription().c_str());
    QApplication application(argc, argv);
    tvx::QuitOnStopSignal quitOnStopSignal(stopSignals, "TVXUpgrade");
    // Qt's own buttons and file dialogs speak the language of the string table.
    const auto stockTranslations = tvx::InstallStockTranslations(tvx::GetSystemDefaultLangID());

    // What the progress monitor remembers lives for the whole run.
    MonitorMemory monitor;

    // The device library chooses the simulator by the same variable.
    std::unique_ptr<tvx::SimulatedBusWatcher> simulatedBus;
    std::unique_ptr<tvx::UdevMonitor> udevMonitor;
    QTimer busPoll;
    if (std::getenv("TVX_SIMULATOR")) {
        simulatedBus = std::make_unique<tvx::SimulatedBusWatcher>(ListVORNDevices);
        simulatedBus->Poll();
        QObject::connect(&busPoll, &QTimer::timeout, [&simulatedBus] { simulatedBus->Poll(); });
        busPoll.start(kSimulatedBusPollMs);
    } else {
        udevMonitor = std::make_unique<tvx::UdevMonitor>();
    }

    tvx::LogindSleepInhibitor sleepLock;
    CTVXUpgradeApp app(monitor, sleepLock);
    app.InitInstance();
    // The library's teardown (ABORT to a terminal mid-download) runs as
    // main returns, then the shell sees how the program was stopped.
    return stopSignals.Received() ? stopSignals.ExitStatus() : EXIT_SUCCESS;
}

} // namespace

int main(int argc, char **argv)
{
    return tvx::RunProgram("TVXUpgrade", [&] { return Run(argc, argv); });
}
