// The atomic file's temporary name, and how it meets an interrupted or short
// write and an interrupted sync, and when it syncs the folder; what it keeps
// of the target it replaces, and what it refuses to replace.
//
// write() and fsync() are interposed in this executable, so it holds no other
// tests: while a test arms them they fail or shorten calls as signals and
// file systems do, every sync is recorded with what it synced, and every
// write with the mode the file had then.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "dfulib/atomicfile/AtomicFile.h"
#include "tests/support/ProgramRun.h"

namespace {

namespace fs = std::filesystem;

struct Sync {
    std::string path;
    bool targetComplete = false; // the target already held the new content
    bool operator==(const Sync &) const = default;
};

void PrintTo(const Sync &sync, std::ostream *out)
{
    *out << sync.path << (sync.targetComplete ? " after" : " before") << " the target was complete";
}

struct Faults {
    bool armed = false;
    bool interruptWrite = false; // the next write fails with EINTR
    size_t writeLimit = SIZE_MAX;
    int interruptSync = 0; // that fsync (counted from 1) fails with EINTR
    int failSync = 0;      // that fsync fails with EIO
    int syncCalls = 0;
    std::string target;
    std::string content;
    std::vector<Sync> synced;
    std::vector<mode_t> writeModes;
};

Faults faults;

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string PathOf(int fd)
{
    std::error_code error;
    return fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
}

template <typename Function>
Function Next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void *buffer, size_t count)
{
    static const auto next = Next<ssize_t (*)(int, const void *, size_t)>("write");
    struct stat info {};
    if (faults.armed && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        faults.writeModes.push_back(info.st_mode & 07777);
    if (faults.armed && faults.interruptWrite) {
        faults.interruptWrite = false;
        errno = EINTR;
        return -1;
    }
    return next(fd, buffer, faults.armed ? std::min(count, faults.writeLimit) : count);
}

int fsync(int fd)
{
    static const auto next = Next<int (*)(int)>("fsync");
    if (faults.armed && ++faults.syncCalls == faults.interruptSync) {
        errno = EINTR;
        return -1;
    }
    if (faults.armed && faults.syncCalls == faults.failSync) {
        errno = EIO;
        return -1;
    }
    const int result = next(fd);
    if (faults.armed && result == 0)
        faults.synced.push_back({PathOf(fd), fs::is_regular_file(faults.target) && // a FIFO would block
                                                 ReadFile(faults.target) == faults.content});
    return result;
}

} // extern "C"

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override { faults = Faults{}; }
    // Writes `content` to `name` in the scratch folder in two pieces, as the
    // backup writer writes an image and its suffix.
    bool WriteFile(const std::string &name, const std::string &content)
    {
        faults.target = folder_.Path() + "/" + name;
        faults.content = content;
        faults.synced.clear();
        faults.writeModes.clear();
        faults.syncCalls = 0;
        tvx::AtomicFile file(faults.target);
        faults.armed = true;
        const std::size_t half = content.size() / 2;
        const bool written = file.Open() && file.Write(content.data(), half) &&
                             file.Write(content.data() + half, content.size() - half) && file.Commit();
        faults.armed = false;
        problem_ = file.Problem();
        warning_ = file.Warning();
        return written;
    }
    std::string PathOf(const std::string &name) const { return folder_.Path() + "/" + name; }
    mode_t ModeOf(const std::string &name) const
    {
        struct stat info {};
        EXPECT_EQ(::stat(PathOf(name).c_str(), &info), 0);
        return info.st_mode & 07777;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder_.Path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    ScratchFolder folder_;
    std::string problem_;
    std::string warning_;
};

TEST_F(AtomicFileTest, TemporaryNameFitsTheNameLimitBesideTheTarget)
{
    const std::string accented = "\xc3\xa9"; // two bytes in UTF-8
    std::string oddAccents = "x";
    for (int i = 0; i < 125; ++i)
        oddAccents += accented;
    oddAccents += ".bak";
    struct Case {
        std::string name;
        std::size_t keptBytes; // of the name, in the temporary name
    } cases[] = {
        {"terminal.bak", 12},
        {std::string(NAME_MAX - 11, 'a'), NAME_MAX - 11},
        {std::string(NAME_MAX - 10, 'b'), NAME_MAX - 11},
        {std::string(NAME_MAX, 'c'), NAME_MAX - 11},
        // the cut would fall inside a character, so it keeps one byte less
        {oddAccents, NAME_MAX - 12},
    };
    const std::string content(70000, 'z');
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.size());
        ASSERT_TRUE(WriteFile(c.name, content));
        EXPECT_TRUE(ReadFile(faults.target) == content) << "the target is not what was written";
        EXPECT_EQ(Names(), std::vector<std::string>{c.name});
        ASSERT_EQ(faults.synced.size(), 2u);
        const fs::path temporary = faults.synced[0].path;
        const std::string temporaryName = temporary.filename().string();
        EXPECT_EQ(temporary.parent_path(), fs::canonical(folder_.Path()));
        EXPECT_LE(temporaryName.size(), std::size_t{NAME_MAX});
        EXPECT_EQ(temporaryName.substr(0, c.keptBytes), c.name.substr(0, c.keptBytes));
        EXPECT_EQ(temporaryName.size(), c.keptBytes + 11) << temporaryName;
        fs::remove(faults.target);
    }
}

