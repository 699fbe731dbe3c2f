#include "wizard/PartLabels.h"

#include "platform/PathName.h"
#include "versions/TextFormat.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

// Parts of the batch files applied before the current one.
uint32_t PartsBeforePackage(const CTVXUpgradeDlg &dialog)
{
    uint32_t parts = 0;
    for (uint32_t i = 0; i < dialog.batch.batchFileIndex && i < dialog.batch.batchCount; ++i)
        parts += dialog.batch.batchPartCount[i];
    return parts;
}

} // namespace

void WritePartLabels(CTVXUpgradeDlg &dialog, int firstNumber)
{
    // Changes: package.
    tvx::DialogWindow &window = dialog.window;
    const int total = dialog.PartsInRun();
    window.SetControlText(CTVXUpgradeDlg::partCounterText, Format("(%d/%d)", firstNumber, total));
    window.SetControlText(CTVXUpgradeDlg::downloadFileText,
                          std::string(tvx::FileNameOfPath(dialog.package.packagePath)));

    const uint16_t firmware = dialog.package.packageFirmwareVersion;
    const uint16_t loader = dialog.package.packageLoaderVersion;
    std::string versions;
    if (firmware != 0) {
        versions = "V" + ShortBcdVersion(firmware) + " ";
        if (loader != 0)
            versions += "+ Loader V" + ShortBcdVersion(loader) + " ";
        dialog.package.loaderOnlyPackage = 0;
    } else {
        versions = "Loader V" + ShortBcdVersion(loader) + " ";
        dialog.package.loaderOnlyPackage = 1;
    }
    // Once a part is being written the row shows that part's own versions,
    // not the ones the package's first part states.
    if (dialog.run.upgradeStage != StageRunning)
        window.SetControlText(CTVXUpgradeDlg::versionViaFileText, versions);
}

void CTVXUpgradeDlg::ShowPartLabels(int firstNumber)
{
    if (package.packageFirmwareVersion == 0xFFFF) // no package version read yet
        return;
    WritePartLabels(*this, firstNumber);
}

int CTVXUpgradeDlg::NextPartNumber() const
{
    // partsRemaining is 0 until the package's first part has ended.
    const uint32_t doneInPackage =
        package.partsRemaining > 0 ? package.partCount - package.partsRemaining : 0;
    return static_cast<int>(PartsBeforePackage(*this) + doneInPackage + 1);
}

int CTVXUpgradeDlg::PartsDoneInRun() const
{
    return static_cast<int>(PartsBeforePackage(*this) + package.partCount - package.partsRemaining);
}

int CTVXUpgradeDlg::PartsInRun() const
{
    if (batch.batchCount == 0)
        return static_cast<int>(package.partCount);
    // The loaded file counts as written, skipped parts left out; the others
    // as identified.
    uint32_t parts = 0;
    for (uint32_t i = 0; i < batch.batchCount && i < kMaxBatchFiles; ++i)
        parts +=
            i == batch.batchFileIndex && package.partCount > 0 ? package.partCount : batch.batchPartCount[i];
    return static_cast<int>(parts);
}
