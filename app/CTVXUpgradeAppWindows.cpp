// The application object on Windows: the wizard on native controls.
#include "app/CTVXUpgradeApp.h"

#include <cstdlib>

#include "platform/windows/SessionEndGuard.h"
#include "platform/windows/Win32DialogWindow.h"
#include "res/Resources.h"
#include "wizard/CTVXUpgradeDlg.h"

bool CTVXUpgradeApp::InitInstance()
{
    // A top-level window of its own, shown in the task bar.
    auto window = tvx::Win32DialogWindow::FromTemplate(tvx::kWizardTemplateId);
    if (!window)
        return false;
    // Real terminals come and go as the system tells the window; simulated
    // ones are announced by the simulated bus watcher. The device library
    // chooses the simulator by the same variable.
    if (!std::getenv("TVX_SIMULATOR"))
        window->ReceiveDeviceChanges();
    tvx::SessionEndGuard sessionEndGuard(sleepLock, *window);
    CTVXUpgradeDlg dialog(*window, monitor, sessionEndGuard);
    dialog.DoModal();
    return false;
}
