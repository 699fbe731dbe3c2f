// The Next and Back buttons and the buttons offered when a run ends.
#include "wizard/CTVXUpgradeDlg.h"

#include "platform/PathName.h"
#include "versions/TextFormat.h"
#include "wizard/BatchRun.h"
#include "wizard/PackageLoading.h"
#include "wizard/PartLabels.h"

namespace {

// Caption of the box for a missing package choice; the same in every language.
constexpr const char *kNoPackageCaption = "VORN 470 M online Firmware-Update";

// Next on the package step: load the chosen file, check it against the
// terminal and go on to the backup step. Every refusal shows the package
// step again.
void AcceptPackageStep(CTVXUpgradeDlg &dialog)
{
    // Changes: package, currentStep.
    tvx::DialogWindow &window = dialog.window;
    const int selection = window.ComboSelection(CTVXUpgradeDlg::packageCombo);
    if (selection >= 0) {
        dialog.package.packagePath = window.ComboItemText(CTVXUpgradeDlg::packageCombo, selection);
        window.SetControlText(CTVXUpgradeDlg::downloadFileText,
                              std::string(tvx::FileNameOfPath(dialog.package.packagePath)));
    }
    if (dialog.package.packagePath.empty()) {
        window.MessageBox(dialog.localText(160), kNoPackageCaption, tvx::MB_ICONERROR);
        dialog.ShowStep(StepSelectPackage);
        return;
    }

    const PackageLoad result = LoadPackageForTerminal(dialog);
    if (result != PackageLoad::Loaded) {
        ShowPackageRefusal(dialog, result);
        dialog.ShowStep(StepSelectPackage);
        return;
    }
    if (!IdentifyFirstPart(dialog)) {
        dialog.localMessageBox(160, tvx::MB_ICONERROR | tvx::MB_OKCANCEL); // either answer goes on
        dialog.package.currentPart = nullptr;
    }
    window.SetControlText(
        CTVXUpgradeDlg::partCounterText,
        Format("(1/%d)", static_cast<int>(dialog.batch.batchCount + dialog.package.partCount)));
    dialog.currentStep = StepBackup;
    dialog.ShowStep(StepBackup);
}

} // namespace

void CTVXUpgradeDlg::OnNextClicked()
{
    // Changes: currentStep.
    window.FocusControl(cancelButton);
    window.EnableControl(nextButton, false);

    switch (currentStep) {
    case StepSelectPackage:
        AcceptPackageStep(*this);
        return;
    case StepBackup:
        if (window.CheckState(backupCheck) != tvx::BST_UNCHECKED && package.backupPath.empty()) {
            localMessageBox(161, tvx::MB_ICONERROR);
            ShowStep(StepBackup);
            return;
        }
        currentStep = StepUpgrade;
        ShowStep(currentStep);
        return;
    case StepNextPart:
        ShowStep(StepNextPart);
        // As between parts: a three-part terminal keeps the versions the
        // part's header states, not the BCD ones of the batch file.
        if (terminal.threePartVersion != 1)
            ShowPartLabels(NextPartNumber());
        return;
    case StepFinished:
        ShowStep(StepFinished);
        currentStep = StepNextPart;
        ShowStep(StepNextPart);
        if (terminal.threePartVersion != 1)
            ShowPartLabels(NextPartNumber());
        return;
    default:
        currentStep = static_cast<WizardStep>(currentStep + 1);
        ShowStep(currentStep);
        return;
    }
}

void CTVXUpgradeDlg::OnBackClicked()
{
    // Changes: currentStep.
    // The button is never shown; the first step has nothing before it.
    if (currentStep == StepSelectDevice)
        return;
    currentStep = static_cast<WizardStep>(currentStep - 1);
    ShowStep(currentStep);
}

void CTVXUpgradeDlg::ShowClosingButtons(int failed)
{
    std::string hint;
    if (failed != 0) {       // callers may pass the run's status
        sleepLock.Release(); // the run is over
        hint = localText(192);
        window.EnableControl(finishButton, false);
        window.ShowControl(finishButton, false);
        window.EnableControl(cancelButton, true);
        window.ShowControl(cancelButton, true);
        window.FocusControl(cancelButton);
        if (batch.batchCount > 0)
            NameFailedBatchFile(*this);
    } else {
        if (package.partsRemaining + batch.batchRemaining != 0) {
            OnNextClicked(); // the next part starts without a click
            return;
        }
        sleepLock.Release(); // the run is over
        hint = localText(99);
        window.EnableControl(finishButton, true);
        window.ShowControl(finishButton, true);
        window.FocusControl(finishButton);
        window.ShowControl(cancelButton, false);
    }
    window.SetControlText(hintText, hint);
    window.ShowControl(hintText, true);
}

void CTVXUpgradeDlg::OfferRemainingParts()
{
    // Changes: run.
    run.startConfirmed = 0; // Next asks both confirmations again
    window.EnableControl(finishButton, false);
    window.ShowControl(finishButton, false);
    window.EnableControl(cancelButton, true);
    window.ShowControl(cancelButton, true);
    window.EnableControl(nextButton, true);
    window.ShowControl(nextButton, true);
    window.FocusControl(nextButton);
    window.SetControlText(hintText, localText(183));
    window.ShowControl(hintText, true);
}
