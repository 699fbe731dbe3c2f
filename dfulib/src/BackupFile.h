// The backup file: the read-back image followed by a DFU suffix, written to a
// temporary file in the target folder and renamed into place only when
// complete, so a failed read-back leaves an earlier file of that name intact.
// An earlier file the new one replaces stays beside it as `<name>~`.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dfulib/src/ImageHeaderLength.h"

namespace tvxdfu {

// The shortest read-back that can be a backup; most headers need more
// (ImageHeaderLength).
inline constexpr std::size_t kMinBackupImageSize = kMinImageHeaderLength;

// 0 on success, else UPG_HOST_ERROR (nothing left behind, an earlier file
// untouched). A read-back shorter than the header it starts with is refused
// before anything is written. Why a backup is refused, or what could not be
// made sure of, goes to standard error.
uint32_t WriteBackupFile(const char *path, const uint8_t *image, std::size_t size, uint16_t bcdDevice,
                         uint16_t idProduct);

} // namespace tvxdfu
