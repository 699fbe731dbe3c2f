// Every result an upgrade start can have and every status a running part can
// end with: the message the user gets and the state the wizard is left in.
#include "tests/support/DriveFixture.h"

#include <cstdlib>

#include "device/UpgradeTexts.h"

namespace {

constexpr const char *kVersionRefusedText =
    "Your device's current version cannot be upgraded with this PPU package.\n\n"
    "If you are trying to upgrade a 460M device, please remember that you must first upgrade by using "
    "FW3.02_VORN_460_M_plus.ppu and then upgrade by using FW3.19_VORN_460_M_plus.ppu";

struct ResultRow {
    const char *name;
    std::string terminal; // scenario entry of the one terminal, row 0
    TestPackage package;
    std::string extraScript;        // run at the backup step, before the last Next
    std::vector<std::string> boxes; // shown after the confirmations
    WizardStep step;
    bool next; // Next usable afterwards
    uint32_t stage;
    bool statusShown;
};

std::string StartFault(const char *code)
{
    return ThreePartTerminal("K470A01", std::string(R"("fault": {"startResult": ")") + code + "\"}");
}

// Listed as a 470, but the terminal itself reports model 480 when asked at
// the upgrade step.
std::string OtherModelTerminal()
{
    std::string terminal = ThreePartTerminal("K470A01");
    terminal.replace(terminal.find("470, "), 3, "480");
    return terminal;
}

// A terminal running its loader 1.3.0, which the package does not name.
std::string LoaderModeTerminal()
{
    return R"("id": "K470D01", "model": "VORN 470 M online", "vendorCode": "KOTRX", "versionFormat": "three-part",
              "firmware": "4.6.0", "loader": "1.3.0", "deviceType": 470, "mode": "DFU")";
}

std::string Literal(unsigned id)
{
    return EnglishText(id);
}

TestPackage WithCatalog(TestPackage package, const char *terminalType, std::vector<std::string> firmware)
{
    package.terminalType = terminalType;
    package.firmwareVersions = std::move(firmware);
    return package;
}

TestPackage WithParts(TestPackage package, std::vector<TestPart> parts)
{
    package.parts = std::move(parts);
    return package;
}

std::vector<ResultRow> Rows()
{
    const TestPackage fit = FirmwarePackage470();
    const std::string plain = ThreePartTerminal("K470A01");
    const auto stay = [](const char *name, std::string terminal, TestPackage package, std::string box) {
        return ResultRow{name,  std::move(terminal), std::move(package),
                         "",    {std::move(box)},    StepUpgrade,
                         false, StageRunning,        true};
    };
    // The version query now answers 3.1A, which is not BCD: box 159, then
    // the unrecognised code.
    std::string notBcd = BcdTerminal("K460B01", "0x0111");
    notBcd.replace(notBcd.find("0x0302"), 6, "0x031A");
    return {
        stay("host error", StartFault("0xDF550001"), fit, Literal(152)),
        stay("out of memory", StartFault("0xDF550002"), fit, Literal(153)),
        stay("no device", StartFault("0xDF550003"), fit, Literal(154)),
        {"vendor mismatch",
         StartFault("0xDF550004"),
         fit,
         "",
         {Literal(155)},
         StepSelectPackage,
         true,
         StageIdle,
         true},
        stay("terminal reports another model", OtherModelTerminal(), fit, "Product ID does not match!"),
        {"connect failed",
         StartFault("0xDF550006"),
         fit,
         "",
         {Literal(143)},
         StepSelectDevice,
         true,
         StageIdle,
         false},
        stay("no descriptor", StartFault("0xDF550007"), fit, Literal(144)),
        {"no upload", StartFault("0xDF550009"), fit, "", {Literal(146)}, StepBackup, true, StageIdle, false},
        // The terminal leaves at the backup step: the selection is cleared and
        // the terminal is searched by its ID.
        {"device removed",
         plain,
         fit,
         "unplug K470A01",
         {Literal(147)},
         StepSelectDevice,
         false,
         StageIdle,
         false},
        stay("loader mismatch in loader mode", LoaderModeTerminal(), fit, Literal(137)),
        stay("version not supported", plain, WithCatalog(fit, "470", {"4.5.1"}), kVersionRefusedText),
        stay("CRC mismatch", StartFault("0xDF55000D"), fit, Literal(150)),
        stay("firmware part with BCD header", plain, WithParts(fit, {BcdPart("Firmware", 0x0470, 0x0142)}),
             "Unexpected firmware format"),
        {"version not BCD",
         notBcd,
         Package460(),
         "",
         {Literal(159), Literal(151)},
         StepUpgrade,
         false,
         StageRunning,
         true},
        stay("unnamed code of the family", StartFault("0xDF550042"), fit, Literal(151)),
        stay("code outside the family", StartFault("0x00000005"), fit, Literal(151)),
    };
}

} // namespace

