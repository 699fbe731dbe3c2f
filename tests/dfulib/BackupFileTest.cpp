// The backup file writer both backends share: what it refuses, the mode the
// file gets, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/src/BackupFile.h"
#include "dfulib/suffix/DfuSuffix.h"

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

    // A read-back of `size` bytes starting with `headerWord` (a BCD header of
    // layout 0x00 unless told).
    uint32_t Write(std::size_t size, uint32_t headerWord = 0) const
    {
        std::vector<uint8_t> image(size, 0xA5);
        for (std::size_t i = 0; i < 4 && i < size; ++i)
            image[i] = static_cast<uint8_t>(headerWord >> (8 * i));
        return tvxdfu::WriteBackupFile(path_.c_str(), image.data(), image.size(), 0x0302, 0x0470);
    }
    void WriteEarlier(mode_t mode) const
    {
        std::ofstream(path_) << "earlier backup";
        fs::permissions(path_, static_cast<fs::perms>(mode));
    }
    std::string Content(const std::string &ending = "") const
    {
        std::ifstream in(path_.string() + ending, std::ios::binary);
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
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string WriteTellingWhy(std::size_t size, uint32_t headerWord = 0) const
    {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(Write(size, headerWord), UPG_HOST_ERROR);
        return ::testing::internal::GetCapturedStderr();
    }

    fs::path folder_;
    fs::path path_;
};

// No header states the length of the whole image, so a read-back is judged
// by the header it starts with: one that ends before the header's last field
// was cut short, however much of a header it holds.
TEST_F(BackupFileTest, ReadBackShorterThanTheHeaderItStartsWithNeverReplacesAnEarlierBackup)
{
    struct Case {
        const char *header;
        uint32_t word;
        std::vector<std::size_t> refused;
        std::size_t shortest;
    } cases[] = {
        {"BCD, layout 0x00", 0x00000000, {0, 1, 3, 227}, 228},
        {"BCD, layout 0x10", 0x00000010, {300, 355}, 356},
        {"three-part, layout 1", 0x00010100, {300, 391}, 392},
        {"three-part, layout 2", 0x00010200, {300, 647}, 648},
        {"three-part, a layout not known here", 0x00010700, {227}, 228},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.header);
        for (const std::size_t size : c.refused) {
            SCOPED_TRACE(size);
            fs::remove(path_);
            EXPECT_EQ(Write(size, c.word), UPG_HOST_ERROR);
            EXPECT_TRUE(Names().empty());
            WriteEarlier(0644);
            EXPECT_EQ(Write(size, c.word), UPG_HOST_ERROR);
            EXPECT_EQ(Content(), "earlier backup");
            EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});
        }
        fs::remove(path_);
        ASSERT_EQ(Write(c.shortest, c.word), 0u);
        EXPECT_EQ(Content().size(), c.shortest + tvx::kDfuSuffixLength);
    }
}

// The backup a new one replaces is the user's last good copy: it stays as
// `terminal.bak~`, in place of an older one, as GNU tools keep `name~`.
TEST_F(BackupFileTest, GoodReadBackKeepsTheBackupItReplacesBesideIt)
{
    ASSERT_EQ(Write(4096), 0u);
    EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});
    const std::string first = Content();

    ASSERT_EQ(Write(5000), 0u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"terminal.bak", "terminal.bak~"}));
    EXPECT_EQ(Content("~"), first);
    const std::string second = Content();
    EXPECT_EQ(second.size(), 5000 + tvx::kDfuSuffixLength);

    ASSERT_EQ(Write(6000), 0u);
    EXPECT_EQ(Content("~"), second);
    const std::string third = Content();

    EXPECT_EQ(Write(300, 0x00010200), UPG_HOST_ERROR);
    EXPECT_EQ(Content(), third);
    EXPECT_EQ(Content("~"), second);

    // Without a place for the earlier backup, the new one does not replace it.
    fs::remove(path_.string() + "~");
    fs::create_directory(path_.string() + "~");
    std::ofstream(path_.string() + "~/inside") << "kept";
    const std::string told = WriteTellingWhy(4096);
    EXPECT_NE(told.find("TVXDFUUpgrade: backup file " + path_.string() + " cannot be kept as " +
                        path_.string() + "~: "),
              std::string::npos)
        << told;
    EXPECT_EQ(Content(), third);
    EXPECT_EQ(Names(), (std::vector<std::string>{"terminal.bak", "terminal.bak~"}));
}

// What the wizard reports as a failed backup is told on standard error, so
// the user can learn why.
TEST_F(BackupFileTest, RefusedBackupsSayWhyOnStandardError)
{
    EXPECT_EQ(WriteTellingWhy(300, 0x00010200),
              "TVXDFUUpgrade: backup file " + path_.string() +
                  ": the terminal read back 300 bytes, fewer than its image header takes (648); it is not a "
                  "backup, and nothing is written\n");
    WriteEarlier(0444);
    EXPECT_EQ(WriteTellingWhy(4096), "TVXDFUUpgrade: backup file " + path_.string() +
                                         " is read-only (mode 0444); it is left as it is\n");
    EXPECT_EQ(Content(), "earlier backup");
    EXPECT_EQ(Names(), std::vector<std::string>{"terminal.bak"});
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
    EXPECT_EQ(Names(), (std::vector<std::string>{"terminal.bak", "terminal.bak~"}));
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
    const uint32_t result = Write(std::size_t{64} * 1024);
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