// Each way out of a write and a sync that a signal or a file system makes
// ends in the complete file, synced, and the folder synced after the rename.
TEST_F(AtomicFileTest, InterruptedAndShortCallsAreCarriedOnAndTheFolderIsSyncedAfterTheRename)
{
    struct Case {
        const char *what;
        bool interruptWrite;
        size_t writeLimit;
        int interruptSync;
    } cases[] = {
        {"no fault", false, SIZE_MAX, 0},
        {"a write interrupted", true, SIZE_MAX, 0},
        {"short writes", false, 4096, 0},
        {"the file's sync interrupted", false, SIZE_MAX, 1},
        {"the folder's sync interrupted", false, SIZE_MAX, 2},
    };
    std::ofstream(folder_.Path() + "/part.ppu") << "earlier content";
    const fs::path folder = fs::canonical(folder_.Path());
    char fill = 'a';
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string content(50000, fill++);
        faults.interruptWrite = c.interruptWrite;
        faults.writeLimit = c.writeLimit;
        faults.interruptSync = c.interruptSync;
        ASSERT_TRUE(WriteFile("part.ppu", content));
        EXPECT_TRUE(ReadFile(faults.target) == content) << "the target is not what was written";
        EXPECT_EQ(Names(), std::vector<std::string>{"part.ppu"});
        ASSERT_EQ(faults.synced.size(), 2u);
        EXPECT_EQ(fs::path(faults.synced[0].path).parent_path(), folder);
        EXPECT_FALSE(faults.synced[0].targetComplete);
        EXPECT_EQ(faults.synced[1], (Sync{folder.string(), true}));
    }
}

// What was being written is the owner's alone until it is complete; then it
// takes the mode of the file it replaces, or a new file's under the umask.
TEST_F(AtomicFileTest, TemporaryFileIsTheOwnersAloneUntilItTakesItsFinalMode)
{
    struct Case {
        const char *what;
        int earlier; // the replaced file's mode, -1: none
        mode_t umask;
        mode_t final;
    } cases[] = {
        {"new, umask 022", -1, 022, 0644},
        {"new, umask 002", -1, 002, 0664},
        {"new, umask 077", -1, 077, 0600},
        {"replacing a file of 0664", 0664, 077, 0664},
        {"replacing a file of 0604", 0604, 022, 0604},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(PathOf("part.ppu"));
        if (c.earlier >= 0) {
            std::ofstream(PathOf("part.ppu")) << "earlier content";
            fs::permissions(PathOf("part.ppu"), static_cast<fs::perms>(c.earlier));
        }
        const mode_t saved = ::umask(c.umask);
        const bool written = WriteFile("part.ppu", std::string(20000, 'm'));
        ::umask(saved);
        ASSERT_TRUE(written) << problem_;
        ASSERT_FALSE(faults.writeModes.empty());
        for (const mode_t mode : faults.writeModes)
            EXPECT_EQ(mode, 0600u) << "mode while written";
        EXPECT_EQ(ModeOf("part.ppu"), c.final);
    }
}

