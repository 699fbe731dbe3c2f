#include "platform/RegularFile.h"

#include <windows.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <limits>

#include "platform/Utf8Path.h"

namespace tvx {
namespace {

int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

} // namespace

RegularFileOpen OpenRegularFile(const char *path, int *fd, struct stat *info)
{
    *fd = -1;
    std::filesystem::path name;
    if (!PathFromUtf8(path, &name)) {
        errno = ENOENT;
        return RegularFileOpen::Unopenable;
    }
    // Looked at without opening: a device name (NUL, COM1) is a character
    // device here.
    struct _stat64 named {};
    if (::_wstat64(name.c_str(), &named) != 0)
        return RegularFileOpen::Unopenable;
    if (named.st_mode & _S_IFDIR)
        return RegularFileOpen::Folder;
    if (!(named.st_mode & _S_IFREG))
        return RegularFileOpen::NotRegular;
    // Shared like a POSIX open: others may go on writing, renaming or
    // deleting, which the reader notices by the size.
    const HANDLE handle =
        ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(::GetLastError());
        return RegularFileOpen::Unopenable;
    }
    BY_HANDLE_FILE_INFORMATION opened{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &opened) ||
        (opened.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(handle);
        return RegularFileOpen::Replaced;
    }
    // Binary: the C runtime's text mode would turn CR LF into LF and end the
    // file at its first Ctrl+Z.
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        ::CloseHandle(handle);
        return RegularFileOpen::Unopenable;
    }
    *info = {};
    info->st_mode = _S_IFREG;
    // The C runtime's size may be 32 bits: a larger file reads as too large,
    // never as a small one.
    using Size = decltype(info->st_size);
    const uint64_t size = (static_cast<uint64_t>(opened.nFileSizeHigh) << 32) | opened.nFileSizeLow;
    info->st_size = size > static_cast<uint64_t>(std::numeric_limits<Size>::max())
                        ? std::numeric_limits<Size>::max()
                        : static_cast<Size>(size);
    *fd = descriptor;
    return RegularFileOpen::Opened;
}

} // namespace tvx
