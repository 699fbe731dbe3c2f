#include "app/CTVXUpgradeApp.h"

#include "platform/qt/QtDialogWindow.h"
#include "res/Resources.h"
#include "wizard/CTVXUpgradeDlg.h"

bool CTVXUpgradeApp::InitInstance()
{
    // A top-level window of its own, shown in the task bar.
    if (auto window = tvx::QtDialogWindow::FromTemplate(tvx::kWizardTemplateId)) {
        CTVXUpgradeDlg dialog(*window, monitor, sleepLock);
        dialog.DoModal();
    }
    return false;
}
