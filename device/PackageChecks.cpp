// Whether a package may be installed on the selected terminal, where the
// installation starts, and whether the terminal shows the package's versions
// afterwards. The checks only answer with a result code; callers tell the user.
#include "device/CatalogNumber.h"
#include "device/PartType.h"
#include "versions/TextFormat.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

// Major and minor of a BCD version as decimal numbers; no patch.
ParsedVersion DecodedBcdNumbers(uint16_t value)
{
    const auto decode = [](unsigned byte) { return static_cast<uint16_t>(10 * (byte >> 4) + (byte & 0xF)); };
    return {decode((value >> 8) & 0xFF), decode(value & 0xFF), kNoVersionNumber};
}

bool ListHasVersion(const TextNode *list, const ParsedVersion &version)
{
    for (; list; list = list->next)
        if (list->text && ParseVersionText(list->text) == version)
            return true;
    return false;
}

const CatalogInfo *Catalog(const PackageRecord *package)
{
    return package ? package->catalog : nullptr;
}

} // namespace

UpgradeResult CTVXUpgradeDlg::CheckPackageFitsDevice()
{
    if (terminal.secondVendorDevice == 1)
        return UPG_PRODUCT_MISMATCH;
    if (terminal.threePartVersion != 1)
        ApplyIdentTextModelRule();
    const CatalogInfo *catalog = Catalog(package.loadedPackage);
    // A catalog that names no terminal fits none.
    if (!catalog || !catalog->terminalType)
        return UPG_PRODUCT_MISMATCH;
    // The catalog may give the type in decimal, hexadecimal (0x) or octal (0).
    return ReadCatalogNumber(catalog->terminalType) == terminal.deviceType ? 0 : UPG_PRODUCT_MISMATCH;
}

UpgradeResult CTVXUpgradeDlg::CheckCatalogAndHeader()
{
    // Changes: package.
    package.packageFirmwareText.clear();
    const PackageEntry *part = FirstPartOfType(package.loadedPackage, "Firmware");
    if (!part)
        return UPG_BAD_CATALOG_VERSION;
    const uint32_t word = headerWord(part);
    ImageVersions versions;
    if (const UpgradeResult result = ReadImageVersions(part, word, &versions, &package.packageIdentNumber);
        result != 0)
        return result;
    const uint32_t generation = HeaderGeneration(word);
    if (generation > 1)
        return UPG_BAD_CATALOG_VERSION;
    const CatalogInfo *catalog = Catalog(package.loadedPackage);
    if (!catalog || !catalog->catalogVersion)
        return UPG_BAD_CATALOG_VERSION;
    switch (ReadCatalogDecimal(catalog->catalogVersion)) {
    case 1:
        return generation == 0 ? UPG_BAD_CATALOG_VERSION : UPG_BAD_FIRMWARE_FORMAT;
    case 2:
        if (generation == 0)
            return UPG_BAD_FIRMWARE_FORMAT;
        package.packageFirmwareText = versions.firmwareText;
        return 0;
    default:
        return UPG_BAD_CATALOG_VERSION;
    }
}

UpgradeResult CTVXUpgradeDlg::CheckSupportedVersions()
{
    // Changes: run.
    const CatalogInfo *catalog = Catalog(package.loadedPackage);
    const ParsedVersion loader = terminal.threePartVersion == 1
                                     ? ThreePartNumbers(terminal.loaderVersion3)
                                     : DecodedBcdNumbers(terminal.loaderVersionBefore);
    const bool loaderFound = catalog && ListHasVersion(catalog->bootloaderVersions, loader);
    run.loaderListed = loaderFound ? 1 : 0;

    ParsedVersion firmware;
    if (terminal.threePartVersion == 1) {
        if (terminal.firmwareVersion3 != 0)
            firmware = ThreePartNumbers(terminal.firmwareVersion3);
        else if (!terminal.firmwareVersionText.empty())
            firmware = ParseVersionText(terminal.firmwareVersionText);
        else
            firmware = loader;
    } else {
        RefreshFirmwareVersionText();
        firmware = ParseVersionText(terminal.firmwareVersionText);
    }
    const bool firmwareFound =
        firmware.major != kNoVersionNumber && catalog && ListHasVersion(catalog->firmwareVersions, firmware);

    run.loaderStageNeeded = loaderFound ? 0 : 1;
    return firmwareFound ? 0 : UPG_VERSION_NOT_SUPPORTED;
}

UpgradeResult CTVXUpgradeDlg::CheckLoaderMode()
{
    // Changes: run.
    // The terminal already runs this very build: nothing to stage.
    if (terminal.threePartVersion == 1 && package.packageIdentNumber != 0 &&
        terminal.deviceIdentNumber != 0 && package.packageFirmwareVersion3 != 0 &&
        package.packageIdentNumber == terminal.deviceIdentNumber) {
        run.loaderStageNeeded = 0;
        return 0;
    }
    if (terminal.deviceInDfuMode == 1)
        return run.loaderListed == 1 ? 0 : UPG_LOADER_MISMATCH;
    return 0;
}

UpgradeResult CTVXUpgradeDlg::SelectStartPart(const PackageEntry *part, PartNode **startNode)
{
    // Changes: package.
    if (run.loaderStageNeeded == 1 || PartHasType(part, "Firmware"))
        return 0;
    // The terminal's loader is supported: the parts in front of the firmware
    // are skipped and no longer counted.
    for (PartNode *node = package.loadedPackage ? package.loadedPackage->cursor : nullptr; node;
         node = node->next) {
        if (!PartHasType(node->entry, "Firmware")) {
            if (package.partCount > 0)
                --package.partCount;
            continue;
        }
        window.SetControlText(partCounterText, Format("(%d/%d)", NextPartNumber(), PartsInRun()));
        if (startNode)
            *startNode = node;
        return UPG_RESTART_WITH_PART;
    }
    return UPG_NO_DOWNLOAD;
}

bool CTVXUpgradeDlg::VersionsMatchAfterUpgrade(bool afterReturnTimer)
{
    // Changes: terminal.
    if (terminal.threePartVersion == 1) {
        if (run.loaderStageNeeded == 1 && package.packageLoaderVersion3 > afterPart.deviceLoaderVersion3)
            return false;
        return package.packageFirmwareVersion3 == afterPart.deviceFirmwareVersion3;
    }

    // Right after a part a terminal that reported no firmware keeps the
    // version it had; after the return timer its answer is taken as it is.
    if (afterReturnTimer || afterPart.deviceFirmwareVersion != 0)
        terminal.firmwareVersionBefore = afterPart.deviceFirmwareVersion;
    RefreshFirmwareVersionText();
    if (ParseVersionText(terminal.firmwareVersionText) != ParseVersionText(package.packageFirmwareText))
        return false;
    if (run.loaderStageNeeded == 1) {
        const ParsedVersion device = DecodedBcdNumbers(afterPart.deviceLoaderVersion);
        ReadPackageLoaderText();
        const ParsedVersion stated = ParseVersionText(package.packageLoaderText);
        if (stated.patch != kNoVersionNumber || stated.minor != device.minor || stated.major != device.major)
            return false;
    }
    return true;
}
