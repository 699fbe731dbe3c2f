#include <gtest/gtest.h>

#include "versions/Versions.h"

namespace {

TEST(BcdVersion, ValidOnlyWithDecimalNibbles)
{
    EXPECT_EQ(IsValidBcdVersion(0x0319), 1);
    EXPECT_EQ(IsValidBcdVersion(0x9999), 1);
    EXPECT_EQ(IsValidBcdVersion(0x0000), 1);
    EXPECT_EQ(IsValidBcdVersion(0x031A), 0);
    EXPECT_EQ(IsValidBcdVersion(0x03A9), 0);
    EXPECT_EQ(IsValidBcdVersion(0x0F19), 0);
    EXPECT_EQ(IsValidBcdVersion(0xA319), 0);
}

TEST(BcdVersion, ComparesMajorBeforeMinor)
{
    EXPECT_EQ(CompareBcdVersions(0x0302, 0x0319), 1);
    EXPECT_EQ(CompareBcdVersions(0x0319, 0x0302), -1);
    EXPECT_EQ(CompareBcdVersions(0x0319, 0x0319), 0);
    EXPECT_EQ(CompareBcdVersions(0x0199, 0x0200), 1);
    EXPECT_EQ(CompareBcdVersions(0x0200, 0x0199), -1);
}

TEST(BcdVersion, ComparesOnlyValidVersions)
{
    int result = 42;
    EXPECT_EQ(CompareValidBcdVersions(0x0302, 0x0319, &result), 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(CompareValidBcdVersions(0x0319, 0x0319, &result), 1);
    EXPECT_EQ(result, 0);

    result = 42;
    EXPECT_EQ(CompareValidBcdVersions(0x031A, 0x0319, &result), 0);
    EXPECT_EQ(CompareValidBcdVersions(0x0319, 0x031A, &result), 0);
    EXPECT_EQ(result, 42);
}

} // namespace
