// Turns the result of an upgrade start into what the user sees and the
// wizard's next step.
#include "wizard/CTVXUpgradeDlg.h"

#include "device/UpgradeTexts.h"

namespace {

// Library and check codes that are told with a string-table text and leave
// the wizard on the upgrade step.
struct CodeText {
    UpgradeResult code;
    unsigned textId;
};

constexpr CodeText kStayOnUpgradeStep[] = {
    {UPG_HOST_ERROR, 152},    {UPG_OUT_OF_MEMORY, 153}, {UPG_NO_DEVICE, 154},
    {UPG_NO_DESCRIPTOR, 144}, {UPG_NO_DOWNLOAD, 145},   {UPG_CRC_MISMATCH, 150},
};

constexpr unsigned kUnknownErrorText = 151;

} // namespace

void CTVXUpgradeDlg::ReportUpgradeResult(UpgradeResult code, PartNode *node)
{
    // Changes: package, run, currentStep.
    if (code == 0) {
        if (!window.IsControlVisible(statusText))
            window.ShowControl(statusText, true);
        if (window.ControlText(statusText).empty())
            window.SetControlText(statusText, localText(162));
        const int counter = package.backupPath.empty() ? downloadText : uploadText;
        if (!window.IsControlVisible(counter))
            window.ShowControl(counter, true);
        window.SetControlText(counter, package.backupPath.empty() ? "Download: 0 %" : "Upload: 0 byte");
        if (!window.IsControlVisible(slashText))
            window.ShowControl(slashText, true);
        window.SetControlText(slashText, "");
        run.progressTimerId = window.SetTimer(ProgressTimer, kProgressPeriodMs);
        OnSpinnerTimer(true);
        run.spinnerTimerId = window.SetTimer(SpinnerTimer, kSpinnerPeriodMs);
        return;
    }
    if (code == UPG_RESTART_WITH_PART) {
        if (package.loadedPackage)
            package.loadedPackage->cursor = node;
        currentStep = StepUpgrade;
        ShowStep(StepUpgrade);
        return;
    }

    ResetAfterError();
    // Failures that send the wizard back to an earlier step.
    auto returnTo = [this](WizardStep step, bool hideStatus) {
        if (batch.batchCount > 0) // a batch stops where it failed, below
            return;
        window.EnableControl(nextButton, true);
        if (hideStatus && window.IsControlVisible(statusText))
            window.ShowControl(statusText, false);
        run.upgradeStage = StageIdle;
        currentStep = step;
        ShowStep(step);
    };

    switch (code) {
    case UPG_VENDOR_MISMATCH:
        localMessageBox(155, tvx::MB_ICONERROR);
        returnTo(StepSelectPackage, false);
        break;
    case UPG_PRODUCT_MISMATCH:
        ShowProductMismatchBox();
        break;
    case UPG_CONNECT_FAILED:
        localMessageBox(143, tvx::MB_ICONERROR);
        returnTo(StepSelectDevice, true);
        break;
    case UPG_NO_UPLOAD:
        localMessageBox(146, tvx::MB_ICONERROR);
        returnTo(StepBackup, true);
        break;
    case UPG_DEVICE_REMOVED:
        localMessageBox(147, tvx::MB_ICONERROR);
        returnTo(StepSelectDevice, false);
        break;
    case UPG_LOADER_MISMATCH:
        localMessageBox(terminal.deviceInDfuMode == 1 ? 137 : 148, tvx::MB_ICONERROR);
        window.SetControlText(hintText, localText(100));
        window.ShowControl(hintText, true);
        break;
    case UPG_VERSION_NOT_SUPPORTED:
        ShowVersionRefusedBox();
        break;
    case UPG_BAD_CATALOG_VERSION:
        window.MessageBox(ByLanguage("Bad catalog version", "Nicht unterstützte Katalog-Version",
                                     "La version du catalogue est incorrecte"),
                          kApplicationName, tvx::MB_OK);
        break;
    case UPG_BAD_FIRMWARE_FORMAT:
        window.MessageBox(ByLanguage("Unexpected firmware format", "Unerwartetes Firmware-Format",
                                     "Format de firmware inattendu"),
                          kApplicationName, tvx::MB_OK);
        break;
    case UPG_USER_CANCELLED:
        CancelWithMessage(1);
        break;
    default: {
        unsigned textId = kUnknownErrorText;
        for (const CodeText &entry : kStayOnUpgradeStep)
            if (entry.code == code)
                textId = entry.textId;
        localMessageBox(textId, tvx::MB_ICONERROR);
        break;
    }
    }
    window.EnableControl(cancelButton, true);
    if (batch.batchCount > 0)
        StopBatch();
}

void CTVXUpgradeDlg::ResetAfterError()
{
    // Changes: run.
    run.loaderStageNeeded = 0;
    run.startConfirmed = 0;
    sleepLock.Release();
    window.SetControlText(stepGroup, kUpgradeStartedCaption);
    window.SetControlText(statusText, kFirmwareFailedText);
    window.SetControlText(hintText, localText(100));
    window.ShowControl(hintText, true);
    SetBusy(false);
}
