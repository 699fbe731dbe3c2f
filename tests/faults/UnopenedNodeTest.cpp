// A named pipe, socket or device node in the place of a package or of the
// batch file is refused by its type and never opened: opening a device can
// have effects of its own. inotify reports every open of the node, so "never
// opened" is observed here, not assumed.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "config/ConfigFile.h"
#include "package/Package.h"

namespace {

// Counts the opens of one file from its creation on.
class OpenCount {
public:
    explicit OpenCount(const std::string &path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        EXPECT_GE(::inotify_add_watch(fd_, path.c_str(), IN_OPEN), 0) << path << ": " << std::strerror(errno);
    }
    ~OpenCount() { ::close(fd_); }
    OpenCount(const OpenCount &) = delete;
    OpenCount &operator=(const OpenCount &) = delete;

    // The opens so far: the kernel queues the event before open returns.
    int Opens()
    {
        alignas(inotify_event) char buffer[4096];
        ssize_t got;
        while ((got = ::read(fd_, buffer, sizeof buffer)) > 0)
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                opens_ += (event->mask & IN_OPEN) ? 1 : 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        return opens_;
    }

private:
    int fd_;
    int opens_ = 0;
};

// A socket file at `path`, left behind by a server that has gone.
bool MakeSocket(const std::string &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

class UnopenedNode : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tvx-nodes-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string folder;
};

} // namespace

TEST_F(UnopenedNode, PipesSocketsAndDevicesAreRefusedByTheirTypeUnopened)
{
    const struct {
        const char *kind;
        std::function<bool(const std::string &)> make;
    } nodes[] = {
        {"a named pipe without a writer",
         [](const std::string &path) { return ::mkfifo(path.c_str(), 0600) == 0; }},
        {"a socket", MakeSocket},
        // Where the process may make device nodes: the null device's numbers.
        {"a device node",
         [](const std::string &path) { return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; }},
    };
    const struct {
        const char *door;
        const char *fileName;
        std::function<bool(const std::string &)> refused;
    } doors[] = {
        {"package", "update.ppu",
         [](const std::string &path) {
             PackageRecord *record = NewPackageRecord();
             const LoadFailure failure = LoadPackageChecked(path.c_str(), record);
             FreePackage(record);
             return failure == LoadFailure::NotARegularFile;
         }},
        {"batch file", kConfigFileName,
         [](const std::string &path) {
             std::string text;
             return ReadConfigText(path, &text) == 1006 && text.empty();
         }},
    };
    for (const auto &node : nodes)
        for (const auto &door : doors) {
            SCOPED_TRACE(std::string(node.kind) + " as " + door.door);
            const std::string place = folder + "/" + node.kind;
            std::filesystem::create_directory(place);
            const std::string path = place + "/" + door.fileName;
            if (!node.make(path)) {
                ASSERT_EQ(errno, EPERM) << std::strerror(errno); // only a device node may be out of reach
                continue;
            }
            OpenCount opens(path);
            EXPECT_TRUE(door.refused(path));
            EXPECT_EQ(opens.Opens(), 0);
            // Through a link the same.
            const std::string link = folder + "/link-" + door.fileName;
            std::filesystem::create_symlink(path, link);
            EXPECT_TRUE(door.refused(link));
            EXPECT_EQ(opens.Opens(), 0);
            std::filesystem::remove(link);
        }
}
