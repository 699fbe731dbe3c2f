#include "AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace tvx {
namespace {

constexpr int kNameAttempts = 16;
constexpr std::size_t kSuffixLength = 6;
constexpr char kTemporaryEnding[] = ".tmp";

// Six letters or digits that make the temporary name unlikely to be taken.
std::string RandomSuffix()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    uint8_t random[kSuffixLength] = {};
    ssize_t got;
    do
        got = ::getrandom(random, sizeof random, 0);
    while (got < 0 && errno == EINTR);
    std::string suffix;
    for (const uint8_t byte : random)
        suffix += kLetters[byte % (sizeof kLetters - 1)];
    return suffix;
}

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The target's path with a random ending, shortening the target's file name
// so that the temporary one fits the file name limit. The cut falls between
// UTF-8 characters: file systems that check names refuse a broken one.
std::string TemporaryName(const std::string &target)
{
    const std::size_t nameStart = target.rfind('/') + 1; // 0 without a slash
    const std::size_t room = NAME_MAX - 1 - kSuffixLength - (sizeof kTemporaryEnding - 1);
    std::size_t end = target.size();
    if (end - nameStart > room) {
        end = nameStart + room;
        while (end > nameStart && (static_cast<uint8_t>(target[end]) & 0xC0) == 0x80)
            --end;
    }
    return target.substr(0, end) + "." + RandomSuffix() + kTemporaryEnding;
}

bool SyncRetried(int fd)
{
    int result;
    do
        result = ::fsync(fd);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

// A folder whose file system cannot sync folders has nothing more to do.
bool SyncFolder(const std::string &folder)
{
    int fd;
    do
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    const bool synced = SyncRetried(fd) || errno == EINVAL;
    ::close(fd);
    return synced;
}

} // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool AtomicFile::Open()
{
    Discard();
    failed_ = false;
    if (target_.empty())
        return false;
    // Created with 0666, the new file gets what the umask and the folder's
    // default ACL leave; an existing target's mode is carried over.
    struct stat existing {};
    const bool replaces = ::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < kNameAttempts && fd_ < 0; ++attempt) {
        const std::string name = TemporaryName(target_);
        do
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ >= 0)
            temporary_ = name;
        else if (errno != EEXIST)
            return false;
    }
    if (fd_ < 0)
        return false;
    if (replaces && ::fchmod(fd_, existing.st_mode & 07777) != 0) {
        Discard();
        return false;
    }
    return true;
}

bool AtomicFile::Write(const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const uint8_t *>(data);
    while (fd_ >= 0 && !failed_ && size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            failed_ = true;
        else {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        }
    }
    return fd_ >= 0 && !failed_;
}

bool AtomicFile::Commit()
{
    if (fd_ < 0 || failed_ || !SyncRetried(fd_)) {
        Discard();
        return false;
    }
    // A close that fails may have lost written data (network file systems).
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Discard();
        return false;
    }
    temporary_.clear();
    // The rename is durable only once the folder is.
    return SyncFolder(FolderOf(target_));
}

} // namespace tvx
