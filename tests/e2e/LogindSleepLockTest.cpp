// The wizard's lock against sleep and shutdown, taken from a mocked logind on
// a system bus of the test's own: held from the start confirmation through
// every part, given back on every way out of the run, and a run without
// logind goes on.
#include <QCoreApplication>

#include <cstdlib>
#include <memory>

#include "platform/qt/LogindSleepInhibitor.h"
#include "tests/e2e/PrivateLogind.h"
#include "tests/support/DriveFixture.h"

namespace {

constexpr const char *kEnglishReason =
    "The firmware of a card terminal is being written. An interruption can leave the terminal unusable.";
constexpr const char *kNoLogindLine = "no answer from logind";

class LogindSleepLockTest : public DriveTest {
protected:
    static void SetUpTestSuite() { logind = std::make_unique<PrivateLogind>(); }
    static void TearDownTestSuite() { logind.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(logind->BusRunning());
        DriveTest::SetUp();
        sleepLock = &lock;
    }

    static std::unique_ptr<PrivateLogind> logind;
    tvx::LogindSleepInhibitor lock;
};

std::unique_ptr<PrivateLogind> LogindSleepLockTest::logind;

} // namespace

TEST_F(LogindSleepLockTest, EveryWayOutOfARunGivesTheLockBack)
{
    const struct {
        const char *way;
        std::string terminal;
        const char *package;
        const char *before;    // before the way to the upgrade step
        const char *whileHeld; // after the start, the lock still held
        const char *end;       // "" = the dialog is destroyed
        int inhibitCalls;
    } ways[] = {
        {"success", ThreePartTerminal("K470A01"), "fit", "", "wait 0.5", "wait-idle", 1},
        {"three parts, one lock", BcdTerminal("K460B01", "0x0110"), "460", "", "wait 2", "wait-idle", 1},
        {"failed download",
         ThreePartTerminal("K470A01", R"("fault": {"phase": "download", "atPercent": 40, "status": -84})"),
         "fit", "", "wait 0.2", "wait-idle", 1},
        {"Cancel while the terminal restarts", ThreePartTerminal("K470A01", R"("fault": {"returns": false})"),
         "fit", "", "wait 5", "cancel", 1},
        {"terminal given up", ThreePartTerminal("K470A01", R"("fault": {"returns": false})"), "fit", "",
         "wait 5", "wait-idle", 1},
        {"program quits while writing", ThreePartTerminal("K470A01"), "fit", "", "wait 0.5", "", 1},
        {"start refused by the library",
         ThreePartTerminal("K470A01", R"("fault": {"startResult": "0xDF550006"})"), "fit", "", nullptr, "",
         1},
        {"start declined", ThreePartTerminal("K470A01"), "fit", "answer ok\nanswer cancel", nullptr, "", 0},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.way);
        ASSERT_TRUE(logind->Start());
        Start({way.terminal});
        const std::string package = way.package + std::string(".ppu");
        Pack(package, std::string(way.package) == "460" ? Package460() : FirmwarePackage470());
        Drive(way.before);
        DriveToUpgrade(0, package);
        if (way.whileHeld) {
            // Taken when the part started, held while it is written.
            for (const char *script : {"", way.whileHeld}) {
                Drive(script);
                const auto held = logind->Inhibitors();
                ASSERT_EQ(held.size(), 1u) << script;
                EXPECT_EQ(held[0].what, "sleep:shutdown:idle");
                EXPECT_EQ(held[0].who, "TVXUpgrade");
                EXPECT_EQ(held[0].why, kEnglishReason);
                EXPECT_EQ(held[0].mode, "block");
            }
            if (*way.end)
                Drive(way.end);
            else
                DestroyDialog();
        }
        EXPECT_TRUE(logind->WaitUntilNoLock());
        EXPECT_FALSE(lock.Held());
        EXPECT_EQ(logind->InhibitCalls(), way.inhibitCalls);
        TearDown();
        SetUp();
    }
}

TEST_F(LogindSleepLockTest, WithoutLogindTheRunGoesOnAndSaysSoOnce)
{
    logind->Stop();
    Start({BcdTerminal("K460B01", "0x0110")});
    Pack("460.ppu", Package460());
    testing::internal::CaptureStderr();
    DriveToUpgrade(0, "460.ppu");
    Follow();
    const std::string stderrText = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(Usable(D::finishButton)) << "all three parts were written";
    std::size_t lines = 0;
    for (std::size_t at = stderrText.find(kNoLogindLine); at != std::string::npos;
         at = stderrText.find(kNoLogindLine, at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << stderrText;
    EXPECT_FALSE(lock.Held());
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
