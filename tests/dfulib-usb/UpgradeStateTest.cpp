#include <gtest/gtest.h>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/usb/UpgradeState.h"

namespace tvxdfu::usb {
namespace {

struct Seen {
    uint32_t ended = 0, bytes = 0, percent = 0, phase = 0;
    int32_t status = 0;
};

Seen ReadState(UpgradeState &state)
{
    Seen seen;
    seen.ended = state.Read(&seen.bytes, &seen.percent, &seen.phase, &seen.status);
    return seen;
}

// A caller that sees the finished phase starts the next part at once: it
// must not see it while the worker still holds the device.
TEST(UpgradeStateTest, FinishedPhaseShowsOnlyWithTheEnd)
{
    UpgradeState state;
    state.Report(TVXDFU_PHASE_DOWNLOAD, 4096, 100);
    state.Report(TVXDFU_PHASE_FINISHED, 4096, 100);
    Seen seen = ReadState(state);
    EXPECT_EQ(seen.ended, 0u);
    EXPECT_EQ(seen.phase, TVXDFU_PHASE_DOWNLOAD);
    EXPECT_FALSE(state.Ended());

    // Then it reads once as running, for the window to show the finished
    // phase, while a start is already taken.
    state.Finish(0);
    EXPECT_TRUE(state.Ended());
    for (const uint32_t ended : {0u, 1u}) {
        seen = ReadState(state);
        EXPECT_EQ(seen.ended, ended);
        EXPECT_EQ(seen.phase, TVXDFU_PHASE_FINISHED);
        EXPECT_EQ(seen.bytes, 4096u);
        EXPECT_EQ(seen.percent, 100u);
        EXPECT_EQ(seen.status, 0);
    }
}

} // namespace
} // namespace tvxdfu::usb
