#include "dfulib/suffix/DfuSuffix.h"

#include <array>

namespace tvx {
namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kCrcTable = MakeCrcTable();

uint16_t Word(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void PutWord(uint8_t *p, uint16_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

} // namespace

uint32_t DfuCrc32(const uint8_t *data, std::size_t size, uint32_t seed)
{
    uint32_t crc = seed;
    for (std::size_t i = 0; i < size; ++i)
        crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

bool ReadDfuSuffix(const uint8_t *image, std::size_t size, DfuSuffix *suffix)
{
    if (!image || size < kDfuSuffixLength)
        return false;
    const uint8_t *s = image + size - kDfuSuffixLength;
    if (s[8] != 'U' || s[9] != 'F' || s[10] != 'D' || s[11] != kDfuSuffixLength)
        return false;
    suffix->bcdDevice = Word(s);
    suffix->idProduct = Word(s + 2);
    suffix->idVendor = Word(s + 4);
    suffix->bcdDFU = Word(s + 6);
    suffix->crc = static_cast<uint32_t>(s[12]) | static_cast<uint32_t>(s[13]) << 8 |
                  static_cast<uint32_t>(s[14]) << 16 | static_cast<uint32_t>(s[15]) << 24;
    return true;
}

bool DfuSuffixCrcMatches(const uint8_t *image, std::size_t size)
{
    DfuSuffix suffix;
    return ReadDfuSuffix(image, size, &suffix) && DfuCrc32(image, size - 4) == suffix.crc;
}

PartSuffix CheckPartSuffix(const uint8_t *image, std::size_t size)
{
    DfuSuffix suffix;
    if (!ReadDfuSuffix(image, size, &suffix))
        return PartSuffix::Missing;
    if (suffix.idVendor != kVornVendorId && suffix.idVendor != kAnyVendorId)
        return PartSuffix::ForeignVendor;
    if (DfuCrc32(image, size - 4) != suffix.crc)
        return PartSuffix::CrcMismatch;
    return PartSuffix::Valid;
}

void WriteDfuSuffix(const uint8_t *payload, std::size_t payloadSize, uint16_t bcdDevice, uint16_t idProduct,
                    uint16_t idVendor, uint8_t out[kDfuSuffixLength])
{
    PutWord(out, bcdDevice);
    PutWord(out + 2, idProduct);
    PutWord(out + 4, idVendor);
    PutWord(out + 6, kDfuVersion);
    out[8] = 'U';
    out[9] = 'F';
    out[10] = 'D';
    out[11] = kDfuSuffixLength;
    const uint32_t crc = DfuCrc32(out, 12, DfuCrc32(payload, payloadSize));
    for (int i = 0; i < 4; ++i)
        out[12 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

} // namespace tvx
