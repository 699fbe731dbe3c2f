#include "dfulib/src/BackupFile.h"

#include <cstdio>

#include "dfulib/atomicfile/AtomicFile.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/suffix/DfuSuffix.h"

namespace tvxdfu {

uint32_t WriteBackupFile(const char *path, const uint8_t *image, std::size_t size, uint16_t bcdDevice,
                         uint16_t idProduct)
{
    if (!path || !*path)
        return UPG_HOST_ERROR;
    const std::size_t needed = ImageHeaderLength(image, size);
    if (!image || size < needed) {
        std::fprintf(stderr,
                     "TVXDFUUpgrade: backup file %s: the terminal read back %zu bytes, fewer than its image "
                     "header takes (%zu); it is not a backup, and nothing is written\n",
                     path, image ? size : 0, needed);
        return UPG_HOST_ERROR;
    }
    uint8_t suffix[tvx::kDfuSuffixLength];
    tvx::WriteDfuSuffix(image, size, bcdDevice, idProduct, tvx::kVornVendorId, suffix);
    tvx::AtomicFile file(path);
    file.KeepReplacedAs("~");
    if (!file.Open() || !file.Write(image, size) || !file.Write(suffix, sizeof suffix) || !file.Commit()) {
        std::fprintf(stderr, "TVXDFUUpgrade: backup file %s %s\n", path, file.Problem().c_str());
        return UPG_HOST_ERROR;
    }
    if (!file.Warning().empty())
        std::fprintf(stderr, "TVXDFUUpgrade: backup file %s %s\n", path, file.Warning().c_str());
    return 0;
}

} // namespace tvxdfu
