#include "BackupFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "DfuSuffix.h"
#include "TVXDFUUpgrade.h"

namespace tvxdfu {
namespace {

bool WriteAll(int fd, const uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

uint32_t WriteBackupFile(const char *path, const uint8_t *image, std::size_t size,
                         uint16_t bcdDevice, uint16_t idProduct)
{
    if (!path || !*path || (!image && size > 0))
        return UPG_HOST_ERROR;
    // The temporary file lives beside the target so that the rename is atomic.
    std::string temporary = std::string(path) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return UPG_HOST_ERROR;
    uint8_t suffix[tvx::kDfuSuffixLength];
    tvx::WriteDfuSuffix(image, size, bcdDevice, idProduct, tvx::kVornVendorId, suffix);
    const bool written = WriteAll(fd, image, size) && WriteAll(fd, suffix, sizeof suffix) &&
                         ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path) != 0) {
        ::unlink(temporary.c_str());
        return UPG_HOST_ERROR;
    }
    return 0;
}

} // namespace tvxdfu
