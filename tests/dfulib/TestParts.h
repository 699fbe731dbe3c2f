// Part images for the tests, built field by field from the header layout,
// with a DFU suffix, and wrapped in the package records the library takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dfulib/include/TVXPackageEntry.h"
#include "dfulib/suffix/DfuSuffix.h"

namespace tvxtest {

inline void PutLe(std::vector<uint8_t> &image, std::size_t offset, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        image[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Generation 1: loader/firmware/identification at 348/352/388 (layout 1)
// or 604/608/644 (layout 2). Versions are 0x00MMmmpp.
inline std::vector<uint8_t> ThreePartImage(uint32_t firmware, uint32_t loader, uint32_t identNumber,
                                           std::size_t size = 4096, int layout = 1)
{
    std::vector<uint8_t> image(size, 0x5A);
    PutLe(image, 0, 1u << 16 | static_cast<uint32_t>(layout) << 8, 4);
    const std::size_t base = layout == 2 ? 604 : 348;
    if (base + 4 <= size)
        PutLe(image, base, loader, 4);
    if (base + 8 <= size)
        PutLe(image, base + 4, firmware, 4);
    if (base + 44 <= size)
        PutLe(image, base + 40, identNumber, 4);
    return image;
}

// Generation 0: firmware/loader BCD at 224/226 (layout 0x00) or 352/354.
inline std::vector<uint8_t> BcdImage(uint16_t firmware, uint16_t loader, std::size_t size = 4096,
                                     uint8_t layout = 0x00)
{
    std::vector<uint8_t> image(size, 0xA5);
    PutLe(image, 0, layout, 4);
    const std::size_t base = layout == 0 ? 224 : 352;
    PutLe(image, base, firmware, 2);
    PutLe(image, base + 2, loader, 2);
    return image;
}

inline std::vector<uint8_t> WithSuffix(std::vector<uint8_t> image, uint16_t vendor = tvx::kVornVendorId)
{
    uint8_t suffix[tvx::kDfuSuffixLength];
    tvx::WriteDfuSuffix(image.data(), image.size(), 0xFFFF, 0xFFFF, vendor, suffix);
    image.insert(image.end(), suffix, suffix + sizeof suffix);
    return image;
}

// A part as the package hands it over; keeps the records' texts alive.
class TestPart {
public:
    TestPart(std::vector<uint8_t> fileImage, std::string type)
        : bytes_(std::move(fileImage)), type_(std::move(type)), fileName_("part.dfu")
    {
        info_.subject = nullptr;
        info_.fileName = fileName_.data();
        info_.type = type_.empty() ? nullptr : type_.data();
        entry_ = PackageEntry{};
        entry_.kind = EntryKindPart;
        entry_.data = bytes_.data();
        entry_.size = static_cast<int32_t>(bytes_.size());
        entry_.info = &info_;
    }
    TestPart(const TestPart &) = delete;
    TestPart &operator=(const TestPart &) = delete;

    const PackageEntry *Entry() const { return &entry_; }
    std::vector<uint8_t> &Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    std::string type_;
    std::string fileName_;
    PartInfo info_{};
    PackageEntry entry_{};
};

} // namespace tvxtest
