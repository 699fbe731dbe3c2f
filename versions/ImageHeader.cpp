// The version fields in the header of a part image. Images come from package
// files, so every field is read only when it lies wholly inside the image.
#include "versions/Versions.h"

namespace {

namespace header = tvx::imageheader;

std::size_t ImageSize(const PackageEntry *part)
{
    if (!part || !part->data || part->size <= 0)
        return 0;
    return static_cast<std::size_t>(part->size);
}

bool ImageWord32(const PackageEntry *part, std::size_t offset, uint32_t *value)
{
    const std::size_t size = ImageSize(part);
    if (offset > size || size - offset < 4)
        return false;
    const uint8_t *p = part->data + offset;
    *value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
             static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return true;
}

} // namespace

bool ImageWord16(const PackageEntry *part, std::size_t offset, uint16_t *value)
{
    const std::size_t size = ImageSize(part);
    if (offset > size || size - offset < 2)
        return false;
    const uint8_t *p = part->data + offset;
    *value = static_cast<uint16_t>(p[0] | p[1] << 8);
    return true;
}

uint32_t headerWord(const PackageEntry *part)
{
    uint32_t word = 0;
    return ImageWord32(part, 0, &word) ? word : 0;
}

UpgradeResult ReadImageVersions(const PackageEntry *part, uint32_t headerWord, ImageVersions *versions,
                                uint32_t *identNumber)
{
    if (HeaderGeneration(headerWord) != header::kThreePartGeneration) {
        const header::VersionFields &at = header::BcdFields(headerWord);
        uint16_t firmware = 0;
        uint16_t loader = 0;
        if (!ImageWord16(part, at.firmware, &firmware) || !ImageWord16(part, at.loader, &loader))
            return UPG_BAD_FIRMWARE_FORMAT;
        *versions = {BcdVersionText(firmware), firmware, BcdVersionText(loader), loader};
        return 0;
    }

    const header::VersionFields *at = header::ThreePartFields(headerWord);
    uint32_t loader = 0;
    uint32_t firmware = 0;
    uint32_t ident = 0;
    if (!at || !ImageWord32(part, at->loader, &loader) || !ImageWord32(part, at->firmware, &firmware) ||
        !ImageWord32(part, at->identNumber, &ident))
        return UPG_BAD_FIRMWARE_FORMAT;
    if (identNumber)
        *identNumber = ident;
    *versions = {FormatVersion3(firmware), firmware, FormatVersion3(loader), loader};
    return 0;
}
