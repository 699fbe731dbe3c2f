// The atomic file's temporary name, and how it meets an interrupted or short
// write and an interrupted sync, and when it syncs the folder.
//
// write() and fsync() are interposed in this executable, so it holds no other
// tests: while a test arms them they fail or shorten calls as signals and
// file systems do, and every sync is recorded with what it synced.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "ProgramRun.h"

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
    int syncCalls = 0;
    std::string target;
    std::string content;
    std::vector<Sync> synced;
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

template <typename Function> Function Next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void *buffer, size_t count)
{
    static const auto next = Next<ssize_t (*)(int, const void *, size_t)>("write");
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
    const int result = next(fd);
    if (faults.armed && result == 0)
        faults.synced.push_back({PathOf(fd), ReadFile(faults.target) == faults.content});
    return result;
}

} // extern "C"

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    // Writes `content` to `name` in the scratch folder in two pieces, as the
    // backup writer writes an image and its suffix.
    bool WriteFile(const std::string &name, const std::string &content)
    {
        faults.target = folder_.Path() + "/" + name;
        faults.content = content;
        faults.synced.clear();
        faults.syncCalls = 0;
        tvx::AtomicFile file(faults.target);
        faults.armed = true;
        const std::size_t half = content.size() / 2;
        const bool written = file.Open() && file.Write(content.data(), half) &&
                             file.Write(content.data() + half, content.size() - half) && file.Commit();
        faults.armed = false;
        return written;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder_.Path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    ScratchFolder folder_;
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

} // namespace
