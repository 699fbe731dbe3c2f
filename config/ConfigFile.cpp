#include "config/ConfigFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/DirectoryListing.h"
#include "platform/RegularFile.h"

namespace {

constexpr uint32_t kErrorBadSize = 1006;
constexpr uint32_t kErrorInvalidData = 13;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

uint32_t ReadConfigText(const std::string &fileName, std::string *text)
{
    if (!text)
        return kErrorBadSize;
    text->clear();
    // A pipe, socket or device in the file's place is refused by its type
    // before it is opened, as is a folder.
    int fd = -1;
    struct stat info {};
    const tvx::RegularFileOpen opened = tvx::OpenRegularFile(fileName.c_str(), &fd, &info);
    if (opened == tvx::RegularFileOpen::Unopenable)
        return static_cast<uint32_t>(errno);
    const FileDescriptor file(fd);
    if (opened != tvx::RegularFileOpen::Opened || info.st_size < 1 ||
        info.st_size > static_cast<off_t>(kMaxConfigBytes))
        return kErrorBadSize;
    if (::lseek(file.get(), 0, SEEK_SET) != 0)
        return kErrorBadSize;

    // At most the size taken, even when the file grows meanwhile.
    char buffer[kMaxConfigBytes + 1] = {};
    ssize_t got;
    do
        got = ::read(file.get(), buffer, static_cast<std::size_t>(info.st_size));
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return static_cast<uint32_t>(errno);
    if (got == 0)
        return kErrorInvalidData;

    for (ssize_t i = 0; i < got; ++i)
        if (static_cast<unsigned char>(buffer[i]) >= 0x20)
            text->push_back(buffer[i]);
    return 0;
}

std::string FindConfigFile()
{
    for (const std::string &entry : tvx::ListDirectoryEntries(".", kConfigFileName))
        if (entry.front() != '[') // "[..]" and folders
            return entry;
    return kConfigFileName;
}

std::vector<std::string> SplitConfigNames(const std::string &text)
{
    std::vector<std::string> names;
    std::string name;
    // A missing full stop at the end is implied.
    for (char c : text + ".") {
        if (c != '.') {
            name.push_back(c);
            continue;
        }
        if (name.empty())
            continue;
        names.push_back(std::move(name));
        name.clear();
        if (names.size() == kMaxConfigNames)
            break;
    }
    return names;
}
