#include "dfulib/src/PartImage.h"

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/suffix/DfuSuffix.h"

namespace tvxdfu {

uint32_t CheckPartImage(const PackageEntry *part, PartPayload *payload)
{
    if (!part || !payload || !part->data || part->size < 0)
        return UPG_HOST_ERROR;
    const auto size = static_cast<std::size_t>(part->size);
    switch (tvx::CheckPartSuffix(part->data, size)) {
    case tvx::PartSuffix::Valid:
        break;
    case tvx::PartSuffix::ForeignVendor:
        return UPG_VENDOR_MISMATCH;
    case tvx::PartSuffix::Missing:
    case tvx::PartSuffix::CrcMismatch:
        return UPG_CRC_MISMATCH;
    }
    payload->data = part->data;
    payload->size = size - tvx::kDfuSuffixLength;
    return 0;
}

} // namespace tvxdfu
