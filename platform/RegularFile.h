// Opening a file that is known to be a regular one. What stands at the path
// is looked at before it is opened: a device node, named pipe or socket is
// refused by its type and never opened, since opening a device can have
// effects of its own. Links are followed. Whatever took the file's place
// between the look and the open is refused too. The path is UTF-8.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvx {

enum class RegularFileOpen { Opened, Unopenable, Folder, NotRegular, Replaced };

// On Opened `*fd` is the open descriptor and `*info` its status; otherwise
// `*fd` is -1, and after Unopenable errno says why.
#ifdef _WIN32
// windows/RegularFile.cpp: the path as UTF-16, a binary descriptor, and of
// the status the type and the size only.
RegularFileOpen OpenRegularFile(const char *path, int *fd, struct stat *info);
#else
inline RegularFileOpen OpenRegularFile(const char *path, int *fd, struct stat *info)
{
    *fd = -1;
    struct stat named {};
    if (::stat(path, &named) != 0)
        return RegularFileOpen::Unopenable;
    if (S_ISDIR(named.st_mode))
        return RegularFileOpen::Folder;
    if (!S_ISREG(named.st_mode))
        return RegularFileOpen::NotRegular;
    // Non-blocking, so that a named pipe put in its place after the look
    // cannot stall the open.
    const int opened = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0)
        return RegularFileOpen::Unopenable;
    if (::fstat(opened, info) != 0 || info->st_dev != named.st_dev || info->st_ino != named.st_ino ||
        !S_ISREG(info->st_mode)) {
        ::close(opened);
        return RegularFileOpen::Replaced;
    }
    *fd = opened;
    return RegularFileOpen::Opened;
}
#endif

} // namespace tvx
