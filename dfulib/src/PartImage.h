// The image of a part as the library receives it: the payload followed by
// the 16-byte DFU file suffix, which is checked and stripped before download.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dfulib/include/TVXPackageEntry.h"

namespace tvxdfu {

struct PartPayload {
    const uint8_t *data = nullptr;
    std::size_t size = 0;
};

// 0 with the payload (the image without its suffix); UPG_HOST_ERROR for a
// missing part or image, UPG_VENDOR_MISMATCH for a suffix vendor other than
// the terminals' own or "any", UPG_CRC_MISMATCH for a missing suffix or a
// wrong CRC.
uint32_t CheckPartImage(const PackageEntry *part, PartPayload *payload);

} // namespace tvxdfu
