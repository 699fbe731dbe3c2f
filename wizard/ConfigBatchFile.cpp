#include "wizard/ConfigBatchFile.h"

#include <memory>

#include "device/CatalogNumber.h"
#include "package/Package.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"
#include "wizard/ImageIdentification.h"

namespace {

constexpr uint32_t kSuffixNotBcd = 13; // IdentifyImage: the suffix states no BCD version

struct PackageDeleter {
    void operator()(PackageRecord *record) const { FreePackage(record); }
};

// Major and minor of a three-part version as BCD; false beyond 99.99.
bool ThreePartAsBcd(uint32_t version, uint16_t *bcd)
{
    const uint32_t major = version >> 16 & 0xFF;
    const uint32_t minor = version >> 8 & 0xFF;
    if (major > 99 || minor > 99)
        return false;
    *bcd = static_cast<uint16_t>((major / 10) << 12 | (major % 10) << 8 | (minor / 10) << 4 | minor % 10);
    return true;
}

// A three-part image whose suffix carries no BCD version: its header does.
bool IdentifyFromHeader(const PackageEntry *part, uint16_t *firmware, uint16_t *loader)
{
    const uint32_t word = headerWord(part);
    ImageVersions versions;
    return HeaderGeneration(word) == 1 && ReadImageVersions(part, word, &versions, nullptr) == 0 &&
           ThreePartAsBcd(versions.firmware, firmware) && ThreePartAsBcd(versions.loader, loader);
}

} // namespace

bool IdentifyBatchFile(CTVXUpgradeDlg &dialog, const std::string &path, std::size_t slot)
{
    // Changes: batch.
    // The file's own bytes are encrypted: its first part is read from the
    // loaded package.
    std::unique_ptr<PackageRecord, PackageDeleter> package(NewPackageRecord());
    if (!package || !LoadPackage(path.c_str(), package.get()) || !package->parts)
        return false;
    // A catalog that names no terminal fits none: the batch could not finish.
    const CatalogInfo *catalog = package->catalog;
    if (!catalog || !catalog->terminalType)
        return false;
    dialog.batch.batchTerminalType[slot] = ReadCatalogNumber(catalog->terminalType);
    const PackageEntry *first = package->parts->entry;

    uint16_t firmware = 0;
    uint16_t loader = 0;
    uint16_t productId = 0;
    const uint32_t status = dialog.IdentifyImage(first, &firmware, &loader, &productId);
    if (status == kSuffixNotBcd) {
        if (!IdentifyFromHeader(first, &firmware, &loader))
            return false;
    } else if (status != 0) {
        return false;
    }
    dialog.batch.batchFirmwareVersion[slot] = firmware;
    dialog.batch.batchLoaderVersion[slot] = loader;
    dialog.batch.batchProductId[slot] = productId;
    // Three-part headers keep other fields where BCD headers list hardware.
    if (HeaderGeneration(headerWord(first)) != 1)
        ReadHardwareCodes(first, dialog.batch.batchHardwareList[slot]);

    uint32_t parts = 0;
    for (const PartNode *node = package->parts; node; node = node->next)
        ++parts;
    dialog.batch.batchPartCount[slot] = parts;
    return true;
}
