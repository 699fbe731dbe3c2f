// The terminal after the last part: back at once, back through the return
// timer, back through its arrival, never back, or back with the wrong
// firmware; and a terminal pulled out while it is written.
#include "tests/support/DriveFixture.h"

#include "device/UpgradeTexts.h"
#include "dfulib/sim/SimulatorControl.h"

namespace {

// A terminal that comes back this long after its restart began, well after
// its part is over.
std::string LateTerminal(const char *returnAfterMs)
{
    return ThreePartTerminal("K470A01", std::string(R"("fault": {"returnAfterMs": )") + returnAfterMs + "}");
}

} // namespace

// Without device events the return timer alone finds the terminal: not on
// its first try after 30 s, but on its second after 60 s.
TEST_F(DriveTest, TerminalBackOnSecondReturnTimerTryIsASuccess)
{
    Start({LateTerminal("45000")});
    Pack("fit.ppu", FirmwarePackage470());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "fit.ppu");
    Dialog().UnregisterNotifications(); // the terminal's return raises no event here
    Follow(20'000);
    ASSERT_TRUE(Window().IsTimerActive(ReturnTimer)) << "the terminal should not answer after its part";
    EXPECT_EQ(Dialog().run.returnAttempts, 1u);
    EXPECT_EQ(Dialog().run.upgradeStage, StageRestarting);
    EXPECT_FALSE(Usable(D::finishButton));

    Drive("wait 31");
    ASSERT_TRUE(Window().IsTimerActive(ReturnTimer)) << "the terminal should still be away after 30 s";
    EXPECT_EQ(Dialog().run.returnAttempts, 2u);
    Follow();

    const std::string line = "\n\n Firmware Version: V 4.7.0 ";
    EXPECT_EQ(Text(D::statusText), kConfigurationSucceededText + line);
    EXPECT_EQ(Boxes(opening), (std::vector<std::string>{kReadyCaption, kStartCaption, kSuccessCaption}));
    EXPECT_EQ(Text(D::versionAfterText), "V 4.7.0  + Loader V 1.4.2 ");
    EXPECT_TRUE(Usable(D::finishButton));
    EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
    EXPECT_EQ(Dialog().busy, 0u);
}

TEST_F(DriveTest, TerminalThatNeverReturnsIsGivenUpAfterTheSecondTry)
{
    Start({ThreePartTerminal("K470A01", R"("fault": {"returns": false})")});
    Pack("fit.ppu", FirmwarePackage470());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "fit.ppu");
    Follow(20'000);
    ASSERT_TRUE(Window().IsTimerActive(ReturnTimer));
    Drive("wait-idle");

    EXPECT_EQ(Text(D::statusText), kStorageUnconfirmedText);
    EXPECT_EQ(Boxes(opening), (std::vector<std::string>{kReadyCaption, kStartCaption, EnglishText(159)}));
    EXPECT_EQ(Dialog().run.returnAttempts, 2u);
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_FALSE(Visible(D::nextButton));
    EXPECT_EQ(Text(D::hintText), EnglishText(192));
    EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
    EXPECT_EQ(Dialog().busy, 0u);
}

// Back through its arrival event while the return timer waits: the result
// prepared at the end of the part, without the success box.
TEST_F(DriveTest, TerminalBackThroughItsArrivalEndsTheRun)
{
    Start({LateTerminal("20000")});
    Pack("fit.ppu", FirmwarePackage470());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "fit.ppu");
    Follow();

    EXPECT_EQ(Text(D::statusText), std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 4.7.0 ");
    EXPECT_EQ(Boxes(opening), (std::vector<std::string>{kReadyCaption, kStartCaption}));
    EXPECT_FALSE(Window().IsTimerActive(ReturnTimer));
    EXPECT_EQ(Dialog().run.returnTimerId, 0u);
    EXPECT_EQ(Dialog().run.returnAttempts, 1u);
    EXPECT_TRUE(Usable(D::finishButton));
    EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
}

