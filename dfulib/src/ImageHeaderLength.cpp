#include "dfulib/src/ImageHeaderLength.h"

namespace tvxdfu {

std::size_t ImageHeaderLength(const uint8_t *image, std::size_t size)
{
    namespace header = tvx::imageheader;
    if (!image || size < header::kWordLength)
        return kMinImageHeaderLength;
    const uint32_t word = static_cast<uint32_t>(image[0]) | static_cast<uint32_t>(image[1]) << 8 |
                          static_cast<uint32_t>(image[2]) << 16 | static_cast<uint32_t>(image[3]) << 24;
    const header::VersionFields *fields = header::FieldsOf(word);
    return fields ? header::EndOf(*fields) : kMinImageHeaderLength;
}

} // namespace tvxdfu
