#include "ImageHeaderLength.h"

namespace tvxdfu {

std::size_t ImageHeaderLength(const uint8_t *image, std::size_t size)
{
    if (!image || size < 4)
        return kMinImageHeaderLength;
    const uint32_t word = static_cast<uint32_t>(image[0]) | static_cast<uint32_t>(image[1]) << 8 |
                          static_cast<uint32_t>(image[2]) << 16 | static_cast<uint32_t>(image[3]) << 24;
    if ((word >> 16 & 0xFF) == 1) {
        switch (word >> 8 & 0xF) {
        case 1:
            return 388 + 4; // identification number
        case 2:
            return 644 + 4;
        default:
            return kMinImageHeaderLength;
        }
    }
    // Every other generation is read as a BCD header.
    return (word & 0xF0) == 0 ? kMinImageHeaderLength : 354 + 2; // loader version
}

} // namespace tvxdfu
