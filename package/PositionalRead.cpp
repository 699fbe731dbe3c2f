#include "package/PositionalRead.h"

#include <unistd.h>

int64_t ReadFileAt(int fd, uint8_t *buffer, size_t count, int64_t offset)
{
    return ::pread(fd, buffer, count, static_cast<off_t>(offset));
}
