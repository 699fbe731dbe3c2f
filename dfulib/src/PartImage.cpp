#include "PartImage.h"

#include "DfuSuffix.h"
#include "TVXDFUUpgrade.h"

namespace tvxdfu {

uint32_t CheckPartImage(const PackageEntry *part, PartPayload *payload)
{
    if (!part || !payload || !part->data || part->size < 0)
        return UPG_HOST_ERROR;
    const auto size = static_cast<std::size_t>(part->size);
    tvx::DfuSuffix suffix;
    if (!tvx::ReadDfuSuffix(part->data, size, &suffix))
        return UPG_CRC_MISMATCH;
    if (suffix.idVendor != tvx::kVornVendorId && suffix.idVendor != tvx::kAnyVendorId)
        return UPG_VENDOR_MISMATCH;
    if (!tvx::DfuSuffixCrcMatches(part->data, size))
        return UPG_CRC_MISMATCH;
    payload->data = part->data;
    payload->size = size - tvx::kDfuSuffixLength;
    return 0;
}

} // namespace tvxdfu
