#include "PartLabels.h"

#include "CTVXUpgradeDlg.h"
#include "PathName.h"
#include "TextFormat.h"

namespace {

unsigned HighByte(uint16_t version) { return version >> 8; }
unsigned short LowByte(uint16_t version) { return static_cast<unsigned short>(version & 0xFF); }

// Parts of the batch files applied before the current one.
uint32_t PartsBeforePackage(const CTVXUpgradeDlg &dialog)
{
    uint32_t parts = 0;
    for (uint32_t i = 0; i < dialog.batchFileIndex && i < dialog.batchCount; ++i)
        parts += dialog.batchPartCount[i];
    return parts;
}

} // namespace

void WritePartLabels(CTVXUpgradeDlg &dialog, int firstNumber)
{
    tvx::DialogWindow &window = dialog.window;
    const int total = dialog.PartsInRun();
    window.SetControlText(CTVXUpgradeDlg::partCounterText, Format("(%d/%d)", firstNumber, total));
    window.SetControlText(CTVXUpgradeDlg::downloadFileText,
                          std::string(tvx::FileNameOfPath(dialog.packagePath)));

    const uint16_t firmware = dialog.packageFirmwareVersion;
    const uint16_t loader = dialog.packageLoaderVersion;
    std::string versions;
    if (firmware != 0) {
        versions = Format("V%x.%.2hx ", HighByte(firmware), LowByte(firmware));
        if (loader != 0)
            versions += Format("+ Loader V%x.%.2hx ", HighByte(loader), LowByte(loader));
        dialog.loaderOnlyPackage = 0;
    } else {
        versions = Format("Loader V%x.%.2hx ", HighByte(loader), LowByte(loader));
        dialog.loaderOnlyPackage = 1;
    }
    // Once a part is being written the row shows that part's own versions,
    // not the ones the package's first part states.
    if (dialog.upgradeStage != StageRunning)
        window.SetControlText(CTVXUpgradeDlg::versionViaFileText, versions);
}

void CTVXUpgradeDlg::ShowPartLabels(int firstNumber)
{
    if (packageFirmwareVersion == 0xFFFF) // no package version read yet
        return;
    WritePartLabels(*this, firstNumber);
}

int CTVXUpgradeDlg::NextPartNumber() const
{
    // partsRemaining is 0 until the package's first part has ended.
    const uint32_t doneInPackage = partsRemaining > 0 ? partCount - partsRemaining : 0;
    return static_cast<int>(PartsBeforePackage(*this) + doneInPackage + 1);
}

int CTVXUpgradeDlg::PartsDoneInRun() const
{
    return static_cast<int>(PartsBeforePackage(*this) + partCount - partsRemaining);
}

int CTVXUpgradeDlg::PartsInRun() const
{
    if (batchCount == 0)
        return static_cast<int>(partCount);
    // The loaded file counts as written, skipped parts left out; the others
    // as identified.
    uint32_t parts = 0;
    for (uint32_t i = 0; i < batchCount && i < kMaxBatchFiles; ++i)
        parts += i == batchFileIndex && partCount > 0 ? partCount : batchPartCount[i];
    return static_cast<int>(parts);
}