// The terminal installs at once, so that the part is over before any tick
// sees its download at 100 percent: its arrival still ends the run, not the
// return timer 30 s later.
TEST_F(DriveTest, TerminalBackThroughItsArrivalAfterAPartOverBetweenTwoTicks)
{
    std::string terminal = LateTerminal("5000");
    terminal.replace(terminal.find(R"("manifestMs": 800)"), 17, R"("manifestMs": 0)");
    Start({terminal});
    Pack("fit.ppu", FirmwarePackage470());
    DriveToUpgrade(0, "fit.ppu");
    Follow(20'000);

    EXPECT_EQ(Text(D::statusText), std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 4.7.0 ");
    EXPECT_EQ(Dialog().run.returnAttempts, 1u);
    EXPECT_TRUE(Usable(D::finishButton));
    EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
}

// The package needs loader 1.5.0, which it does not bring: the terminal is
// back with the new firmware but its old loader 1.4.2. The arrival path gets
// the same final check as the others.
TEST_F(DriveTest, TerminalBackThroughItsArrivalWithTooOldALoaderFails)
{
    Start({LateTerminal("20000")});
    TestPackage package = FirmwarePackage470();
    package.parts = {ThreePartFirmware(0x040700, 0x010500, 12346)};
    package.loaderVersions = {"1.5.0"};
    Pack("needs-loader.ppu", package);
    DriveToUpgrade(0, "needs-loader.ppu");
    Follow();

    EXPECT_EQ(Text(D::statusText), std::string(kFirmwareFailedText) + "\n\n Firmware Version: V 4.7.0 ");
    EXPECT_EQ(Text(D::hintText), EnglishText(192));
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_EQ(Count(kSuccessCaption), 0);
}

// A firmware part whose header states no version leaves the BCD terminal at
// its old firmware; back late through its arrival, it is no success either.
TEST_F(DriveTest, BcdTerminalBackThroughItsArrivalWithItsOldFirmwareFails)
{
    Start({BcdTerminal("K460B01", "0x0111", R"("fault": {"returnAfterMs": 20000})")});
    TestPackage package = Package460();
    package.parts.back() = ThreePartFirmware(0, 0x010B00, 46002);
    Pack("no-version.ppu", package);
    DriveToUpgrade(0, "no-version.ppu");
    Follow();

    EXPECT_TRUE(Text(D::statusText).starts_with(kFirmwareFailedText)) << Text(D::statusText);
    EXPECT_EQ(Text(D::hintText), EnglishText(192));
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_EQ(Dialog().run.finalVersionRead, 1u) << "read through the arrival, not given up";
}

// The package's second firmware part carries the old firmware 3.02: the
// terminal answers at once with it where the package's 3.20.0 was wanted.
TEST_F(DriveTest, TerminalReportingAnOlderFirmwareAfterTheUpgradeFails)
{
    Start({BcdTerminal("K460B01", "0x0110")});
    TestPackage package = Package460();
    package.parts = {ThreePartFirmware(0x031400, 0x010B00, 46002), BcdPart("Firmware", 0x0302, 0x0110)};
    package.firmwareVersions = {"3.02", "3.20.0"};
    Pack("reverts.ppu", package);
    DriveToUpgrade(0, "reverts.ppu");
    Follow();

    EXPECT_EQ(Text(D::statusText), std::string(kFirmwareFailedText) + "\n\n Firmware Version: V3.02 ");
    EXPECT_EQ(Text(D::hintText), EnglishText(192));
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_FALSE(Visible(D::nextButton));
    EXPECT_EQ(Count(kSuccessCaption), 0);
    EXPECT_EQ(Dialog().run.upgradeStage, StageIdle);
}

TEST_F(DriveTest, UnpluggingDuringDownloadEndsThePartAsFailed)
{
    Start({ThreePartTerminal("K470A01")});
    TestPackage package = FirmwarePackage470();
    package.parts[0].image.size = 262144; // four seconds of download
    Pack("fit.ppu", package);
    DriveToUpgrade(0, "fit.ppu");
    for (int i = 0; i < 1000 && Dialog().monitor.lastPercent < 30; ++i)
        Drive("wait 0.01");
    ASSERT_GE(Dialog().monitor.lastPercent, 30u);
    const std::size_t before = BoxCount();
    Drive("unplug K470A01");
    Follow();

    EXPECT_EQ(Boxes(before), std::vector<std::string>{EnglishText(120)}); // status -72
    EXPECT_EQ(Dialog().run.upgradeFailure, static_cast<uint32_t>(-72));
    EXPECT_TRUE(Text(D::statusText).starts_with(kFirmwareFailedText)) << Text(D::statusText);
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Visible(D::finishButton));
    EXPECT_FALSE(Visible(D::nextButton));
    EXPECT_LT(Window().ProgressPosition(D::progressBar), 100);
    EXPECT_GT(tvxdfu::sim::ConfigurationChangeCount(), 0u);
    Drive("cancel");
    EXPECT_EQ(Window().EndCode(), tvx::IDCANCEL);
}

// Leaving while the return timer waits: the dialog's timers die with it, and
// a tick that was already under way does nothing.
TEST_F(DriveTest, TimersOfAnEndedDialogAreDeadAndLateTicksDoNothing)
{
    Start({ThreePartTerminal("K470A01", R"("fault": {"returns": false})")});
    Pack("fit.ppu", FirmwarePackage470());
    DriveToUpgrade(0, "fit.ppu");
    Follow(20'000);
    ASSERT_TRUE(Window().IsTimerActive(ReturnTimer));
    ASSERT_TRUE(Usable(D::cancelButton));
    Drive("cancel");
    ASSERT_TRUE(Window().IsEnded());

    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        EXPECT_FALSE(Window().IsTimerActive(timer)) << timer;
    EXPECT_EQ(Dialog().run.progressTimerId, 0u);
    EXPECT_EQ(Dialog().run.spinnerTimerId, 0u);
    EXPECT_EQ(Dialog().run.returnTimerId, 0u);

    const std::size_t boxes = BoxCount();
    const std::string status = Text(D::statusText);
    for (int tick = 0; tick < 3; ++tick)
        for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
            Dialog().OnTimer(timer);
    EXPECT_EQ(BoxCount(), boxes);
    EXPECT_EQ(Text(D::statusText), status);
    EXPECT_EQ(Dialog().run.returnAttempts, 1u);
}

TEST_F(DriveTest, EveryWayOutLeavesNoTimerArmed)
{
    // Cancel while the return timer waits; Finish after a whole run; the
    // abort box after a declined confirmation.
    const struct {
        const char *terminalExtra;
        const char *before;
        const char *after;
    } ways[] = {
        {R"("fault": {"returns": false})", "", "wait 5\ncancel"},
        {"", "", "wait-idle\nfinish"},
        {"", "answer cancel", ""},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.after);
        Start({ThreePartTerminal("K470A01", way.terminalExtra)});
        Pack("fit.ppu", FirmwarePackage470());
        Drive(way.before);
        DriveToUpgrade(0, "fit.ppu");
        Drive(way.after);
        ASSERT_TRUE(Window().IsEnded());
        for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
            EXPECT_FALSE(Window().IsTimerActive(timer)) << timer;
        TearDown();
        SetUp();
    }
}

// A tick of the progress timer queued before the part ended must not end
// the part a second time.
TEST_F(DriveTest, ProgressTickAfterThePartEndedDoesNothing)
{
    Start({ThreePartTerminal("K470A01")});
    Pack("fit.ppu", FirmwarePackage470());
    DriveToUpgrade(0, "fit.ppu");
    Follow();
    ASSERT_TRUE(Usable(D::finishButton));
    const std::size_t boxes = BoxCount();
    const std::string status = Text(D::statusText);
    const std::string spinner = Text(D::slashText);

    Dialog().OnTimer(ProgressTimer);
    Dialog().OnTimer(SpinnerTimer);
    EXPECT_EQ(BoxCount(), boxes);
    EXPECT_EQ(Text(D::statusText), status);
    EXPECT_TRUE(Usable(D::finishButton));
    EXPECT_EQ(Text(D::slashText), spinner);
}

// The pretreatment part's suffix states the new firmware 3.20, which only the
// firmware part brings: a middle part is not judged by it, on whichever way
// the terminal comes back (at once, through its arrival while the return
// timer waits, or through its arrival after the first timer try).
TEST_F(DriveTest, MiddlePartsOfABcdRunAreNotJudgedByTheFinalVersions)
{
    for (const char *returnAfterMs : {"0", "10000", "45000"}) {
        SCOPED_TRACE(returnAfterMs);
        Start({BcdTerminal("K460B01", "0x0110",
                           std::string(R"("fault": {"returnAfterMs": )") + returnAfterMs + "}")});
        TestPackage package = Package460();
        package.parts[0] = BcdPart("Pretreatment", 0x0320, 0x0110);
        Pack("460.ppu", package);
        const std::size_t opening = BoxCount();
        DriveToUpgrade(0, "460.ppu");
        Follow();

        EXPECT_TRUE(InOrder(Shown(D::partCounterText), {"(1/3)", "(2/3)", "(3/3)"}))
            << Lines(Shown(D::partCounterText));
        EXPECT_EQ(Text(D::statusText).find(kFirmwareFailedText), std::string::npos) << Text(D::statusText);
        // The arrival path ends without the success box.
        const std::vector<std::string> boxes = Boxes(opening);
        ASSERT_GE(boxes.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(boxes.begin(), boxes.begin() + 2),
                  (std::vector<std::string>{kReadyCaption, kStartCaption}));
        EXPECT_EQ(boxes.size(), std::string(returnAfterMs) == "0" ? 3u : 2u) << Lines(boxes);
        EXPECT_TRUE(Usable(D::finishButton));
        uint32_t firmware, loader;
        ReadTerminal("K460B01", &firmware, &loader);
        EXPECT_EQ(firmware & 0xFFFFFFu, 0x031400u) << "the firmware part 3.20.0 was written";
        TearDown();
        SetUp();
    }
}

// Back after the wizard gave up on it, with two parts left: the rows and the
// status tell what it reports, and nothing more is written unless Next is
// clicked and both confirmations are given again.
TEST_F(DriveTest, TerminalBackAfterTheGiveUpIsWrittenOnOnlyWhenAskedAgain)
{
    for (const char *choice : {"cancel", "next"}) {
        SCOPED_TRACE(choice);
        Start({BcdTerminal("K460B01", "0x0110", R"("fault": {"returnAfterMs": 70000})")});
        Pack("460.ppu", Package460());
        DriveToUpgrade(0, "460.ppu");
        Follow(); // the pretreatment part, then the give-up
        ASSERT_EQ(Text(D::statusText), kStorageUnconfirmedText);
        const std::size_t gaveUp = BoxCount();

        Drive("wait 20"); // the terminal arrives
        EXPECT_FALSE(Window().IsTimerActive(ProgressTimer)) << "a part was started by itself";
        EXPECT_EQ(BoxCount(), gaveUp);
        EXPECT_TRUE(Text(D::statusText).starts_with(EnglishText(187) + " 1/3 \n")) << Text(D::statusText);
        EXPECT_EQ(Text(D::versionAfterText), "V3.02 + Loader V1.10 ");
        EXPECT_EQ(Text(D::hintText), EnglishText(183));
        EXPECT_TRUE(Usable(D::nextButton));
        EXPECT_TRUE(Usable(D::cancelButton));
        EXPECT_FALSE(Visible(D::finishButton));

        Drive(choice);
        if (std::string(choice) == "cancel") {
            EXPECT_EQ(Window().EndCode(), tvx::IDCANCEL);
            Drive("wait 30");
            uint32_t firmware, loader;
            ReadTerminal("K460B01", &firmware, &loader);
            EXPECT_EQ(loader, 0x0110u) << "the loader part was written";
        } else {
            EXPECT_EQ(Boxes(gaveUp), (std::vector<std::string>{kReadyCaption, kStartCaption}));
            EXPECT_TRUE(Window().IsTimerActive(ProgressTimer));
            EXPECT_EQ(Text(D::partCounterText), "(2/3)");
        }
        TearDown();
        SetUp();
    }
}
