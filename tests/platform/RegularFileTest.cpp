// Opening a package or the configuration file: what stands at the path
// decides, names beyond ASCII open on every system, and the bytes come back
// as they are (no text-mode translation on Windows).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/RegularFile.h"
#include "platform/Utf8Path.h"

namespace {

namespace fs = std::filesystem;

// A device is never opened; the C runtime of Windows (under Wine at least)
// finds no file by a device's name at all.
#ifdef _WIN32
constexpr const char *kDevice = "NUL";
constexpr auto kDeviceResult = tvx::RegularFileOpen::Unopenable;
#else
constexpr const char *kDevice = "/dev/null";
constexpr auto kDeviceResult = tvx::RegularFileOpen::NotRegular;
#endif

class RegularFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / u8"tvx-regular Jürgen Weiß" / u8"Ärztehaus Müller";
        fs::remove_all(root_.parent_path());
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_.parent_path()); }

    std::string Utf8(const fs::path &path) const
    {
        std::string text;
        EXPECT_TRUE(tvx::Utf8FromPath(path, &text));
        return text;
    }

    fs::path root_;
};

TEST_F(RegularFileTest, AFileOpensByItsUtf8NameAndReadsByteForByte)
{
    const std::string bytes("line\r\nmore\x1a after\n\0", 19); // the NUL too
    std::ofstream(root_ / u8"Paket ü.ppu", std::ios::binary) << bytes;
    int fd = -1;
    struct stat info {};
    ASSERT_EQ(tvx::OpenRegularFile(Utf8(root_ / u8"Paket ü.ppu").c_str(), &fd, &info),
              tvx::RegularFileOpen::Opened);
    EXPECT_EQ(info.st_size, static_cast<decltype(info.st_size)>(bytes.size()));
    std::string read(64, '\0');
    const auto got = ::read(fd, read.data(), static_cast<unsigned>(read.size()));
    ::close(fd);
    ASSERT_GE(got, 0);
    read.resize(static_cast<std::size_t>(got));
    EXPECT_EQ(read, bytes);
}

TEST_F(RegularFileTest, WhatIsNoRegularFileIsRefusedByItsKind)
{
    const struct {
        std::string path;
        tvx::RegularFileOpen result;
    } cases[] = {
        {Utf8(root_), tvx::RegularFileOpen::Folder},
        {kDevice, kDeviceResult},
        {Utf8(root_ / u8"fehlt ö.ppu"), tvx::RegularFileOpen::Unopenable},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        int fd = 0;
        struct stat info {};
        errno = 0;
        EXPECT_EQ(tvx::OpenRegularFile(c.path.c_str(), &fd, &info), c.result);
        EXPECT_EQ(fd, -1);
        if (c.result == tvx::RegularFileOpen::Unopenable) {
            EXPECT_EQ(errno, ENOENT);
        }
    }
}

} // namespace
