#include "BackupFile.h"

#include "AtomicFile.h"
#include "DfuSuffix.h"
#include "TVXDFUUpgrade.h"

namespace tvxdfu {

uint32_t WriteBackupFile(const char *path, const uint8_t *image, std::size_t size,
                         uint16_t bcdDevice, uint16_t idProduct)
{
    if (!path || !*path || !image || size < kMinBackupImageSize)
        return UPG_HOST_ERROR;
    uint8_t suffix[tvx::kDfuSuffixLength];
    tvx::WriteDfuSuffix(image, size, bcdDevice, idProduct, tvx::kVornVendorId, suffix);
    tvx::AtomicFile file(path);
    const bool written = file.Open() && file.Write(image, size) && file.Write(suffix, sizeof suffix) &&
                         file.Commit();
    return written ? 0 : UPG_HOST_ERROR;
}

} // namespace tvxdfu
