// The backup file a part with a backup path leaves behind.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dfulib/src/BackupFile.h"
#include "tests/dfulib/SimTestFixture.h"
#include "tests/dfulib/TestParts.h"

namespace tvxtest {
namespace {

std::vector<uint8_t> ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<uint8_t> &b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class SimulatorBackupTest : public SimTest {
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        folder_ = ::testing::TempDir() + "sim_backup_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        path_ = folder_ + "/backup.dfu";
    }
    void TearDown() override
    {
        std::filesystem::remove_all(folder_);
        SimTest::TearDown();
    }
    std::size_t FilesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                      std::filesystem::directory_iterator()));
    }
    std::string folder_;
    std::string path_;
};

TEST_F(SimulatorBackupTest, BackupIsThePreviousImageWithAValidSuffix)
{
    Load({ThreePartTerminal("T1")});
    const std::vector<uint8_t> firstImage = ThreePartImage(0x040700, 0x010402, 23456, 3000);
    TestPart first(WithSuffix(firstImage), "Firmware");
    ASSERT_EQ(Start("T1", first.Entry(), path_.c_str()), 0u);
    ASSERT_EQ(PollToEnd().back().status, 0);

    // The terminal's starting image: its size, and its versions in the header.
    std::vector<uint8_t> backup = ReadFile(path_);
    ASSERT_EQ(backup.size(), 4096u + tvx::kDfuSuffixLength);
    EXPECT_EQ(Le32(backup, 0) >> 16 & 0xFF, 1u);
    EXPECT_EQ(Le32(backup, 352), 0x040600u);
    EXPECT_EQ(Le32(backup, 348), 0x010402u);
    EXPECT_TRUE(tvx::DfuSuffixCrcMatches(backup.data(), backup.size()));
    tvx::DfuSuffix suffix;
    ASSERT_TRUE(tvx::ReadDfuSuffix(backup.data(), backup.size(), &suffix));
    EXPECT_EQ(suffix.idVendor, tvx::kVornVendorId);

    // The next read-back returns what the first part wrote; the backup it
    // replaces stays beside it.
    now += 1000;
    const std::vector<uint8_t> earlierBackup = backup;
    TestPart second(WithSuffix(ThreePartImage(0x040800, 0x010402, 1)), "Firmware");
    ASSERT_EQ(Start("T1", second.Entry(), path_.c_str()), 0u);
    ASSERT_EQ(PollToEnd().back().status, 0);
    backup = ReadFile(path_);
    ASSERT_EQ(backup.size(), firstImage.size() + tvx::kDfuSuffixLength);
    EXPECT_TRUE(std::equal(firstImage.begin(), firstImage.end(), backup.begin()));
    EXPECT_TRUE(tvx::DfuSuffixCrcMatches(backup.data(), backup.size()));
    EXPECT_TRUE(ReadFile(path_ + "~") == earlierBackup) << "the earlier backup was not kept beside";
    EXPECT_EQ(FilesInFolder(), 2u);
}

// Practices name folders after people and places: the backup lands under
// the UTF-8 name given (UTF-16 at Windows' calls).
TEST_F(SimulatorBackupTest, BackupLandsUnderANameBeyondAscii)
{
    const std::filesystem::path folder =
        std::filesystem::path(folder_) / u8"Jürgen Weiß" / u8"Ärztehaus Müller";
    std::filesystem::create_directories(folder);
    const std::u8string name = (folder / u8"Sicherung ü.bak").u8string();
    Load({ThreePartTerminal("T1")});
    TestPart part(WithSuffix(ThreePartImage(0x040700, 0x010402, 23456, 3000)), "Firmware");
    ASSERT_EQ(Start("T1", part.Entry(), std::string(name.begin(), name.end()).c_str()), 0u);
    ASSERT_EQ(PollToEnd().back().status, 0);
    EXPECT_EQ(std::filesystem::file_size(folder / u8"Sicherung ü.bak"), 4096u + tvx::kDfuSuffixLength);
}

