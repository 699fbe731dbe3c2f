#include "ImageHeader.h"

namespace tvxdfu::sim {
namespace {

constexpr uint32_t kThreePartFlag = 0x01000000;

struct Offsets {
    std::size_t firmware, loader, identNumber;
};

constexpr Offsets kLayout1{352, 348, 388};
constexpr Offsets kLayout2{608, 604, 644};
constexpr Offsets kBcdLayout0{224, 226, 0};
constexpr Offsets kBcdOtherLayouts{352, 354, 0};

std::optional<uint32_t> Field(const uint8_t *image, std::size_t size, std::size_t offset,
                              std::size_t width)
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
    const std::optional<uint32_t> word = Field(image, size, 0, 4);
    const uint32_t headerWord = word.value_or(0);
    if (((headerWord >> 16) & 0xFF) != 1) {
        const Offsets at = (headerWord & 0xF0) == 0 ? kBcdLayout0 : kBcdOtherLayouts;
        versions.firmware = Field(image, size, at.firmware, 2);
        versions.loader = Field(image, size, at.loader, 2);
        return versions;
    }
    versions.format = VersionFormat::ThreePart;
    const uint32_t layout = (headerWord >> 8) & 0xF;
    if (layout != 1 && layout != 2)
        return versions;
    const Offsets at = layout == 1 ? kLayout1 : kLayout2;
    auto threePart = [](std::optional<uint32_t> v) -> std::optional<uint32_t> {
        if (!v || (*v & 0xFFFFFF) == 0)
            return std::nullopt;
        return kThreePartFlag | (*v & 0xFFFFFF);
    };
    versions.firmware = threePart(Field(image, size, at.firmware, 4));
    versions.loader = threePart(Field(image, size, at.loader, 4));
    versions.identNumber = Field(image, size, at.identNumber, 4);
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
        Put(image, 0, 1u << 16 | 1u << 8, 4); // generation 1, layout 1
        Put(image, kLayout1.firmware, firmware & 0xFFFFFF, 4);
        Put(image, kLayout1.loader, loader & 0xFFFFFF, 4);
        Put(image, kLayout1.identNumber, identNumber, 4);
    } else {
        Put(image, 0, 0, 4); // generation 0, layout 0
        Put(image, kBcdLayout0.firmware, firmware & 0xFFFF, 2);
        Put(image, kBcdLayout0.loader, loader & 0xFFFF, 2);
    }
    return image;
}

} // namespace tvxdfu::sim
