// How the window looks on each wizard step.
#include <cstring>

#include "CTVXUpgradeDlg.h"
#include "DeviceId.h"
#include "UpgradeTexts.h"

namespace {

std::string PartName(const PackageEntry *part)
{
    return part ? std::string(part->name, strnlen(part->name, sizeof part->name)) : std::string();
}

} // namespace

void CTVXUpgradeDlg::ShowStep(WizardStep step)
{
    switch (step) {
    case StepSelectDevice: {
        window.SetControlText(stepGroup, localText(170));
        window.ShowControl(packageCombo, false);
        window.ShowControl(searchButton, false);
        window.ShowControl(deviceList, true);
        const int row = window.ListFirstSelectedRow(deviceList);
        if (row >= 0) {
            selectedDeviceNumber = row + 1;
            StoreDeviceId(selectedDeviceId, window.ListItemText(deviceList, row, 2));
        } else {
            selectedDeviceNumber = 0;
            std::memset(selectedDeviceId, 0, sizeof selectedDeviceId);
        }
        window.EnableControl(nextButton, row >= 0);
        window.ShowControl(hintText, row >= 0);
        return;
    }
    case StepSelectPackage: {
        window.SetControlText(stepGroup, localText(171));
        window.ShowControl(deviceList, false);
        window.ShowControl(backupCombo, false);
        window.ShowControl(backupCheck, false);
        window.ComboReset(packageCombo);
        window.ComboAddDirectory(packageCombo, "*.PPU");
        const int count = window.ComboCount(packageCombo);
        if (count > 0)
            window.ComboSetSelection(packageCombo, count - 1);
        window.ShowControl(packageCombo, true);
        window.ShowControl(searchButton, true);
        window.EnableControl(nextButton, true);
        if (threePartVersion != 1)
            ApplyIdentTextModelRule();
        return;
    }
    case StepNextPart:
        window.SetControlText(stepGroup, "");
        window.ShowControl(deviceList, false);
        window.ShowControl(backupCombo, false);
        window.ShowControl(backupCheck, false);
        window.EnableControl(nextButton, true);
        currentStep = StepSelectPackage;
        [[fallthrough]];
    case StepBackup:
        SetBusy(true);
        GetDFUAttributes(selectedDeviceId, 16, &dfuAttributes); // on failure the value stays as stored
        SetBusy(false);
        dfuAttributes &= TVXDFU_ATTR_CAN_UPLOAD;
        window.ShowControl(packageCombo, false);
        if (dfuAttributes != 0) {
            window.SetControlText(stepGroup, localText(173));
            window.ShowControl(searchButton, false);
            window.ShowControl(backupCheck, true);
            const bool wanted = window.CheckState(backupCheck) != tvx::BST_UNCHECKED;
            window.ShowControl(backupCombo, wanted);
            window.ShowControl(searchButton, wanted);
            if (!wanted)
                backupPath.clear();
            window.EnableControl(nextButton, true);
            return;
        }
        // A terminal that cannot upload has no backup step.
        backupPath.clear();
        window.EnableControl(nextButton, true);
        [[fallthrough]];
    case StepUpgrade: {
        PackageEntry *part =
            loadedPackage && loadedPackage->cursor ? loadedPackage->cursor->entry : nullptr;
        window.SetControlText(stepGroup, kUpgradeStartedCaption);
        window.ShowControl(searchButton, false);
        if (dfuAttributes != 0) {
            window.ShowControl(backupCheck, false);
            window.ShowControl(backupCombo, false);
        }
        upgradeStage = StageRunning;
        packagePath = PartName(part);
        window.SetControlText(downloadFileText, packagePath);
        ShowPartVersions(part);
        StartUpgrade(part);
        return;
    }
    case StepFinished:
        window.SetControlText(stepGroup, "");
        window.SetControlText(downloadFileText, "");
        window.SetControlText(statusText, "");
        window.SetControlText(uploadText, "");
        window.ShowControl(uploadText, false);
        window.SetControlText(downloadText, "");
        window.ShowControl(downloadText, false);
        if (const std::string after = window.ControlText(versionAfterText); !after.empty())
            window.SetControlText(versionBeforeText, after);
        window.SetControlText(versionAfterText, "");
        window.SetControlText(slashText, "");
        window.ShowControl(slashText, false);
        window.ShowControl(cancelButton, true);
        window.EnableControl(cancelButton, false);
        window.ShowControl(nextButton, true);
        window.ShowControl(hintText, false);
        window.ShowControl(finishButton, false);
        window.EnableControl(finishButton, false);
        window.ShowControl(statusText, false);
        window.SetProgressPosition(progressBar, 0);
        window.ShowControl(progressBar, false);
        return;
    }
}
