// Batch runs end to end: the files written one after the other into the one
// selected terminal, counted together, and a failure that stops the batch.
#include "tests/batch/BatchFixture.h"

#include <algorithm>
#include <filesystem>

#include "device/UpgradeTexts.h"

namespace {

using Labels = std::vector<std::string>;

int CountOf(const std::vector<std::string> &texts, const std::string &text)
{
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

} // namespace

TEST_F(BatchTest, ThreeFilesGoIntoOneTerminalWithOneConfirmationOneBackupAndFinish)
{
    Pack("a.ppu", Firmware470(0x040700, "4.6.0"));
    Pack("b.ppu", Firmware470(0x040701, "4.7.0"));
    Pack("c.ppu", Firmware470(0x040800, "4.7.1"));
    WriteIni("a.b.c");
    Start({ThreePartTerminal("K470A01", R"("imageSize": 8192)"), ThreePartTerminal("K470B02")});
    const std::size_t opening = BoxCount();

    Drive("select 0\nnext");
    EXPECT_EQ(Text(D::partCounterText), "(1/3)");
    EXPECT_EQ(Text(D::stepGroup), EnglishText(173)); // the backup step, before the first file only
    EXPECT_EQ(Text(D::downloadFileText), "a.ppu");
    ASSERT_TRUE(Window().ClickButton(D::backupCheck));
    EXPECT_EQ(Dialog().package.backupPath, "abak.bak");
    Drive("next");
    Follow();

    EXPECT_TRUE(InOrder(Shown(D::partCounterText), {"(1/3)", "(2/3)", "(3/3)"}))
        << Lines(Shown(D::partCounterText));
    const std::vector<std::string> &status = Shown(D::statusText);
    EXPECT_EQ(status.back(), std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 4.8.0 ");
    EXPECT_EQ(CountOf(status, EnglishText(163)), 1) << Lines(status); // read back once
    EXPECT_EQ(CountOf(status, EnglishText(164)), 3) << Lines(status);
    EXPECT_EQ(Boxes(opening), (Labels{kReadyCaption, kStartCaption, kSuccessCaption}));
    EXPECT_TRUE(Usable(D::finishButton));
    EXPECT_FALSE(Visible(D::cancelButton));

    uint32_t firmware, loader;
    ReadTerminal("K470A01", &firmware, &loader);
    EXPECT_EQ(firmware, 0x01040800u);
    ReadTerminal("K470B02", &firmware, &loader);
    EXPECT_EQ(firmware, 0x01040600u); // the other terminal is left alone
    // The backup holds the terminal's image from before the first file (and
    // a suffix), not a later file's.
    EXPECT_EQ(std::filesystem::file_size(folder + "/abak.bak"), 8192u + 16u);

    Drive("finish");
    EXPECT_EQ(Window().EndCode(), tvx::IDOK);
}

TEST_F(BatchTest, PartsOfEveryFileCountTogether)
{
    Pack("base.ppu", Package460());
    TestPackage next;
    next.terminalType = "460";
    next.parts = {ThreePartFirmware(0x031500, 0x010B00, 46003)};
    next.loaderVersions = {"1.11.0"};
    next.firmwareVersions = {"3.20.0"};
    Pack("next.ppu", next);
    WriteIni("base.next");
    Start({BcdTerminal("K460B01", "0x0110", R"("canUpload": false)")});
    const std::size_t opening = BoxCount();

    Drive("select 0");
    EXPECT_EQ(Text(D::partCounterText), "(1/4)");
    EXPECT_EQ(Text(D::downloadFileText), "base.ppu");
    Drive("next"); // no backup step for this terminal: the upgrade starts
    Follow();

    EXPECT_TRUE(InOrder(Shown(D::partCounterText), {"(1/4)", "(2/4)", "(3/4)", "(4/4)"}))
        << Lines(Shown(D::partCounterText));
    EXPECT_EQ(Boxes(opening), (Labels{kReadyCaption, kStartCaption, kSuccessCaption}));
    EXPECT_TRUE(Usable(D::finishButton));
    uint32_t firmware, loader;
    ReadTerminal("K460B01", &firmware, &loader);
    EXPECT_EQ(firmware & 0xFFFFFF, 0x031500u);
}

namespace {

enum class Breakage { None, CorruptSecond };

struct FailureCase {
    const char *name;
    TestPackage second;
    std::string terminalExtra;
    Breakage breakage;
    const char *failedFile;
    std::string box;        // by its caption, or its text for shared captions
    uint32_t firmwareAfter; // the terminal's firmware when the batch has stopped
};

class BatchFailureTest : public BatchTest, public ::testing::WithParamInterface<FailureCase> {};

void PrintTo(const FailureCase &c, std::ostream *out)
{
    *out << c.name;
}

} // namespace

TEST_P(BatchFailureTest, StopsTheBatchWithCancelOnlyAndNamesTheFile)
{
    const FailureCase &c = GetParam();
    Pack("a.ppu", Firmware470(0x040700, "4.6.0"));
    Pack("b.ppu", c.second);
    Pack("c.ppu", Firmware470(0x040800, "4.7.1"));
    WriteIni("a.b.c");
    Start({ThreePartTerminal("K470A01", c.terminalExtra)});
    if (c.breakage == Breakage::CorruptSecond) // replaced after it was matched
        std::filesystem::resize_file(folder + "/b.ppu", std::filesystem::file_size(folder + "/b.ppu") - 1);
    const std::size_t opening = BoxCount();

    Drive("select 0\nnext\nbackup off\nnext");
    Follow();

    const Labels boxes = Boxes(opening);
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), [&](const std::string &box) {
        return box.starts_with(c.box);
    })) << Lines(boxes);
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), kSuccessCaption), 0) << Lines(boxes);
    EXPECT_EQ(Dialog().batch.batchRemaining, 0u);
    const std::string status = Text(D::statusText);
    const std::string named = std::string("Batch stopped at ") + c.failedFile + ".";
    EXPECT_EQ(status.substr(status.size() - std::min(status.size(), named.size())), named) << status;
    EXPECT_TRUE(Visible(D::statusText));
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_FALSE(Visible(D::nextButton));
    uint32_t firmware, loader;
    ReadTerminal("K470A01", &firmware, &loader);
    EXPECT_EQ(firmware, c.firmwareAfter);

    // Nothing goes on by itself: the batch stays stopped.
    Drive("wait 60");
    EXPECT_EQ(Count(kReadyCaption), 1);
    EXPECT_EQ(Text(D::statusText), status);
    Drive("cancel");
    EXPECT_TRUE(Window().IsEnded());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BatchFailureTest,
    ::testing::Values(FailureCase{"VersionRefusedAtItsTurn", Firmware470(0x040900, "4.8.0"), "",
                                  Breakage::None, "b.ppu", "Your device's current version cannot be upgraded",
                                  0x01040700},
                      FailureCase{"ChangedSinceItWasMatched", Firmware470(0x040701, "4.7.0"), "",
                                  Breakage::CorruptSecond, "b.ppu", EnglishText(160), 0x01040700},
                      FailureCase{"PartFailsWhileWritten", Firmware470(0x040701, "4.7.0"),
                                  R"("fault": {"phase": "download", "atPercent": 40, "status": -84})",
                                  Breakage::None, "a.ppu", EnglishText(108), 0x01040600}),
    [](const ::testing::TestParamInfo<FailureCase> &tested) { return std::string(tested.param.name); });
