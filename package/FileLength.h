// Length of an open file, for the package reader's bounds checks.
#pragma once

#include <cstdint>
#include <cstdio>

// The file's length in bytes, or -1 when it cannot be found. Moves the
// file position; callers seek before they read.
inline int64_t FileLength(FILE *file)
{
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    return ftello(file);
}
