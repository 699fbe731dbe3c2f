// How the window looks on each wizard step.
#include <cstring>

#include "device/DeviceId.h"
#include "device/UpgradeTexts.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

void ShowDeviceStep(CTVXUpgradeDlg &dialog)
{
    // Changes: terminal.
    tvx::DialogWindow &window = dialog.window;
    window.SetControlText(CTVXUpgradeDlg::stepGroup, dialog.localText(170));
    window.ShowControl(CTVXUpgradeDlg::packageCombo, false);
    window.ShowControl(CTVXUpgradeDlg::searchButton, false);
    window.ShowControl(CTVXUpgradeDlg::deviceList, true);
    const int row = window.ListFirstSelectedRow(CTVXUpgradeDlg::deviceList);
    if (row >= 0) {
        dialog.terminal.selectedDeviceNumber = row + 1;
        StoreDeviceId(dialog.terminal.selectedDeviceId,
                      window.ListItemText(CTVXUpgradeDlg::deviceList, row, 2));
    } else {
        dialog.terminal.selectedDeviceNumber = 0;
        std::memset(dialog.terminal.selectedDeviceId, 0, sizeof dialog.terminal.selectedDeviceId);
    }
    window.EnableControl(CTVXUpgradeDlg::nextButton, row >= 0);
    window.ShowControl(CTVXUpgradeDlg::hintText, row >= 0);
}

void ShowPackageStep(CTVXUpgradeDlg &dialog)
{
    tvx::DialogWindow &window = dialog.window;
    window.SetControlText(CTVXUpgradeDlg::stepGroup, dialog.localText(171));
    window.ShowControl(CTVXUpgradeDlg::deviceList, false);
    window.ShowControl(CTVXUpgradeDlg::backupCombo, false);
    window.ShowControl(CTVXUpgradeDlg::backupCheck, false);
    window.ComboReset(CTVXUpgradeDlg::packageCombo);
    window.ComboAddDirectory(CTVXUpgradeDlg::packageCombo, "*.PPU");
    const int count = window.ComboCount(CTVXUpgradeDlg::packageCombo);
    if (count > 0)
        window.ComboSetSelection(CTVXUpgradeDlg::packageCombo, count - 1);
    window.ShowControl(CTVXUpgradeDlg::packageCombo, true);
    window.ShowControl(CTVXUpgradeDlg::searchButton, true);
    window.EnableControl(CTVXUpgradeDlg::nextButton, true);
    if (dialog.terminal.threePartVersion != 1)
        dialog.ApplyIdentTextModelRule();
}

// The window between two parts: cleared, with Next available.
void ClearForNextPart(CTVXUpgradeDlg &dialog)
{
    // Changes: currentStep.
    tvx::DialogWindow &window = dialog.window;
    window.SetControlText(CTVXUpgradeDlg::stepGroup, "");
    window.ShowControl(CTVXUpgradeDlg::deviceList, false);
    window.ShowControl(CTVXUpgradeDlg::backupCombo, false);
    window.ShowControl(CTVXUpgradeDlg::backupCheck, false);
    window.EnableControl(CTVXUpgradeDlg::nextButton, true);
    dialog.currentStep = StepSelectPackage;
}

// Offers the backup when the terminal can read its firmware back. False when
// it cannot: there is no backup step then and the upgrade follows at once.
bool ShowBackupStep(CTVXUpgradeDlg &dialog)
{
    // Changes: terminal, package.
    tvx::DialogWindow &window = dialog.window;
    dialog.SetBusy(true);
    GetDFUAttributes(dialog.terminal.selectedDeviceId, 16,
                     &dialog.terminal.dfuAttributes); // a failure keeps what was stored
    dialog.SetBusy(false);
    dialog.terminal.dfuAttributes &= TVXDFU_ATTR_CAN_UPLOAD;
    window.ShowControl(CTVXUpgradeDlg::packageCombo, false);
    window.EnableControl(CTVXUpgradeDlg::nextButton, true);
    if (dialog.terminal.dfuAttributes == 0) {
        dialog.package.backupPath.clear();
        return false;
    }
    window.SetControlText(CTVXUpgradeDlg::stepGroup, dialog.localText(173));
    window.ShowControl(CTVXUpgradeDlg::backupCheck, true);
    const bool wanted = window.CheckState(CTVXUpgradeDlg::backupCheck) != tvx::BST_UNCHECKED;
    window.ShowControl(CTVXUpgradeDlg::backupCombo, wanted);
    window.ShowControl(CTVXUpgradeDlg::searchButton, wanted);
    if (!wanted)
        dialog.package.backupPath.clear();
    return true;
}

