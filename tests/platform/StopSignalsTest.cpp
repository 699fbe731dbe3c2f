// The handler only takes note and wakes the program; a second signal ends
// it as the signal would have; the handlers found before come back.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <csignal>

#include "StopSignals.h"

namespace {

bool Readable(int descriptor)
{
    pollfd wake{descriptor, POLLIN, 0};
    return ::poll(&wake, 1, 0) == 1;
}

TEST(StopSignals, TheFirstSignalIsNotedAndWakesTheProgramTheSecondEndsIt)
{
    tvx::StopSignals stopSignals;
    EXPECT_EQ(stopSignals.Received(), 0);
    EXPECT_FALSE(Readable(stopSignals.WakeDescriptor()));

    ASSERT_EQ(std::raise(SIGHUP), 0);
    EXPECT_EQ(stopSignals.Received(), SIGHUP);
    EXPECT_EQ(stopSignals.ExitStatus(), 128 + SIGHUP);
    EXPECT_TRUE(Readable(stopSignals.WakeDescriptor()));
    stopSignals.Drain();
    EXPECT_FALSE(Readable(stopSignals.WakeDescriptor()));

    // Tearing down when the second one comes.
    EXPECT_EXIT(std::raise(SIGTERM), testing::KilledBySignal(SIGTERM), "");
}

TEST(StopSignals, TheHandlersFoundBeforeComeBack)
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction found = {};
    ASSERT_EQ(sigaction(SIGINT, &ignore, &found), 0);
    {
        tvx::StopSignals stopSignals;
    }
    struct sigaction now = {};
    sigaction(SIGINT, &found, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
}

} // namespace
