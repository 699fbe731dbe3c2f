// The reason the wizard gives for its lock against sleep, shown to whoever
// tries to suspend the computer, is in the user's language.
#include <cstdlib>

#include "tests/support/DriveFixture.h"

TEST_F(DriveTest, SleepLockReasonFollowsTheLanguage)
{
    const struct {
        const char *locale;
        const char *reason;
    } languages[] = {
        {"C",
         "The firmware of a card terminal is being written. An interruption can leave the terminal "
         "unusable."},
        {"de_DE.UTF-8",
         "Die Firmware eines Kartenterminals wird geschrieben. Eine Unterbrechung kann das Terminal "
         "unbrauchbar machen."},
        {"fr_FR.UTF-8",
         "Le firmware d'un lecteur de cartes est en cours d'écriture. Une interruption peut rendre le "
         "lecteur inutilisable."},
    };
    for (const auto &language : languages) {
        SCOPED_TRACE(language.locale);
        setenv("LC_ALL", language.locale, 1);
        Start({ThreePartTerminal("K470A01")});
        Pack("fit.ppu", FirmwarePackage470());
        DriveToUpgrade(0, "fit.ppu");
        EXPECT_TRUE(recordedSleepLock.Held());
        EXPECT_EQ(recordedSleepLock.Why(), language.reason);
        TearDown();
        recordedSleepLock = {};
        SetUp();
    }
}
