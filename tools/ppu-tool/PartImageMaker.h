// Part images with a version header and a DFU file suffix, as make-image
// writes them for tests and demos.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PartImageSpec {
    int generation = 0;     // 0: BCD versions; 1: three-part versions
    int layout = 1;         // generation 1: header layout 1 or 2
    uint8_t headerKind = 0; // generation 0: high nibble of the first byte (0x00, 0x10, ...)
    uint32_t firmware = 0;  // 0xMMmm (generation 0) or 0x00MMmmpp (generation 1)
    uint32_t loader = 0;
    uint32_t ident = 0; // generation 1: identification number
    uint16_t productId = 0x1200;
    size_t size = 1024; // whole image, suffix included
    // Generation 0: up to 16 hardware-variant codes after the loader version,
    // ended by a zero word when there are fewer.
    std::vector<uint16_t> hardware = {};
};

inline constexpr size_t kMaxHardwareCodes = 16;

// Bytes the header and the suffix need at least.
size_t MinimumPartImageSize(const PartImageSpec &spec);

// The image: header word, versions at their offsets, a filler pattern, and
// the DFU suffix (bcdDevice from the firmware's major.minor, vendor 0x0D7B).
// The spec must be valid and spec.size at least the minimum.
std::vector<uint8_t> BuildPartImage(const PartImageSpec &spec);

// "M.m" (each 0..99) as BCD 0xMMmm, or a 0x-number up to 0xFFFF.
bool ParseBcdVersion(const std::string &text, uint32_t *version);

// "M.m.p" (each 0..255) as 0x00MMmmpp, or a 0x-number up to 0xFFFFFFFF.
bool ParseThreePartVersion(const std::string &text, uint32_t *version);
