// The version fields in the header of a part image. Images come from package
// files, so every field is read only when it lies wholly inside the image.
#include "Versions.h"

namespace {

struct Gen1Layout {
    std::size_t loader;
    std::size_t firmware;
    std::size_t ident;
};

// Bits 8-11 of a generation-1 header word select where its fields are.
bool FindGen1Layout(uint32_t word, Gen1Layout *layout)
{
    switch ((word >> 8) & 0xF) {
    case 1:
        *layout = {348, 352, 388};
        return true;
    case 2:
        *layout = {604, 608, 644};
        return true;
    default:
        return false;
    }
}

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
    *value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
             static_cast<uint32_t>(p[3]) << 24;
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
    if (HeaderGeneration(headerWord) != 1) {
        const bool firstLayout = (headerWord & 0xF0) == 0x00;
        uint16_t firmware = 0;
        uint16_t loader = 0;
        if (!ImageWord16(part, firstLayout ? 224 : 352, &firmware) ||
            !ImageWord16(part, firstLayout ? 226 : 354, &loader))
            return UPG_BAD_FIRMWARE_FORMAT;
        *versions = {BcdVersionText(firmware), firmware, BcdVersionText(loader), loader};
        return 0;
    }

    Gen1Layout layout;
    uint32_t loader = 0;
    uint32_t firmware = 0;
    uint32_t ident = 0;
    if (!FindGen1Layout(headerWord, &layout) || !ImageWord32(part, layout.loader, &loader) ||
        !ImageWord32(part, layout.firmware, &firmware) || !ImageWord32(part, layout.ident, &ident))
        return UPG_BAD_FIRMWARE_FORMAT;
    if (identNumber)
        *identNumber = ident;
    *versions = {FormatVersion3(firmware), firmware, FormatVersion3(loader), loader};
    return 0;
}
