// The handler only takes note and wakes the program; a second signal ends
// it as the signal would have; the handlers found before come back.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <csignal>

#include "platform/StopSignals.h"

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

// An ignored signal (nohup, a background job) stays ignored; the others get
// their handler for its life and then the one found before.
TEST(StopSignals, IgnoredSignalsStayIgnoredAndTheHandlersFoundBeforeComeBack)
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction found = {};
    ASSERT_EQ(sigaction(SIGHUP, &ignore, &found), 0);
    const auto handler = [](int signal) {
        struct sigaction now = {};
        sigaction(signal, nullptr, &now);
        return now.sa_handler;
    };
    const auto termHandler = handler(SIGTERM);
    {
        tvx::StopSignals stopSignals;
        EXPECT_EQ(handler(SIGHUP), SIG_IGN);
        ASSERT_EQ(std::raise(SIGHUP), 0);
        EXPECT_EQ(stopSignals.Received(), 0);
        EXPECT_NE(handler(SIGTERM), termHandler);
    }
    EXPECT_EQ(handler(SIGHUP), SIG_IGN);
    EXPECT_EQ(handler(SIGTERM), termHandler);
    sigaction(SIGHUP, &found, nullptr);
}

} // namespace
