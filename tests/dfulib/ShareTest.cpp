// The simulator's progress share stays exact where total * elapsed needs
// more than 64 bits.
#include <gtest/gtest.h>

#include <cstdint>

#include "dfulib/sim/Share.h"

namespace tvxtest {
namespace {

struct ShareCase {
    uint64_t total;
    int64_t elapsed;
    int64_t length;
    uint64_t expected;
};

TEST(ShareTest, RoundsDownExactlyAndHoldsElapsedToTheLength)
{
    constexpr uint64_t kMax = UINT64_MAX;
    constexpr int64_t kBig = INT64_MAX;
    const ShareCase cases[] = {
        {10, 3, 7, 4},
        {1'000'000'000'000, 3, 7, 428'571'428'571},
        // The products need 104 to 127 bits.
        {(1ULL << 40) + 5, (1LL << 40) - 1, 1LL << 40, (1ULL << 40) + 3},
        {kMax, (1LL << 62) + 1, (1LL << 62) + 3, 0xfffffffffffffff7},
        {kMax, kBig - 1, kBig, 0xfffffffffffffffc},
        {kMax, 1, kBig, 2},
        // Outside the stretch: nothing before it, the whole total after it
        // and for an empty stretch.
        {12345, 0, 100, 0},
        {100, -5, 10, 0},
        {12345, 100, 100, 12345},
        {12345, 250, 100, 12345},
        {100, 5, 0, 100},
    };
    for (const ShareCase &c : cases)
        EXPECT_EQ(tvxdfu::sim::Share(c.total, c.elapsed, c.length), c.expected)
            << c.total << " * " << c.elapsed << " / " << c.length;
}

} // namespace
} // namespace tvxtest