// A file without any write permission is the user's to keep, whatever root
// may do, and what is no regular file (a FIFO, a device) is never replaced.
TEST_F(AtomicFileTest, ReadOnlyOrIrregularTargetIsRefusedAndLeftAsItIs)
{
    struct Case {
        const char *what;
        int mode; // -1: a FIFO
        std::string problem;
    } cases[] = {
        {"mode 0444", 0444, "is read-only (mode 0444); it is left as it is"},
        {"mode 0400", 0400, "is read-only (mode 0400); it is left as it is"},
        {"a FIFO", -1, "is not a regular file; it is left as it is"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(PathOf("part.ppu"));
        if (c.mode < 0) {
            ASSERT_EQ(::mkfifo(PathOf("part.ppu").c_str(), 0644), 0);
        } else {
            std::ofstream(PathOf("part.ppu")) << "earlier content";
            fs::permissions(PathOf("part.ppu"), static_cast<fs::perms>(c.mode));
        }
        EXPECT_FALSE(WriteFile("part.ppu", "new content"));
        EXPECT_EQ(problem_, c.problem);
        EXPECT_EQ(Names(), std::vector<std::string>{"part.ppu"});
        if (c.mode < 0) {
            EXPECT_TRUE(fs::is_fifo(PathOf("part.ppu")));
        } else {
            EXPECT_EQ(ReadFile(PathOf("part.ppu")), "earlier content");
            EXPECT_EQ(ModeOf("part.ppu"), static_cast<mode_t>(c.mode));
        }
    }
}

// The file a link names is replaced and the link stays, as GNU tools write
// through links; a link that leads to no file is left alone.
TEST_F(AtomicFileTest, SymbolicLinkTargetIsWrittenThroughAndStays)
{
    fs::create_directory(PathOf("real"));
    std::ofstream(PathOf("real/part.ppu")) << "earlier content";
    fs::permissions(PathOf("real/part.ppu"), static_cast<fs::perms>(0640));
    fs::create_symlink("real/part.ppu", PathOf("part.ppu"));
    fs::create_symlink("part.ppu", PathOf("chain.ppu"));
    fs::create_symlink("real/missing.ppu", PathOf("dangling.ppu"));
    const std::vector<std::string> names = {"chain.ppu", "dangling.ppu", "part.ppu", "real"};
    auto sorted = [this] {
        std::vector<std::string> now = Names();
        std::sort(now.begin(), now.end());
        return now;
    };

    for (const std::string name : {"part.ppu", "chain.ppu"}) {
        SCOPED_TRACE(name);
        const std::string content(30000, name[0]);
        ASSERT_TRUE(WriteFile(name, content)) << problem_;
        EXPECT_TRUE(ReadFile(PathOf("real/part.ppu")) == content)
            << "the file the link names is not replaced";
        EXPECT_EQ(ModeOf("real/part.ppu"), 0640u);
        EXPECT_EQ(fs::read_symlink(PathOf("part.ppu")), "real/part.ppu");
        EXPECT_EQ(fs::read_symlink(PathOf("chain.ppu")), "part.ppu");
        EXPECT_EQ(sorted(), names);
        EXPECT_EQ(fs::directory_iterator(PathOf("real"))->path().filename(), "part.ppu");
        EXPECT_EQ(std::distance(fs::directory_iterator(PathOf("real")), fs::directory_iterator()), 1);
    }

    EXPECT_FALSE(WriteFile("dangling.ppu", "new content"));
    EXPECT_EQ(problem_.rfind("is a symbolic link that leads to no file (", 0), 0u) << problem_;
    EXPECT_EQ(fs::read_symlink(PathOf("dangling.ppu")), "real/missing.ppu");
    EXPECT_FALSE(fs::exists(PathOf("real/missing.ppu")));
    EXPECT_EQ(sorted(), names);
}

// Root gives the new file the owner and group of the file it replaces; a
// user who may not give files away writes it as its own, without a word, and
// without a set-id bit that was another owner's.
TEST_F(AtomicFileTest, OwnerIsCarriedOverWhereTheProcessMayGiveIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand files to other users";
    constexpr uid_t kUser = 4321;
    constexpr gid_t kGroup = 4322;
    std::ofstream(PathOf("part.ppu")) << "earlier content";
    ASSERT_EQ(::chown(PathOf("part.ppu").c_str(), kUser, kGroup), 0);
    ASSERT_EQ(::chmod(PathOf("part.ppu").c_str(), 0640), 0);
    ASSERT_TRUE(WriteFile("part.ppu", "root's content")) << problem_;
    struct stat info {};
    ASSERT_EQ(::stat(PathOf("part.ppu").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kUser);
    EXPECT_EQ(info.st_gid, kGroup);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    ASSERT_EQ(::chown(PathOf("part.ppu").c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(PathOf("part.ppu").c_str(), 06666), 0);
    ASSERT_EQ(::chmod(folder_.Path().c_str(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(kGroup) != 0 || ::setuid(kUser) != 0)
            ::_exit(2);
        tvx::AtomicFile file(PathOf("part.ppu"));
        const std::string content = "the user's content";
        ::_exit(file.Open() && file.Write(content.data(), content.size()) && file.Commit() &&
                        file.Warning().empty()
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(PathOf("part.ppu")), "the user's content");
    ASSERT_EQ(::stat(PathOf("part.ppu").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kUser);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
}

// Once renamed, the new file is in place: a folder that cannot be synced
// makes it less durable, not unwritten.
TEST_F(AtomicFileTest, FolderThatCannotBeSyncedIsAWarningNotAFailure)
{
    std::ofstream(PathOf("part.ppu")) << "earlier content";
    faults.failSync = 2; // the file's sync passes, the folder's fails
    const bool written = WriteFile("part.ppu", "new content");
    faults.failSync = 0;
    EXPECT_TRUE(written) << problem_;
    EXPECT_EQ(ReadFile(PathOf("part.ppu")), "new content");
    EXPECT_EQ(warning_,
              "is written, but its folder could not be synced (Input/output error); a power loss may "
              "still undo it");
    EXPECT_EQ(Names(), std::vector<std::string>{"part.ppu"});
}

} // namespace
