// The backup file: the read-back image followed by a DFU suffix, written to a
// temporary file in the target folder and renamed into place only when
// complete, so a failed read-back leaves an earlier file of that name intact.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvxdfu {

// The smallest image whose header carries versions: the BCD layout with the
// firmware and loader versions at offsets 224 and 226. A read-back shorter
// than that is no firmware, and must not replace an earlier backup.
inline constexpr std::size_t kMinBackupImageSize = 228;

// 0 on success, else UPG_HOST_ERROR (nothing left behind, an earlier file
// untouched).
uint32_t WriteBackupFile(const char *path, const uint8_t *image, std::size_t size,
                         uint16_t bcdDevice, uint16_t idProduct);

} // namespace tvxdfu
