// The atomic file on Windows: UTF-16 paths, FlushFileBuffers, and
// MoveFileExW replacing the target with write-through, so that the move is
// on the disk when it returns. Windows files carry no owner or mode bits for
// the new file to take over; a read-only target is refused as elsewhere.
#include "dfulib/atomicfile/AtomicFile.h"

#include <windows.h>
#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tvx {
namespace {

constexpr int kNameAttempts = 16;
constexpr std::size_t kSuffixLength = 6;
constexpr char kTemporaryEnding[] = ".tmp";
// The longest file name (UTF-16 units), which a UTF-8 name within it keeps to.
constexpr std::size_t kNameMax = 255;

// The UTF-16 form of a UTF-8 path; empty when the path is not UTF-8.
std::wstring Wide(const std::string &path)
{
    if (path.empty() || path.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(path.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), size, wide.data(), length);
    return wide;
}

// The target's path with six random letters or digits and ".tmp" appended,
// the target's name cut between UTF-8 characters to fit the name limit.
std::string TemporaryName(const std::string &target)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    uint8_t random[kSuffixLength] = {};
    BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    const std::size_t nameStart = target.find_last_of("/\\") + 1; // 0 without one
    const std::size_t room = kNameMax - 1 - kSuffixLength - (sizeof kTemporaryEnding - 1);
    std::size_t end = target.size();
    if (end - nameStart > room) {
        end = nameStart + room;
        while (end > nameStart && (static_cast<uint8_t>(target[end]) & 0xC0) == 0x80)
            --end;
    }
    std::string name = target.substr(0, end) + ".";
    for (const uint8_t byte : random)
        name += kLetters[byte % (sizeof kLetters - 1)];
    return name + kTemporaryEnding;
}

bool MoveReplacing(const std::string &from, const std::string &to)
{
    const std::wstring wideFrom = Wide(from), wideTo = Wide(to);
    return !wideFrom.empty() && !wideTo.empty() &&
           MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

std::string LastErrorText()
{
    return "Windows error " + std::to_string(GetLastError());
}

} // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile()
{
    Discard();
}

void AtomicFile::KeepReplacedAs(std::string ending)
{
    keptEnding_ = std::move(ending);
}

void AtomicFile::Discard()
{
    if (fd_ >= 0)
        _close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        DeleteFileW(Wide(temporary_).c_str());
    temporary_.clear();
}

bool AtomicFile::Fail(const std::string &problem)
{
    Discard();
    failed_ = true;
    problem_ = problem;
    return false;
}

bool AtomicFile::ReadTarget()
{
    path_ = target_;
    const DWORD attributes = GetFileAttributesW(Wide(path_).c_str());
    replaces_ = attributes != INVALID_FILE_ATTRIBUTES;
    if (!replaces_)
        return true;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return Fail("is not a regular file; it is left as it is");
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return Fail("is read-only; it is left as it is");
    return true;
}

bool AtomicFile::Open()
{
    Discard();
    failed_ = false;
    problem_.clear();
    warning_.clear();
    if (target_.empty())
        return Fail("names no file");
    if (!ReadTarget())
        return false;
    for (int attempt = 0; attempt < kNameAttempts && fd_ < 0; ++attempt) {
        const std::string name = TemporaryName(path_);
        const std::wstring wide = Wide(name);
        if (wide.empty())
            return Fail("cannot be written: its name is not UTF-8");
        fd_ = _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                     _S_IREAD | _S_IWRITE);
        if (fd_ >= 0)
            temporary_ = name;
        else if (errno != EEXIST)
            return Fail("cannot be written: no temporary file beside it (" +
                        std::string(std::strerror(errno)) + ")");
    }
    if (fd_ < 0)
        return Fail("cannot be written: no free temporary name beside it");
    return true;
}

bool AtomicFile::Write(const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const uint8_t *>(data);
    while (fd_ >= 0 && !failed_ && size > 0) {
        const unsigned int chunk = size > INT_MAX ? INT_MAX : static_cast<unsigned int>(size);
        const int written = _write(fd_, bytes, chunk);
        if (written <= 0)
            return Fail("cannot be written: " + std::string(std::strerror(written < 0 ? errno : ENOSPC)));
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return fd_ >= 0 && !failed_;
}

bool AtomicFile::KeepReplaced(bool *moved)
{
    *moved = false;
    if (keptEnding_.empty() || GetFileAttributesW(Wide(path_).c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    const std::string kept = path_ + keptEnding_;
    if (!MoveReplacing(path_, kept))
        return Fail("cannot be kept as " + kept + ": " + LastErrorText() + "; it is left as it is");
    *moved = true;
    return true;
}

bool AtomicFile::Commit()
{
    if (fd_ < 0 || failed_)
        return Fail(problem_.empty() ? "is not open" : problem_);
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle))
        return Fail("cannot be written: " + LastErrorText());
    const int fd = fd_;
    fd_ = -1;
    if (_close(fd) != 0)
        return Fail("cannot be written: " + std::string(std::strerror(errno)));
    bool moved = false;
    if (!KeepReplaced(&moved))
        return false;
    if (!MoveReplacing(temporary_, path_)) {
        const std::string error = LastErrorText();
        if (moved)
            MoveReplacing(path_ + keptEnding_, path_);
        return Fail("cannot be replaced: " + error);
    }
    temporary_.clear();
    return true;
}

} // namespace tvx
