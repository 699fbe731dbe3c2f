#include "tools/ppu-tool/PartImageMaker.h"

#include <algorithm>
#include <sstream>

#include "dfulib/imageheader/ImageHeaderLayout.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "tools/ppu-tool/CommandLine.h"

namespace {

namespace header = tvx::imageheader;

const header::VersionFields &FieldsOf(const PartImageSpec &spec)
{
    if (spec.generation == 1)
        return spec.layout == 2 ? header::kThreePartLayout2Fields : header::kThreePartLayout1Fields;
    return header::BcdFields(spec.headerKind);
}

void PutLittleEndian(uint8_t *at, uint32_t value, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint8_t ToBcd(unsigned value)
{
    return static_cast<uint8_t>((value / 10 % 10) << 4 | value % 10);
}

// Splits "a.b" or "a.b.c" into `count` decimal numbers, each at most `max`.
bool SplitVersion(const std::string &text, size_t count, unsigned max, std::vector<unsigned> *numbers)
{
    std::istringstream in(text);
    std::string piece;
    while (std::getline(in, piece, '.')) {
        unsigned long long number = 0;
        if (piece.empty() || piece.find_first_not_of("0123456789") != std::string::npos ||
            !ParseNumber(piece, max, &number))
            return false;
        numbers->push_back(static_cast<unsigned>(number));
    }
    return numbers->size() == count && text.back() != '.';
}

bool IsHexNumber(const std::string &text)
{
    return text.size() > 2 && text[0] == '0' && (text[1] | 0x20) == 'x';
}

// Generation 0: the words after the loader version, codes and their end.
size_t HardwareListBytes(const PartImageSpec &spec)
{
    if (spec.generation == 1)
        return 0;
    return 2 * std::min(spec.hardware.size() + 1, kMaxHardwareCodes);
}

} // namespace

size_t MinimumPartImageSize(const PartImageSpec &spec)
{
    const header::VersionFields &fields = FieldsOf(spec);
    const size_t headerEnd =
        std::max({fields.firmware, fields.loader + HardwareListBytes(spec), fields.identNumber}) +
        fields.width;
    return headerEnd + tvx::kDfuSuffixLength;
}

std::vector<uint8_t> BuildPartImage(const PartImageSpec &spec)
{
    std::vector<uint8_t> image(spec.size);
    const size_t payload = spec.size - tvx::kDfuSuffixLength;
    for (size_t i = 0; i < payload; ++i)
        image[i] = static_cast<uint8_t>((i * 7 + 0x5A) ^ (i >> 8));
    const header::VersionFields &fields = FieldsOf(spec);
    std::fill(image.begin(),
              image.begin() + static_cast<std::ptrdiff_t>(MinimumPartImageSize(spec) - tvx::kDfuSuffixLength),
              0);

    const uint32_t headerWord = spec.generation == 1 ? header::kThreePartGeneration << 16 |
                                                           static_cast<uint32_t>(spec.layout & 0xF) << 8
                                                     : header::BcdLayout(spec.headerKind);
    PutLittleEndian(image.data(), headerWord, header::kWordLength);
    PutLittleEndian(&image[fields.firmware], spec.firmware, fields.width);
    PutLittleEndian(&image[fields.loader], spec.loader, fields.width);
    if (fields.identNumber)
        PutLittleEndian(&image[fields.identNumber], spec.ident, header::kIdentNumberWidth);
    if (spec.generation != 1)
        for (size_t i = 0; i < spec.hardware.size() && i < kMaxHardwareCodes; ++i)
            PutLittleEndian(&image[fields.loader + 2 + 2 * i], spec.hardware[i], 2);

    const uint16_t bcdDevice =
        spec.generation == 1
            ? static_cast<uint16_t>(ToBcd(spec.firmware >> 16 & 0xFF) << 8 | ToBcd(spec.firmware >> 8 & 0xFF))
            : static_cast<uint16_t>(spec.firmware);
    tvx::WriteDfuSuffix(image.data(), payload, bcdDevice, spec.productId, tvx::kVornVendorId,
                        &image[payload]);
    return image;
}

bool ParseBcdVersion(const std::string &text, uint32_t *version)
{
    unsigned long long number = 0;
    if (IsHexNumber(text)) {
        if (!ParseNumber(text, 0xFFFF, &number))
            return false;
        *version = static_cast<uint32_t>(number);
        return true;
    }
    std::vector<unsigned> numbers;
    if (!SplitVersion(text, 2, 99, &numbers))
        return false;
    *version = static_cast<uint32_t>(ToBcd(numbers[0]) << 8 | ToBcd(numbers[1]));
    return true;
}

bool ParseThreePartVersion(const std::string &text, uint32_t *version)
{
    unsigned long long number = 0;
    if (IsHexNumber(text)) {
        if (!ParseNumber(text, 0xFFFFFFFF, &number))
            return false;
        *version = static_cast<uint32_t>(number);
        return true;
    }
    std::vector<unsigned> numbers;
    if (!SplitVersion(text, 3, 255, &numbers))
        return false;
    *version = numbers[0] << 16 | numbers[1] << 8 | numbers[2];
    return true;
}
