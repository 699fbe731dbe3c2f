// The backup file writer both backends share: what it refuses, the mode the
// file gets, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "BackupFile.h"
#include "DfuSuffix.h"
#include "TVXDFUUpgrade.h"

namespace {

namespace fs = std::filesystem;

class BackupFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tvx-backup-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        path_ = folder_ / "terminal.bak";
    }
    void TearDown() override { fs::remove_all(folder_); }

    uint32_t Write(std::size_t size) const
    {
        const std::vector<uint8_t> image(size, 0xA5);
        return tvxdfu::WriteBackupFile(path_.c_str(), image.data(), image.size(), 0x0302, 0x0470);
    }
    void WriteEarlier(mode_t mode) const
    {
        std::ofstream(path_) << "earlier backup";
        fs::permissions(path_, static_cast<fs::perms>(mode));
    }
    std::string Content() const
    {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    mode_t Mode() const
    {
        struct stat info {};
        EXPECT_EQ(::stat(path_.c_str(), &info), 0);
        return info.st_mode & 07777;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path folder_;
    fs::path path_;
};

TEST_F(BackupFileTest, ReadBackShorterThanAnImageHeaderNeverReplacesAnEarlierBackup)
{
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, tvxdfu::kMinBackupImageSize - 1}) {
        SCOPED_TRACE(size);
        fs::remove(path_);
        EXPECT_EQ(Write(size), UPG_HOST_ERROR);
        EXPECT_TRUE(Names().empty());
        WriteEarlier(0644);
        EXPECT_EQ(Write(size), UPG_HOST_ERROR);
        EXPECT_EQ(Content(), "earlier backup");
        EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});
    }
    ASSERT_EQ(Write(tvxdfu::kMinBackupImageSize), 0u);
    EXPECT_EQ(Content().size(), tvxdfu::kMinBackupImageSize + tvx::kDfuSuffixLength);
}

TEST_F(BackupFileTest, NewFileGetsTheUmaskModeAndAnEarlierFileKeepsItsOwn)
{
    for (const mode_t mask : {022, 027, 077}) {
        SCOPED_TRACE(mask);
        fs::remove(path_);
        const mode_t saved = ::umask(mask);
        const uint32_t result = Write(4096);
        ::umask(saved);
        ASSERT_EQ(result, 0u);
        EXPECT_EQ(Mode(), 0666 & ~mask);
    }
    for (const mode_t earlier : {0600, 0640, 0604}) {
        SCOPED_TRACE(earlier);
        WriteEarlier(earlier);
        ASSERT_EQ(Write(4096), 0u);
        EXPECT_EQ(Mode(), earlier);
        EXPECT_EQ(Content().size(), 4096 + tvx::kDfuSuffixLength);
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});
}

// Failures the writer meets for real: a file system that takes no more bytes
// (a file-size limit here) and a target that cannot be replaced.
TEST_F(BackupFileTest, FailedWriteKeepsTheEarlierFileAndLeavesNoTemporaryFile)
{
    WriteEarlier(0640);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    const sighandler_t handler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const uint32_t result = Write(64 * 1024);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, handler);
    EXPECT_EQ(result, UPG_HOST_ERROR);
    EXPECT_EQ(Content(), "earlier backup");
    EXPECT_EQ(Mode(), 0640u);
    EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});

    fs::remove(path_);
    fs::create_directory(path_);
    std::ofstream(path_ / "inside") << "kept";
    EXPECT_EQ(Write(4096), UPG_HOST_ERROR);
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});

    path_ = folder_ / "missing" / "terminal.bak";
    EXPECT_EQ(Write(4096), UPG_HOST_ERROR);
}

} // namespace
