// Twenty whole upgrades in one process, each dialog run to Finish and
// destroyed: every one succeeds, no timer is left armed and no file stays
// open. The memory figures are the soak's business (bench/soak).
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/EnglishTexts.h"
#include "tests/support/UpgradeSoak.h"

TEST(ConsecutiveUpgrades, TwentyRunsLeaveNoTimerArmedAndNoFileOpen)
{
    UseEnglishTexts();
    tvx::soak::UpgradeSoak soak;
    std::string error;
    ASSERT_TRUE(soak.RunOnce(&error)) << error; // first-use set-up outside the count
    const int openBefore = tvx::soak::MeasureProcess().openFiles;
    for (int run = 1; run <= 20; ++run)
        ASSERT_TRUE(soak.RunOnce(&error)) << "run " << run << ": " << error;
    EXPECT_EQ(tvx::soak::MeasureProcess().openFiles, openBefore);
}
