// Windows has no pread: ReadFile on the descriptor's handle with the offset
// in an OVERLAPPED structure reads from there (the file position moves, but
// nothing here relies on it).
#include "package/PositionalRead.h"

#include <windows.h>

#include <io.h>

#include <algorithm>

int64_t ReadFileAt(int fd, uint8_t *buffer, size_t count, int64_t offset)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD got = 0;
    const auto piece = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    if (!ReadFile(handle, buffer, piece, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}
