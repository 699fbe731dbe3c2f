// A package file that changes while it is being loaded, as another process or
// a network file system can change it: as soon as one byte of the file has
// been read once, every later read of it returns that byte changed. The load
// must then either refuse the file or hand on exactly the bytes it verified.
//
// The read functions a loader can use are interposed in this executable, so
// it holds no other tests.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tests/support/PackageFixture.h"

namespace {

struct ChangeAfterFirstRead {
    bool armed = false;
    dev_t device = 0;
    ino_t inode = 0;
    int64_t offset = 0; // the byte that changes
    int reads = 0;      // how often a read returned it
};

ChangeAfterFirstRead change;

bool IsWatchedFile(int fd)
{
    struct stat info {};
    return change.armed && ::fstat(fd, &info) == 0 && info.st_dev == change.device &&
           info.st_ino == change.inode;
}

// A read of the watched file returned `got` bytes from `start` into `buffer`.
void Observe(int fd, int64_t start, void *buffer, int64_t got)
{
    if (got <= 0 || change.offset < start || change.offset >= start + got || !IsWatchedFile(fd))
        return;
    if (change.reads++ > 0)
        static_cast<uint8_t *>(buffer)[change.offset - start] ^= 0x01;
}

template <typename Function>
Function Next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t read(int fd, void *buffer, size_t count)
{
    static const auto next = Next<ssize_t (*)(int, void *, size_t)>("read");
    const off_t start = change.armed ? ::lseek(fd, 0, SEEK_CUR) : -1;
    const ssize_t got = next(fd, buffer, count);
    if (start >= 0)
        Observe(fd, start, buffer, got);
    return got;
}

ssize_t pread(int fd, void *buffer, size_t count, off_t offset)
{
    static const auto next = Next<ssize_t (*)(int, void *, size_t, off_t)>("pread");
    const ssize_t got = next(fd, buffer, count, offset);
    Observe(fd, offset, buffer, got);
    return got;
}

ssize_t pread64(int fd, void *buffer, size_t count, off64_t offset)
{
    static const auto next = Next<ssize_t (*)(int, void *, size_t, off64_t)>("pread64");
    const ssize_t got = next(fd, buffer, count, offset);
    Observe(fd, offset, buffer, got);
    return got;
}

size_t fread(void *buffer, size_t size, size_t count, FILE *file)
{
    static const auto next = Next<size_t (*)(void *, size_t, size_t, FILE *)>("fread");
    const off_t start = change.armed ? ::ftello(file) : -1;
    const size_t got = next(buffer, size, count, file);
    if (start >= 0)
        Observe(::fileno(file), start, buffer, static_cast<int64_t>(got * size));
    return got;
}

} // extern "C"

using ChangeWhileLoadingTest = PackageTest;

TEST_F(ChangeWhileLoadingTest, PartsAreTheBytesThatWereVerified)
{
    const std::vector<uint8_t> image = TestImage(300000, 7);
    const std::string path =
        Pack("Changing.ppu", {CatalogJson({{"fw.bin", "Firmware"}}), {{"fw.bin.enc", image}}});
    const int64_t partHeader = 512 + 512; // the catalog fits one block
    struct Case {
        const char *where;
        int64_t offset;
    } cases[] = {
        {"catalog text", 512 + 40},
        {"size field of the part", partHeader + 124 + 6},
        {"start of the image", partHeader + 512 + 20},
        {"middle of the image", partHeader + 512 + 150000},
        {"last block of the image", partHeader + 512 + 300000 - 5},
    };
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.where);
        change = {true, info.st_dev, info.st_ino, c.offset, 0};
        Record record;
        const LoadFailure failure = Load(path, &record);
        change.armed = false;
        EXPECT_GE(change.reads, 1) << "the load read the file some way this test does not see";
        EXPECT_EQ(failure, LoadFailure::None);
        if (failure != LoadFailure::None || !record->parts)
            continue;
        const PackageEntry &part = *record->parts->entry;
        EXPECT_TRUE(part.size == static_cast<int32_t>(image.size()) &&
                    std::memcmp(part.data, image.data(), image.size()) == 0)
            << "the image handed on is not the one that was signed";
    }
}
