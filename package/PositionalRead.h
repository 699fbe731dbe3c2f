// Reading from an offset of an open file without moving its position, so that
// the signature block and the bytes before it are read where they lie.
#pragma once

#include <cstddef>
#include <cstdint>

// Up to `count` bytes from `offset` of descriptor `fd`: how many came (0 at
// the end of the file), or -1 on an error (errno EINTR: try again).
int64_t ReadFileAt(int fd, uint8_t *buffer, size_t count, int64_t offset);
