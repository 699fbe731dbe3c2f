// Whole upgrades that succeed or are declined: the phases in order, parts
// counted and moved on without a click, the two confirmations once per run.
#include "tests/support/DriveFixture.h"

#include <algorithm>
#include <cstdio>

#include "device/UpgradeTexts.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"
#include "dfulib/suffix/DfuSuffix.h"

namespace {

using Labels = std::vector<std::string>;

// How many shown texts are the installation text typed so far behind its cursor.
int TypedSteps(const std::vector<std::string> &texts)
{
    const std::string message = EnglishText(165);
    int steps = 0;
    for (const std::string &text : texts)
        if (text.size() >= 2 && message.compare(0, text.size() - 1, text, 0, text.size() - 1) == 0)
            ++steps;
    return steps;
}

} // namespace

TEST_F(DriveTest, ThreePartTerminalTakesOnePartPackageThroughEveryPhaseToFinish)
{
    Start({ThreePartTerminal("K470A01", R"("pin": ["adjust-display", "wrong"])")});
    Pack("fit.ppu", FirmwarePackage470());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "fit.ppu");
    Follow();

    const std::vector<std::string> &status = Shown(D::statusText);
    const std::string pin = EnglishText(184);
    EXPECT_TRUE(InOrder(status, {EnglishText(162) + "\n\n Firmware Version: V 4.6.0", EnglishText(162),
                                 EnglishText(185) + pin, EnglishText(186) + pin, EnglishText(164),
                                 std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 4.7.0 "}))
        << Lines(status);
    EXPECT_GE(TypedSteps(status), 2) << Lines(status);
    EXPECT_TRUE(InOrder(Shown(D::downloadText), {"Download: 0 %", "Download: 100 %", "Manifestation: 100%"}))
        << Lines(Shown(D::downloadText));
    EXPECT_EQ(Window().ProgressPosition(D::progressBar), 100);
    EXPECT_EQ(Text(D::partCounterText), "(1/1)");
    EXPECT_EQ(Text(D::versionAfterText), "V 4.7.0  + Loader V 1.4.2 ");
    EXPECT_EQ(Boxes(opening), (Labels{kReadyCaption, kStartCaption, kSuccessCaption}));

    EXPECT_TRUE(Usable(D::finishButton));
    EXPECT_FALSE(Visible(D::cancelButton));
    EXPECT_EQ(Text(D::hintText), EnglishText(99));
    EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
    uint32_t firmware, loader;
    ReadTerminal("K470A01", &firmware, &loader);
    EXPECT_EQ(firmware, 0x01040700u);

    Drive("finish");
    EXPECT_EQ(Window().EndCode(), tvx::IDOK);
}

namespace {

int CountOf(const std::vector<std::string> &texts, const std::string &text)
{
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

} // namespace

TEST_F(DriveTest, BcdTerminalWithListedLoaderGetsOnlyTheFirmwarePart)
{
    Start({BcdTerminal("K460B01", "0x0111")});
    Pack("460.ppu", Package460());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "460.ppu");
    Follow();

    EXPECT_EQ(Shown(D::partCounterText).back(), "(1/1)");
    EXPECT_EQ(CountOf(Shown(D::partCounterText), "(2/3)"), 0);
    EXPECT_EQ(CountOf(Shown(D::statusText), EnglishText(164)), 1) << Lines(Shown(D::statusText));
    EXPECT_EQ(Text(D::statusText), std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 3.20.0 ");
    EXPECT_EQ(Boxes(opening), (Labels{kReadyCaption, kStartCaption, kSuccessCaption}));
    EXPECT_TRUE(Usable(D::finishButton));
}

TEST_F(DriveTest, BcdTerminalWithUnlistedLoaderGetsAllThreePartsWithOneConfirmation)
{
    Start({BcdTerminal("K460B01", "0x0110")});
    Pack("460.ppu", Package460());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "460.ppu");
    Follow();

    EXPECT_TRUE(InOrder(Shown(D::partCounterText), {"(1/3)", "(2/3)", "(3/3)"}))
        << Lines(Shown(D::partCounterText));
    // Each part with its own versions, never the first part's again.
    EXPECT_TRUE(InOrder(Shown(D::versionViaFileText), {"V 3.2  + Loader V 1.10 ", "V 3.2  + Loader V 1.11 ",
                                                       "V 3.20.0  + Loader V 1.11.0 "}))
        << Lines(Shown(D::versionViaFileText));
    EXPECT_EQ(Text(D::versionViaFileText), "V 3.20.0  + Loader V 1.11.0 ");
    const std::vector<std::string> &status = Shown(D::statusText);
    EXPECT_EQ(CountOf(status, EnglishText(164)), 3) << Lines(status);
    EXPECT_EQ(Text(D::statusText), std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 3.20.0 ");
    EXPECT_EQ(Text(D::versionAfterText), "V 3.20.0  + Loader V 1.11.0 ");
    EXPECT_EQ(Boxes(opening), (Labels{kReadyCaption, kStartCaption, kSuccessCaption}));
    EXPECT_TRUE(Usable(D::finishButton));
    Drive("finish");
    EXPECT_EQ(Window().EndCode(), tvx::IDOK);
}

TEST_F(DriveTest, BackupIsReadBackFirstAndKeepsThePreviousImageWithItsSuffix)
{
    Start({ThreePartTerminal("K470A01", R"("imageSize": 8192, "productId": 1136)")});
    Pack("fit.ppu", FirmwarePackage470());
    const std::string backup = folder + "/previous.bak";
    Drive("select 0\nnext\npackage fit.ppu\nnext\nbackup " + backup + "\nnext");
    EXPECT_EQ(Text(D::uploadText), "Upload: 0 byte");
    Follow();

    EXPECT_TRUE(InOrder(Shown(D::statusText), {EnglishText(163), EnglishText(164)}))
        << Lines(Shown(D::statusText));
    EXPECT_TRUE(InOrder(Shown(D::uploadText), {"Upload: 0 byte", "Upload: 8192 byte"}))
        << Lines(Shown(D::uploadText));
    EXPECT_TRUE(Usable(D::finishButton));

    std::FILE *file = std::fopen(backup.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> bytes(8192 + 64);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    ASSERT_EQ(bytes.size(), 8192u + tvx::kDfuSuffixLength);
    tvx::DfuSuffix suffix;
    ASSERT_TRUE(tvx::ReadDfuSuffix(bytes.data(), bytes.size(), &suffix));
    EXPECT_TRUE(tvx::DfuSuffixCrcMatches(bytes.data(), bytes.size()));
    EXPECT_EQ(suffix.idVendor, tvx::kVornVendorId);
    EXPECT_EQ(suffix.idProduct, 1136);
    // The image read back is the one before the upgrade: its header states 4.6.0.
    EXPECT_EQ(bytes[352] | bytes[353] << 8 | bytes[354] << 16, 0x040600);
}

// Declining either confirmation writes nothing and ends the wizard.
TEST_F(DriveTest, DecliningReadyOrStartBoxWritesNothing)
{
    for (const char *declined : {kReadyCaption, kStartCaption}) {
        SCOPED_TRACE(declined);
        Start({ThreePartTerminal("K470A01")});
        Pack("fit.ppu", FirmwarePackage470());
        const std::size_t opening = BoxCount();
        Drive(declined == kReadyCaption ? "answer cancel" : "answer ok\nanswer cancel");
        DriveToUpgrade(0, "fit.ppu");

        const Labels expected = declined == kReadyCaption
                                    ? Labels{kReadyCaption, kUserAbortCaption}
                                    : Labels{kReadyCaption, kStartCaption, kUserAbortCaption};
        EXPECT_EQ(Boxes(opening), expected);
        EXPECT_TRUE(Window().IsEnded());
        EXPECT_EQ(Window().EndCode(), tvx::IDCANCEL);
        EXPECT_EQ(Text(D::statusText), kFirmwareFailedText);
        EXPECT_EQ(Dialog().run.startConfirmed, 0u);
        uint32_t bytes = 0, percent = 0, phase = 0;
        int32_t status = 0;
        EXPECT_EQ(GetUpgradeStatus(&bytes, &percent, &phase, &status), UPG_HOST_ERROR)
            << "a part was started";
        EXPECT_EQ(tvxdfu::sim::ConfigurationChangeCount(), 0u);
        uint32_t firmware, loader;
        ReadTerminal("K470A01", &firmware, &loader);
        EXPECT_EQ(firmware, 0x01040600u);
        TearDown();
        SetUp();
    }
}
