#include "dfulib/sim/ImageHeader.h"

#include "dfulib/imageheader/ImageHeaderLayout.h"

namespace tvxdfu::sim {
namespace {

namespace header = tvx::imageheader;

constexpr uint32_t kThreePartFlag = 0x01000000;

std::optional<uint32_t> Field(const uint8_t *image, std::size_t size, std::size_t offset, std::size_t width)
{
    if (offset + width > size)
        return std::nullopt;
    uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value |= static_cast<uint32_t>(image[offset + i]) << (8 * i);
    if (value == 0)
        return std::nullopt;
    return value;
}

void Put(std::vector<uint8_t> &image, std::size_t offset, uint32_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        image[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

HeaderVersions ReadHeaderVersions(const uint8_t *image, std::size_t size)
{
    HeaderVersions versions;
    const std::optional<uint32_t> word = Field(image, size, 0, header::kWordLength);
    const uint32_t headerWord = word.value_or(0);
    if (header::Generation(headerWord) != header::kThreePartGeneration) {
        const header::VersionFields &at = header::BcdFields(headerWord);
        versions.firmware = Field(image, size, at.firmware, at.width);
        versions.loader = Field(image, size, at.loader, at.width);
        return versions;
    }
    versions.format = VersionFormat::ThreePart;
    const header::VersionFields *fields = header::ThreePartFields(headerWord);
    if (!fields)
        return versions;
    const header::VersionFields &at = *fields;
    auto threePart = [](std::optional<uint32_t> v) -> std::optional<uint32_t> {
        if (!v || (*v & 0xFFFFFF) == 0)
            return std::nullopt;
        return kThreePartFlag | (*v & 0xFFFFFF);
    };
    versions.firmware = threePart(Field(image, size, at.firmware, at.width));
    versions.loader = threePart(Field(image, size, at.loader, at.width));
    versions.identNumber = Field(image, size, at.identNumber, header::kIdentNumberWidth);
    return versions;
}

std::vector<uint8_t> MakeFirmwareImage(VersionFormat format, uint32_t firmware, uint32_t loader,
                                       uint32_t identNumber, std::size_t size, uint32_t seed)
{
    std::vector<uint8_t> image(size);
    uint32_t state = seed | 1;
    for (uint8_t &byte : image) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    if (format == VersionFormat::ThreePart) {
        const header::VersionFields &at = header::kThreePartLayout1Fields;
        Put(image, 0, header::kThreePartGeneration << 16 | 1u << 8, header::kWordLength);
        Put(image, at.firmware, firmware & 0xFFFFFF, at.width);
        Put(image, at.loader, loader & 0xFFFFFF, at.width);
        Put(image, at.identNumber, identNumber, header::kIdentNumberWidth);
    } else {
        const header::VersionFields &at = header::kBcdFirstFields;
        Put(image, 0, header::kBcdLayoutFirst, header::kWordLength); // generation 0
        Put(image, at.firmware, firmware & 0xFFFF, at.width);
        Put(image, at.loader, loader & 0xFFFF, at.width);
    }
    return image;
}

} // namespace tvxdfu::sim
