// The 16-byte DFU file suffix that ends every part image and backup file:
// bcdDevice, idProduct, idVendor, bcdDFU, "UFD", length 16, CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvx {

inline constexpr std::size_t kDfuSuffixLength = 16;
inline constexpr uint16_t kVornVendorId = 0x0D7B;
inline constexpr uint16_t kAnyVendorId = 0xFFFF;
inline constexpr uint16_t kDfuVersion = 0x0110;

struct DfuSuffix {
    uint16_t bcdDevice = 0;
    uint16_t idProduct = 0;
    uint16_t idVendor = 0;
    uint16_t bcdDFU = 0;
    uint32_t crc = 0;
};

// The CRC-32 of the DFU file format: reflected polynomial 0xEDB88320, start
// value 0xFFFFFFFF, no final inversion. `seed` continues an earlier run.
uint32_t DfuCrc32(const uint8_t *data, std::size_t size, uint32_t seed = 0xFFFFFFFFu);

// Reads the suffix of a whole file image; false when it is too short or lacks
// the "UFD" signature and length 16.
bool ReadDfuSuffix(const uint8_t *image, std::size_t size, DfuSuffix *suffix);

// True when the stored CRC matches the CRC over everything before it.
bool DfuSuffixCrcMatches(const uint8_t *image, std::size_t size);

enum class PartSuffix { Valid, Missing, ForeignVendor, CrcMismatch };

// The suffix of a part image as a terminal takes it: present, naming the
// terminals' vendor or any vendor, and with the CRC of the whole image. The
// package loader and the device library judge a part by this one rule.
PartSuffix CheckPartSuffix(const uint8_t *image, std::size_t size);

// Writes the 16 suffix bytes for `payload` (the bytes in front of it) into
// `out`, CRC included.
void WriteDfuSuffix(const uint8_t *payload, std::size_t payloadSize, uint16_t bcdDevice, uint16_t idProduct,
                    uint16_t idVendor, uint8_t out[kDfuSuffixLength]);

} // namespace tvx