TEST_F(SimulatorBackupTest, FailedReadBackLeavesNoFileAndAnEarlierFileUntouched)
{
    const char *kFailures[] = {
        R"(, "fault": {"phase": "upload", "atPercent": 50, "status": -83})",
        R"(, "fault": {"phase": "pin", "status": -70})",
    };
    for (const char *failure : kFailures) {
        SCOPED_TRACE(failure);
        for (const bool earlierFile : {false, true}) {
            std::filesystem::remove(path_);
            if (earlierFile)
                std::ofstream(path_) << "earlier backup";
            Load({ThreePartTerminal("T1", failure)});
            TestPart part(WithSuffix(ThreePartImage(0x040700, 0x010402, 1)), "Firmware");
            ASSERT_EQ(Start("T1", part.Entry(), path_.c_str()), 0u);
            EXPECT_NE(PollToEnd().back().status, 0);
            if (earlierFile) {
                const std::vector<uint8_t> kept = ReadFile(path_);
                EXPECT_EQ(std::string(kept.begin(), kept.end()), "earlier backup");
            }
            EXPECT_EQ(FilesInFolder(), earlierFile ? 1u : 0u);
        }
    }
}

// A terminal holding less than the image header it starts with (here after
// a part that was cut short) reads back nothing worth keeping: the earlier
// backup stays, and the part ends as a failed backup does, before anything
// is written.
TEST_F(SimulatorBackupTest, ReadBackShorterThanItsImageHeaderKeepsTheEarlierBackupAndWritesNothing)
{
    struct Case {
        std::size_t held;
        uint32_t headerWord;
    } cases[] = {
        {200, 0x00000000},
        {tvxdfu::kMinBackupImageSize - 1, 0x00000000},
        {300, 0x00010200}, // three-part layout 2: its fields end at 648
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.held);
        Load({ThreePartTerminal("T1")});
        std::vector<uint8_t> held(c.held, 0x5A);
        for (std::size_t i = 0; i < 4; ++i)
            held[i] = static_cast<uint8_t>(c.headerWord >> (8 * i));
        TestPart stub(WithSuffix(held), "Firmware");
        ASSERT_EQ(Start("T1", stub.Entry()), 0u);
        ASSERT_EQ(PollToEnd().back().status, 0);
        now += 1000;
        const Versions before = Version("T1");
        ASSERT_EQ(before.result, 0u);

        std::ofstream(path_) << "earlier backup";
        TestPart part(WithSuffix(ThreePartImage(0x040800, 0x010402, 1)), "Firmware");
        ASSERT_EQ(Start("T1", part.Entry(), path_.c_str()), 0u);
        ::testing::internal::CaptureStderr();
        const std::vector<StatusPoll> polls = PollToEnd();
        const std::string told = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(told.find("the terminal read back " + std::to_string(c.held) + " bytes"), std::string::npos)
            << told;
        EXPECT_EQ(polls.back().status, -72);
        for (const StatusPoll &poll : polls)
            EXPECT_TRUE(poll.phase != TVXDFU_PHASE_DOWNLOAD || poll.percent == 0) << "download went on";
        const std::vector<uint8_t> kept = ReadFile(path_);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "earlier backup");
        EXPECT_EQ(FilesInFolder(), 1u);
        now += 10000;
        const Versions after = Version("T1");
        EXPECT_EQ(after.firmware, before.firmware);
        EXPECT_EQ(after.loader, before.loader);
    }
}

TEST_F(SimulatorBackupTest, TerminalUnpluggedDuringReadBackLeavesNoFile)
{
    Load({ThreePartTerminal("T1", "", R"("timing": {"uploadBytesPerSecond": 1024})")});
    TestPart part(WithSuffix(ThreePartImage(0x040700, 0x010402, 1)), "Firmware");
    ASSERT_EQ(Start("T1", part.Entry(), path_.c_str()), 0u);
    StatusPoll s;
    while ((s = Poll()).phase != 2 || s.bytes == 0)
        now += 10;
    ASSERT_TRUE(tvxdfu::sim::UnplugTerminal("T1"));
    now += 10000;
    EXPECT_EQ(Poll().status, -72);
    EXPECT_EQ(FilesInFolder(), 0u);
}

} // namespace
} // namespace tvxtest
