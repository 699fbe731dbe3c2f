// The console's events under StopSignals: the first is noted as the signal
// Linux would have sent and the program goes on to end the normal way; a
// second one while it tears down ends it at once. The events come from
// GenerateConsoleCtrlEvent, into a console of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <csignal>
#include <sstream>

#include "platform/StopSignals.h"

namespace {

// A console only this process is attached to, so that its events reach
// nothing else (ctest's and gtest's parent processes among them).
void OwnConsole()
{
    ::FreeConsole();
    ASSERT_TRUE(::AllocConsole());
}

// The handler runs on a thread Windows starts for it.
void WaitUntilReceived(const tvx::StopSignals &stopSignals)
{
    while (stopSignals.Received() == 0)
        ::Sleep(1);
}

TEST(ConsoleStop, CtrlCIsNotedAsSigintAndTheProgramGoesOn)
{
    OwnConsole();
    tvx::StopSignals stopSignals;
    EXPECT_EQ(stopSignals.Received(), 0);
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    WaitUntilReceived(stopSignals);
    EXPECT_EQ(stopSignals.Received(), SIGINT);
    EXPECT_EQ(stopSignals.ExitStatus(), 130);
    std::ostringstream report;
    stopSignals.Report(report, "tvx-drive");
    EXPECT_EQ(report.str(), "tvx-drive: stopped by Ctrl+C\n");
}

TEST(ConsoleStop, ASecondCtrlCEndsTheProgramAsCtrlCWould)
{
    EXPECT_EXIT(
        {
            OwnConsole();
            tvx::StopSignals stopSignals;
            ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            WaitUntilReceived(stopSignals);
            ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
            ::Sleep(INFINITE);
        },
        testing::ExitedWithCode(static_cast<int>(STATUS_CONTROL_C_EXIT)), "");
}

} // namespace
