// Whether a package may be installed on the selected terminal, where the
// installation starts, and whether the terminal shows the package's versions
// afterwards. The checks only answer with a result code; callers tell the user.
#include "CTVXUpgradeDlg.h"
#include "CatalogNumber.h"
#include "PartType.h"
#include "TextFormat.h"
#include "Versions.h"

namespace {

ParsedVersion ThreePartNumbers(uint32_t value)
{
    return {static_cast<uint16_t>((value >> 16) & 0xFF), static_cast<uint16_t>((value >> 8) & 0xFF),
            static_cast<uint16_t>(value & 0xFF)};
}

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
    if (secondVendorDevice == 1)
        return UPG_PRODUCT_MISMATCH;
    if (threePartVersion != 1)
        ApplyIdentTextModelRule();
    const CatalogInfo *catalog = Catalog(loadedPackage);
    // A catalog that names no terminal fits none.
    if (!catalog || !catalog->terminalType)
        return UPG_PRODUCT_MISMATCH;
    // The catalog may give the type in decimal, hexadecimal (0x) or octal (0).
    return ReadCatalogNumber(catalog->terminalType) == deviceType ? 0 : UPG_PRODUCT_MISMATCH;
}

UpgradeResult CTVXUpgradeDlg::CheckCatalogAndHeader()
{
    packageFirmwareText.clear();
    const PackageEntry *part = FirstPartOfType(loadedPackage, "Firmware");
    if (!part)
        return UPG_BAD_CATALOG_VERSION;
    const uint32_t word = headerWord(part);
    ImageVersions versions;
    if (const UpgradeResult result = ReadImageVersions(part, word, &versions, &packageIdentNumber); result != 0)
        return result;
    const uint32_t generation = HeaderGeneration(word);
    if (generation > 1)
        return UPG_BAD_CATALOG_VERSION;
    const CatalogInfo *catalog = Catalog(loadedPackage);
    if (!catalog || !catalog->catalogVersion)
        return UPG_BAD_CATALOG_VERSION;
    switch (ReadCatalogDecimal(catalog->catalogVersion)) {
    case 1:
        return generation == 0 ? UPG_BAD_CATALOG_VERSION : UPG_BAD_FIRMWARE_FORMAT;
    case 2:
        if (generation == 0)
            return UPG_BAD_FIRMWARE_FORMAT;
        packageFirmwareText = versions.firmwareText;
        return 0;
    default:
        return UPG_BAD_CATALOG_VERSION;
    }
}

UpgradeResult CTVXUpgradeDlg::CheckSupportedVersions()
{
    const CatalogInfo *catalog = Catalog(loadedPackage);
    const ParsedVersion loader =
        threePartVersion == 1 ? ThreePartNumbers(loaderVersion3) : DecodedBcdNumbers(loaderVersionBefore);
    const bool loaderFound = catalog && ListHasVersion(catalog->bootloaderVersions, loader);
    loaderListed = loaderFound ? 1 : 0;

    ParsedVersion firmware;
    if (threePartVersion == 1) {
        if (firmwareVersion3 != 0)
            firmware = ThreePartNumbers(firmwareVersion3);
        else if (!firmwareVersionText.empty())
            firmware = ParseVersionText(firmwareVersionText);
        else
            firmware = loader;
    } else {
        RefreshFirmwareVersionText();
        firmware = ParseVersionText(firmwareVersionText);
    }
    const bool firmwareFound =
        firmware.major != kNoVersionNumber && catalog && ListHasVersion(catalog->firmwareVersions, firmware);

    loaderStageNeeded = loaderFound ? 0 : 1;
    return firmwareFound ? 0 : UPG_VERSION_NOT_SUPPORTED;
}

UpgradeResult CTVXUpgradeDlg::CheckLoaderMode()
{
    // The terminal already runs this very build: nothing to stage.
    if (threePartVersion == 1 && packageIdentNumber != 0 && deviceIdentNumber != 0 && packageFirmwareVersion3 != 0 &&
        packageIdentNumber == deviceIdentNumber) {
        loaderStageNeeded = 0;
        return 0;
    }
    if (deviceInDfuMode == 1)
        return loaderListed == 1 ? 0 : UPG_LOADER_MISMATCH;
    return 0;
}

UpgradeResult CTVXUpgradeDlg::SelectStartPart(const PackageEntry *part, PartNode **startNode)
{
    if (loaderStageNeeded == 1 || PartHasType(part, "Firmware"))
        return 0;
    // The terminal's loader is supported: the parts in front of the firmware
    // are skipped and no longer counted.
    for (PartNode *node = loadedPackage ? loadedPackage->cursor : nullptr; node; node = node->next) {
        if (!PartHasType(node->entry, "Firmware")) {
            if (partCount > 0)
                --partCount;
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
    if (threePartVersion == 1) {
        if (loaderStageNeeded == 1 && packageLoaderVersion3 > deviceLoaderVersion3)
            return false;
        return packageFirmwareVersion3 == deviceFirmwareVersion3;
    }

    // Right after a part a terminal that reported no firmware keeps the
    // version it had; after the return timer its answer is taken as it is.
    if (afterReturnTimer || deviceFirmwareVersion != 0)
        firmwareVersionBefore = deviceFirmwareVersion;
    RefreshFirmwareVersionText();
    if (ParseVersionText(firmwareVersionText) != ParseVersionText(packageFirmwareText))
        return false;
    if (loaderStageNeeded == 1) {
        const ParsedVersion device = DecodedBcdNumbers(deviceLoaderVersion);
        ReadPackageLoaderText();
        const ParsedVersion package = ParseVersionText(packageLoaderText);
        if (package.patch != kNoVersionNumber || package.minor != device.minor || package.major != device.major)
            return false;
    }
    return true;
}
