#include "wizard/BatchRun.h"

#include "platform/PathName.h"
#include "versions/TextFormat.h"
#include "wizard/CTVXUpgradeDlg.h"
#include "wizard/PackageLoading.h"

void SelectBatchFile(CTVXUpgradeDlg &dialog, uint32_t index)
{
    // Changes: package.
    tvx::DialogWindow &window = dialog.window;
    const int entry = static_cast<int>(dialog.batch.batchListIndex[index]);
    window.ComboSetSelection(CTVXUpgradeDlg::packageCombo, entry);
    dialog.package.packagePath = window.ComboItemText(CTVXUpgradeDlg::packageCombo, entry);
    dialog.package.packageFirmwareVersion = dialog.batch.batchFirmwareVersion[index];
    dialog.package.packageLoaderVersion = dialog.batch.batchLoaderVersion[index];
}

std::string CurrentBatchFileName(const CTVXUpgradeDlg &dialog)
{
    const int entry = static_cast<int>(dialog.batch.batchListIndex[dialog.batch.batchFileIndex]);
    return std::string(tvx::FileNameOfPath(dialog.window.ComboItemText(CTVXUpgradeDlg::packageCombo, entry)));
}

void NameFailedBatchFile(CTVXUpgradeDlg &dialog)
{
    tvx::DialogWindow &window = dialog.window;
    const std::string line =
        Format(CTVXUpgradeDlg::ByLanguage("Batch stopped at %s.", "Stapel abgebrochen bei %s.",
                                          "Lot interrompu à %s."),
               CurrentBatchFileName(dialog).c_str());
    const std::string status = window.ControlText(CTVXUpgradeDlg::statusText);
    window.SetControlText(CTVXUpgradeDlg::statusText, status.empty() ? line : status + "\n\n" + line);
    window.ShowControl(CTVXUpgradeDlg::statusText, true);
}

bool CTVXUpgradeDlg::BeginBatchFile()
{
    const PackageLoad result = LoadPackageForTerminal(*this);
    if (result != PackageLoad::Loaded) {
        ShowPackageRefusal(*this, result);
        StopBatch();
        return false;
    }
    // The same file was identified when the batch was matched: failing now
    // means it has changed since.
    if (!IdentifyFirstPart(*this)) {
        localMessageBox(160, tvx::MB_ICONERROR);
        StopBatch();
        return false;
    }
    // Three-part terminals get no part labels between parts: the counter
    // moves on to the file's first part here for every terminal.
    window.SetControlText(partCounterText, Format("(%d/%d)", NextPartNumber(), PartsInRun()));
    // So does the file's name, which the backup step shows before any part.
    window.SetControlText(downloadFileText, CurrentBatchFileName(*this));
    return true;
}

void CTVXUpgradeDlg::AdvanceBatch()
{
    // Changes: package, batch.
    if (batch.batchRemaining == 0 || package.partsRemaining != 0)
        return;
    // Parts the terminal did not need were left out of partCount: the
    // counters go on from what was written.
    batch.batchPartCount[batch.batchFileIndex] = package.partCount;
    ++batch.batchFileIndex;
    --batch.batchRemaining;
    SelectBatchFile(*this, batch.batchFileIndex);
    package.partCount = 0;
}

void CTVXUpgradeDlg::StopBatch()
{
    // Changes: batch, run.
    batch.batchRemaining = 0;
    run.upgradeStage = StageIdle; // nothing was started: device events only refresh the list
    window.ShowControl(nextButton, false);
    ShowClosingButtons(1);
}