TEST_F(DriveTest, EveryStartResultGivesItsMessageAndStep)
{
    for (const ResultRow &row : Rows()) {
        SCOPED_TRACE(row.name);
        Start({row.terminal});
        Pack("p.ppu", row.package);
        Drive("select 0\nnext\npackage p.ppu\nnext\nbackup off\n" + row.extraScript);
        const std::size_t before = BoxCount();
        Drive("next");
        Follow();

        std::vector<std::string> boxes = Boxes(before);
        std::erase(boxes, std::string(kReadyCaption));
        std::erase(boxes, std::string(kStartCaption));
        EXPECT_EQ(boxes, row.boxes);
        EXPECT_EQ(Dialog().currentStep, row.step);
        EXPECT_EQ(Usable(D::nextButton), row.next);
        EXPECT_TRUE(Usable(D::cancelButton));
        EXPECT_FALSE(Usable(D::finishButton));
        EXPECT_EQ(Dialog().run.upgradeStage, row.stage);
        EXPECT_EQ(Visible(D::statusText), row.statusShown);
        EXPECT_EQ(Text(D::statusText), kFirmwareFailedText);
        EXPECT_EQ(Dialog().run.startConfirmed, 0u);
        EXPECT_EQ(Dialog().busy, 0u);
        EXPECT_FALSE(Window().IsEnded());
        TearDown();
        SetUp();
    }
}

TEST_F(DriveTest, CatalogOfAnUnknownVersionIsToldInTheUsersLanguage)
{
    setenv("LC_ALL", "fr_FR.UTF-8", 1);
    Start({ThreePartTerminal("K470A01")});
    PackWithCatalog("v3.ppu",
                    R"({"Catalog version": "3", "Terminal information": {"Terminal type": "470",
                        "Bootloader supported versions": [{"Version": "1.4.2"}],
                        "Firmware supported versions": [{"Version": "4.6.0"}]},
                        "File list": [{"File name": "fw.dfu", "Type": "Firmware"}]})",
                    {BuildPartImage(ThreePartFirmware(0x040700, 0x010402).image)});
    const std::size_t before = BoxCount();
    DriveToUpgrade(0, "v3.ppu");

    ASSERT_EQ(BoxCount(), before + 1);
    const auto &box = Window().MessageBoxes().back();
    EXPECT_EQ(box.text, "La version du catalogue est incorrecte");
    EXPECT_EQ(box.caption, kApplicationName);
    EXPECT_EQ(box.type, tvx::MB_OK);
    EXPECT_EQ(Dialog().currentStep, StepUpgrade);
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Usable(D::nextButton));
    EXPECT_EQ(Text(D::statusText), kFirmwareFailedText);
}

// A part that ends with a status: the codes -90 to -63 are told with their
// texts, everything else with the device-abort box; Cancel is the way out.
TEST_F(DriveTest, EveryEndingStatusGivesItsMessageAndLeavesCancelOnly)
{
    const struct {
        int status;
        std::string box;
    } rows[] = {
        {-90, Literal(102)}, {-89, Literal(103)}, {-75, Literal(117)},     {-74, Literal(118)},
        {-73, Literal(119)}, {-63, Literal(129)}, {-62, kDeviceAbortText}, {5, kDeviceAbortText},
    };
    ASSERT_EQ(Literal(103), "File is not a targeted for use by this device.");
    for (const auto &row : rows) {
        SCOPED_TRACE(row.status);
        Start({ThreePartTerminal("K470A01", R"("fault": {"phase": "download", "atPercent": 40, "status": )" +
                                                std::to_string(row.status) + "}")});
        Pack("fit.ppu", FirmwarePackage470());
        DriveToUpgrade(0, "fit.ppu");
        const std::size_t before = BoxCount();
        Follow();

        EXPECT_EQ(Boxes(before), std::vector<std::string>{row.box});
        EXPECT_EQ(Dialog().run.upgradeFailure, static_cast<uint32_t>(row.status));
        EXPECT_TRUE(Text(D::statusText).starts_with(kFirmwareFailedText)) << Text(D::statusText);
        EXPECT_EQ(Text(D::hintText), Literal(192));
        EXPECT_TRUE(Usable(D::cancelButton));
        EXPECT_FALSE(Visible(D::finishButton));
        EXPECT_FALSE(Visible(D::nextButton));
        EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
        EXPECT_EQ(Dialog().busy, 0u);
        EXPECT_EQ(Count(kSuccessCaption), 0);
        TearDown();
        SetUp();
    }
}

// A part that fails ends the run there: the parts after it are not written.
TEST_F(DriveTest, FailedFirstPartOfThreeStopsTheRun)
{
    Start({BcdTerminal("K460B01", "0x0110",
                       R"("fault": {"phase": "download", "atPercent": 50, "status": -84})")});
    Pack("460.ppu", Package460());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "460.ppu");
    Follow();

    EXPECT_EQ(Boxes(opening), (std::vector<std::string>{kReadyCaption, kStartCaption, Literal(108)}));
    EXPECT_EQ(Text(D::partCounterText), "(1/3)");
    EXPECT_TRUE(Text(D::statusText).starts_with(kFirmwareFailedText)) << Text(D::statusText);
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_FALSE(Visible(D::nextButton));
    EXPECT_FALSE(Window().IsTimerActive(ProgressTimer));
    Drive("wait 60");
    EXPECT_EQ(BoxCount(), opening + 3) << "nothing more happens";
    uint32_t firmware, loader;
    ReadTerminal("K460B01", &firmware, &loader);
    EXPECT_EQ(firmware, 0x0302u);
    EXPECT_EQ(loader, 0x0110u);
}
