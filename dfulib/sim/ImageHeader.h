// The versions a part image states in its header, and the firmware image a
// simulated terminal starts with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "dfulib/sim/Scenario.h"

namespace tvxdfu::sim {

// Versions in the form a terminal reports them: 0x01MMmmpp for a
// generation-1 header, BCD 0xMMmm otherwise. A field that lies beyond the
// image, or holds 0, is not stated.
struct HeaderVersions {
    VersionFormat format = VersionFormat::Bcd;
    std::optional<uint32_t> firmware;
    std::optional<uint32_t> loader;
    std::optional<uint32_t> identNumber;
};

HeaderVersions ReadHeaderVersions(const uint8_t *image, std::size_t size);

// A firmware image of `size` bytes whose header states these versions
// (generation 1, layout 1 for three-part versions; generation 0, layout 0
// for BCD), filled with bytes that follow from `seed`.
std::vector<uint8_t> MakeFirmwareImage(VersionFormat format, uint32_t firmware, uint32_t loader,
                                       uint32_t identNumber, std::size_t size, uint32_t seed);

} // namespace tvxdfu::sim
