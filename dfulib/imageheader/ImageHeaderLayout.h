// Where the header at the start of a part image keeps its fields. The first
// 32-bit word says the generation and the layout; the version fields sit at
// offsets that follow from them. All fields are little-endian.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tvx::imageheader {

// The header word, at offset 0.
inline constexpr std::size_t kWordLength = 4;

// Bits 16-23. Generation 1 carries three-part versions; every other
// generation is read as BCD.
inline constexpr uint32_t kThreePartGeneration = 1;
constexpr uint32_t Generation(uint32_t word)
{
    return word >> 16 & 0xFF;
}

// Bits 8-11 of a three-part header: layout 1 or 2.
constexpr uint32_t ThreePartLayout(uint32_t word)
{
    return word >> 8 & 0xF;
}

// Bits 4-7 of a BCD header, as the byte value word AND 0xF0. The first
// layout has its own offsets; every other one shares the second's.
inline constexpr uint32_t kBcdLayoutFirst = 0x00;
inline constexpr uint32_t kBcdLayoutSecond = 0x10;
constexpr uint32_t BcdLayout(uint32_t word)
{
    return word & 0xF0;
}

struct VersionFields {
    std::size_t firmware;
    std::size_t loader;
    std::size_t identNumber; // 0: the layout has none
    std::size_t width;       // bytes of each version field
};

inline constexpr std::size_t kIdentNumberWidth = 4;

inline constexpr VersionFields kBcdFirstFields{224, 226, 0, 2};
inline constexpr VersionFields kBcdOtherFields{352, 354, 0, 2};
inline constexpr VersionFields kThreePartLayout1Fields{352, 348, 388, 4};
inline constexpr VersionFields kThreePartLayout2Fields{608, 604, 644, 4};

constexpr const VersionFields &BcdFields(uint32_t word)
{
    return BcdLayout(word) == kBcdLayoutFirst ? kBcdFirstFields : kBcdOtherFields;
}

// nullptr for a three-part layout other than 1 and 2.
constexpr const VersionFields *ThreePartFields(uint32_t word)
{
    switch (ThreePartLayout(word)) {
    case 1:
        return &kThreePartLayout1Fields;
    case 2:
        return &kThreePartLayout2Fields;
    default:
        return nullptr;
    }
}

// The fields the header word announces; nullptr for an unknown three-part
// layout.
constexpr const VersionFields *FieldsOf(uint32_t word)
{
    return Generation(word) == kThreePartGeneration ? ThreePartFields(word) : &BcdFields(word);
}

// The end of the last field.
constexpr std::size_t EndOf(const VersionFields &fields)
{
    return std::max({fields.firmware + fields.width, fields.loader + fields.width,
                     fields.identNumber ? fields.identNumber + kIdentNumberWidth : 0});
}

// The only two BCD layouts whose loader version the package step reads (and
// the hardware codes after it); 0 for any other.
constexpr std::size_t KnownBcdLoaderOffset(uint32_t layoutByte)
{
    switch (layoutByte & 0xF0) {
    case kBcdLayoutFirst:
        return kBcdFirstFields.loader;
    case kBcdLayoutSecond:
        return kBcdOtherFields.loader;
    default:
        return 0;
    }
}

// The smallest header, the first BCD layout: what any image holds at least.
inline constexpr std::size_t kMinHeaderLength = EndOf(kBcdFirstFields);

} // namespace tvx::imageheader
