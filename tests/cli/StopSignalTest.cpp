// The wizard stopped by a signal while its window is up: its event loops
// return, main returns (so the device library's teardown runs), and the
// shell sees the signal's status.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <functional>
#include <thread>

#include "tests/support/ProgramRun.h"

namespace {

bool WaitFor(const std::function<bool()> &condition)
{
    // Generous: a loaded machine starts Qt slowly.
    for (int i = 0; i < 6000; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST(StopSignal, TheWizardReturnsFromItsWindowWithTheSignalsStatus)
{
    const struct {
        int signal;
        const char *name;
    } cases[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        RunningProgram wizard(folder.Path(),
                              "env QT_QPA_PLATFORM=offscreen TVX_SIMULATOR=demo " TVX_WIZARD_PROGRAM);
        // Its first line is written once the handlers are in place.
        ASSERT_TRUE(WaitFor([&] { return wizard.ErrSoFar().find("TVXUpgrade ") != std::string::npos; }));
        ASSERT_EQ(kill(wizard.Pid(), c.signal), 0);
        const ProgramRun run = wizard.Wait();
        EXPECT_EQ(run.exitCode, 128 + c.signal) << run.err;
        EXPECT_NE(run.err.find(std::string("TVXUpgrade: stopped by ") + c.name + "\n"), std::string::npos)
            << run.err;
    }
}

} // namespace
