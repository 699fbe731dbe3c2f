#include "dfulib/atomicfile/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

// The mode open() gives a new file asked for with 0666. The umask is read
// from /proc, as setting it to learn it would race with other threads; where
// /proc cannot tell, the file stays readable by its owner only.
mode_t NewFileMode()
{
    mode_t mask = 077;
    if (std::FILE *status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned value = 0;
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value & 0777);
                break;
            }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

std::string Octal(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string ErrorText(int error)
{
    return std::strerror(error);
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
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool AtomicFile::Fail(const std::string &problem)
{
    Discard();
    failed_ = true;
    problem_ = problem;
    return false;
}

// Finds the file to replace: the target, or the file its symbolic link
// names, and what of it the new file keeps. Refuses what is not the
// process's to replace.
bool AtomicFile::ReadTarget()
{
    path_ = target_;
    struct stat link {};
    if (::lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> real(::realpath(target_.c_str(), nullptr),
                                                               &std::free);
        if (!real)
            return Fail("is a symbolic link that leads to no file (" + ErrorText(errno) +
                        "); it is left as it is");
        path_ = real.get();
    }
    struct stat existing {};
    replaces_ = ::stat(path_.c_str(), &existing) == 0;
    if (!replaces_) {
        mode_ = NewFileMode();
        return true;
    }
    if (!S_ISREG(existing.st_mode))
        return Fail("is not a regular file; it is left as it is");
    // By its mode, not by what open() allows: root may write any file.
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return Fail("is read-only (mode " + Octal(existing.st_mode) + "); it is left as it is");
    owner_ = existing.st_uid;
    group_ = existing.st_gid;
    mode_ = existing.st_mode & 07777;
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
        do
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        while (fd_ < 0 && errno == EINTR);
        if (fd_ >= 0)
            temporary_ = name;
        else if (errno != EEXIST)
            return Fail("cannot be written: no temporary file beside it (" + ErrorText(errno) + ")");
    }
    if (fd_ < 0)
        return Fail("cannot be written: no free temporary name beside it");
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
            return Fail("cannot be written: " + ErrorText(written < 0 ? errno : ENOSPC));
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return fd_ >= 0 && !failed_;
}

// Moves the file about to be replaced to its kept name, and tells whether
// it did. An earlier kept file gives way, as GNU tools treat their `name~`.
bool AtomicFile::KeepReplaced(bool *moved)
{
    *moved = false;
    struct stat existing {};
    if (keptEnding_.empty() || ::lstat(path_.c_str(), &existing) != 0)
        return true;
    const std::string kept = path_ + keptEnding_;
    if (std::rename(path_.c_str(), kept.c_str()) != 0)
        return Fail("cannot be kept as " + kept + ": " + ErrorText(errno) + "; it is left as it is");
    *moved = true;
    return true;
}

bool AtomicFile::Commit()
{
    if (fd_ < 0 || failed_)
        return Fail(problem_.empty() ? "is not open" : problem_);
    mode_t mode = mode_;
    // Only root may give a file away; a group of the process's own may be
    // given by anyone. A set-id bit stays only with the owner it was set by.
    if (replaces_ && ::fchown(fd_, owner_, group_) != 0) {
        if (::fchown(fd_, static_cast<uid_t>(-1), group_) != 0)
            mode &= ~S_ISGID;
        mode &= ~S_ISUID;
    }
    if (::fchmod(fd_, mode) != 0)
        return Fail("cannot be given its mode " + Octal(mode) + ": " + ErrorText(errno));
    if (!SyncRetried(fd_))
        return Fail("cannot be written: " + ErrorText(errno));
    // A close that fails may have lost written data (network file systems).
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        return Fail("cannot be written: " + ErrorText(errno));
    bool moved = false;
    if (!KeepReplaced(&moved))
        return false;
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        if (moved)
            std::rename((path_ + keptEnding_).c_str(), path_.c_str());
        return Fail("cannot be replaced: " + ErrorText(error));
    }
    temporary_.clear();
    // The rename is durable only once the folder is; the file is in place
    // either way.
    if (!SyncFolder(FolderOf(path_)))
        warning_ = "is written, but its folder could not be synced (" + ErrorText(errno) +
                   "); a power loss may still undo it";
    return true;
}

} // namespace tvx