std::string PartName(const PackageEntry *part)
{
    return part ? std::string(part->name, strnlen(part->name, sizeof part->name)) : std::string();
}

// Lays out the upgrade of the part at the package's cursor and starts it.
void ShowUpgradeStep(CTVXUpgradeDlg &dialog)
{
    // Changes: package, run.
    tvx::DialogWindow &window = dialog.window;
    PackageRecord *record = dialog.package.loadedPackage;
    PackageEntry *part = record && record->cursor ? record->cursor->entry : nullptr;
    window.SetControlText(CTVXUpgradeDlg::stepGroup, kUpgradeStartedCaption);
    window.ShowControl(CTVXUpgradeDlg::searchButton, false);
    if (dialog.terminal.dfuAttributes != 0) {
        window.ShowControl(CTVXUpgradeDlg::backupCheck, false);
        window.ShowControl(CTVXUpgradeDlg::backupCombo, false);
    }
    dialog.run.upgradeStage = StageRunning;
    dialog.package.packagePath = PartName(part);
    window.SetControlText(CTVXUpgradeDlg::downloadFileText, dialog.package.packagePath);
    dialog.ShowPartVersions(part);
    dialog.StartUpgrade(part);
}

// A batch file's turn: loaded as the package, then written. A backup is
// offered only before the first file, so later files cannot replace it.
void ShowBatchFileStep(CTVXUpgradeDlg &dialog)
{
    // Changes: package, currentStep.
    if (!dialog.BeginBatchFile())
        return;
    if (dialog.batch.batchFileIndex > 0) {
        dialog.package.backupPath.clear();
        ShowUpgradeStep(dialog);
        return;
    }
    if (ShowBackupStep(dialog)) {
        dialog.currentStep = StepBackup; // Next there starts the upgrade
        return;
    }
    ShowUpgradeStep(dialog);
}

void ShowFinishedStep(CTVXUpgradeDlg &dialog)
{
    tvx::DialogWindow &window = dialog.window;
    dialog.AdvanceBatch();
    window.SetControlText(CTVXUpgradeDlg::stepGroup, "");
    window.SetControlText(CTVXUpgradeDlg::downloadFileText, "");
    window.SetControlText(CTVXUpgradeDlg::statusText, "");
    window.SetControlText(CTVXUpgradeDlg::uploadText, "");
    window.ShowControl(CTVXUpgradeDlg::uploadText, false);
    window.SetControlText(CTVXUpgradeDlg::downloadText, "");
    window.ShowControl(CTVXUpgradeDlg::downloadText, false);
    const std::string after = window.ControlText(CTVXUpgradeDlg::versionAfterText);
    if (!after.empty())
        window.SetControlText(CTVXUpgradeDlg::versionBeforeText, after);
    window.SetControlText(CTVXUpgradeDlg::versionAfterText, "");
    window.SetControlText(CTVXUpgradeDlg::slashText, "");
    window.ShowControl(CTVXUpgradeDlg::slashText, false);
    window.ShowControl(CTVXUpgradeDlg::cancelButton, true);
    window.EnableControl(CTVXUpgradeDlg::cancelButton, false);
    window.ShowControl(CTVXUpgradeDlg::nextButton, true);
    window.ShowControl(CTVXUpgradeDlg::hintText, false);
    window.ShowControl(CTVXUpgradeDlg::finishButton, false);
    window.EnableControl(CTVXUpgradeDlg::finishButton, false);
    window.ShowControl(CTVXUpgradeDlg::statusText, false);
    window.SetProgressPosition(CTVXUpgradeDlg::progressBar, 0);
    window.ShowControl(CTVXUpgradeDlg::progressBar, false);
}

} // namespace

void CTVXUpgradeDlg::ShowStep(WizardStep step)
{
    // Changes: package.
    switch (step) {
    case StepSelectDevice:
        ShowDeviceStep(*this);
        return;
    case StepSelectPackage:
        ShowPackageStep(*this);
        return;
    case StepNextPart:
        ClearForNextPart(*this);
        // A further part of the loaded package goes on without the backup
        // step: the backup was read before the first part and must not be
        // replaced, and Next there would load the package from its first
        // part again.
        if (package.partsRemaining > 0) {
            package.backupPath.clear();
            ShowUpgradeStep(*this);
            return;
        }
        if (batch.batchCount > 0) {
            ShowBatchFileStep(*this);
            return;
        }
        if (!ShowBackupStep(*this))
            ShowUpgradeStep(*this);
        return;
    case StepBackup:
        if (!ShowBackupStep(*this))
            ShowUpgradeStep(*this);
        return;
    case StepUpgrade:
        ShowUpgradeStep(*this);
        return;
    case StepFinished:
        ShowFinishedStep(*this);
        return;
    }
}
