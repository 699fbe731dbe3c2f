// Identification of a part image at the package step: the versions and the
// product id a BCD terminal's package states in its DFU suffix and header.
#include "wizard/ImageIdentification.h"

#include <algorithm>

#include "dfulib/imageheader/ImageHeaderLayout.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

constexpr uint32_t kErrorBadImage = 1006;  // no image, or too short for a suffix
constexpr uint32_t kErrorInvalidData = 13; // suffix version is not BCD
constexpr int32_t kMinimumImageSize = 17;  // the 16-byte suffix and one byte more

} // namespace

uint32_t CTVXUpgradeDlg::IdentifyImage(const PackageEntry *part, uint16_t *firmware, uint16_t *loader,
                                       uint16_t *productId)
{
    // Sizes below the suffix, negative ones included, have nothing to read.
    if (!part || !part->data || part->size < kMinimumImageSize)
        return kErrorBadImage;
    const auto size = static_cast<std::size_t>(part->size);

    uint16_t firmwareVersion = 0;
    ImageWord16(part, size - 16, &firmwareVersion); // suffix bcdDevice
    ImageWord16(part, size - 14, productId);        // suffix idProduct
    if (!IsValidBcdVersion(firmwareVersion))
        return kErrorInvalidData;
    *firmware = firmwareVersion;

    uint16_t loaderVersion = 0;
    const std::size_t offset = tvx::imageheader::KnownBcdLoaderOffset(part->data[0]);
    uint16_t word = 0;
    if (offset != 0 && size > offset + 16 && ImageWord16(part, offset, &word) && IsValidBcdVersion(word))
        loaderVersion = word;
    *loader = loaderVersion;
    return 0;
}

void ReadHardwareCodes(const PackageEntry *part, uint16_t (&codes)[16])
{
    std::fill(std::begin(codes), std::end(codes), uint16_t{0});
    if (!part || !part->data || part->size < kMinimumImageSize)
        return;
    const auto size = static_cast<std::size_t>(part->size);
    const std::size_t offset = tvx::imageheader::KnownBcdLoaderOffset(part->data[0]);
    if (offset == 0 || size <= offset + 16)
        return;
    // The list lies in the header: it never reaches into the suffix.
    std::size_t copied = 0;
    for (std::size_t at = offset + 2; copied < 16 && at + 2 <= size - 16; at += 2) {
        ImageWord16(part, at, &codes[copied]);
        if (codes[copied++] == 0)
            return;
    }
    if (copied > 0)
        codes[copied - 1] = 0; // no end mark came: the last code gives way to it
}
