#include "PartLabels.h"

#include "CTVXUpgradeDlg.h"
#include "PathName.h"
#include "TextFormat.h"

namespace {

unsigned HighByte(uint16_t version) { return version >> 8; }
unsigned short LowByte(uint16_t version) { return static_cast<unsigned short>(version & 0xFF); }

} // namespace

void WritePartLabels(CTVXUpgradeDlg &dialog, int firstNumber)
{
    tvx::DialogWindow &window = dialog.window;
    const int total = static_cast<int>(dialog.batchCount + dialog.partCount);
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
    window.SetControlText(CTVXUpgradeDlg::versionViaFileText, versions);
}

void CTVXUpgradeDlg::ShowPartLabels(int firstNumber)
{
    if (packageFirmwareVersion == 0xFFFF) // no package version read yet
        return;
    WritePartLabels(*this, firstNumber);
}
