#include <gtest/gtest.h>

#include "versions/Versions.h"

namespace {

constexpr uint16_t N = kNoVersionNumber;

struct ParseCase {
    const char *text;
    ParsedVersion expected;
};

TEST(ParseVersionText, ReadsWhatItCanAndMarksTheRestMissing)
{
    const ParseCase cases[] = {
        {"4.7.0", {4, 7, 0}},
        {"3.19", {3, 19, N}},
        {"3.02", {3, 2, N}},
        {"003.019.---", {3, 19, N}},
        {"1234.5.6", {123, 5, 6}}, // only three characters count for the major number
        {"4..7", {4, N, 7}},
        {"4.x.7", {4, N, N}},
        {"4.7.", {4, 7, N}},
        {"4.7.0x", {4, 7, N}},
        {"10.20.30.40", {10, 20, N}},
        {"3.", {3, N, N}},
        {"3.1a", {3, N, N}},
        {".5.6", {N, N, N}},
        {"a.5.6", {N, N, N}},
        {"470", {N, N, N}},
        {"", {N, N, N}},
        // Eleven characters are read ("1.2.3456789"), and values wrap at 16 bits.
        {"1.2.34567890", {1, 2, 48917}},
    };
    for (const ParseCase &c : cases) {
        const ParsedVersion got = ParseVersionText(c.text);
        EXPECT_EQ(got, c.expected) << '"' << c.text << "\" gave " << got.major << ',' << got.minor << ','
                                   << got.patch;
    }
}

TEST(VersionTextForms, FormatAndParseBackToTheSameNumbers)
{
    EXPECT_EQ(FormatVersion3(0x040700), "004.007.000");
    EXPECT_EQ(FormatVersion3(0xFF040700), "004.007.000"); // bits 24-31 are not shown
    EXPECT_EQ(FormatVersion3(0xFFFFFF), "255.255.255");
    EXPECT_EQ(BcdVersionText(0x0319), "003.019.---");
    EXPECT_EQ(BcdVersionText(0x1A2B), "01a.02b.---");
    EXPECT_EQ(BcdVersionText(0), "000.000.---");

    EXPECT_EQ(ParseVersionText(BcdVersionText(0x0319)), (ParsedVersion{3, 19, N}));
    EXPECT_EQ(ParseVersionText(FormatVersion3(0x040700)), (ParsedVersion{4, 7, 0}));
}

TEST(VersionTextForms, WindowFormsDropLeadingZerosButKeepTwoMinorDigitsOfBcd)
{
    EXPECT_EQ(ShortVersion3(0x01040700), "4.7.0"); // the three-part flag is not shown
    EXPECT_EQ(ShortVersion3(0xFFFFFF), "255.255.255");
    EXPECT_EQ(ShortBcdVersion(0x0319), "3.19");
    EXPECT_EQ(ShortBcdVersion(0x0302), "3.02");
    EXPECT_EQ(ShortBcdVersion(0x1A0B), "1a.0b");
    EXPECT_EQ(FormatVersion3(ParsedVersion{4, 300, 7}),
              "004.300.007"); // a text's numbers are not cut to a byte
}

struct MarkerCase {
    const char *text;
    const char *marker;
    int result;
    uint32_t value;
    int threeNumbers;
};

TEST(ParseVersionAfterMarker, ReadsTwoOrThreeSmallNumbers)
{
    const MarkerCase cases[] = {
        {"VORN 470 M ONLINE V 1.2.3 V.0.9.4 RTM", "V ", 0, 0x010203, 1},
        {"VORN 470 M ONLINE V 1.2.3 V.0.9.4 RTM", "V.", 0, 0x000904, 1},
        {"V 255.255.255", "V ", 0, 0xFFFFFF, 1},
        {"V 1.2 RTM", "V ", 0, 0x0102, 0},
        {"V 1.2", "V ", 0, 0x0102, 0},
        {"V 1.2.3X", "V ", 0, 0x010203, 1},
        {"V 1234.2.3", "V ", -1, 0, 0},
        {"V 1.256.3", "V ", -1, 0, 0},
        {"V 1.2.3456", "V ", -1, 0, 0},
        {"V 1..3", "V ", -1, 0, 0},
        {"V 1.2.", "V ", -1, 0, 0},
        {"V a.2.3", "V ", -1, 0, 0},
        {"V 12 3", "V ", -1, 0, 0},
        {"V 1.", "V ", -1, 0, 0}, // not longer than the marker plus two
        {"VORN 470", "V ", -1, 0, 0},
    };
    for (const MarkerCase &c : cases) {
        uint32_t value = 0;
        int three = 0;
        ASSERT_EQ(ParseVersionAfterMarker(c.text, c.marker, &value, &three), c.result) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(three, c.threeNumbers) << c.text;
        }
    }
}

TEST(ParseVersionAfterMarker, FailsWithoutItsArguments)
{
    uint32_t value = 0;
    int three = 0;
    EXPECT_EQ(ParseVersionAfterMarker(nullptr, "V ", &value, &three), -1);
    EXPECT_EQ(ParseVersionAfterMarker("V 1.2.3", nullptr, &value, &three), -1);
    EXPECT_EQ(ParseVersionAfterMarker("V 1.2.3", "V ", &value, nullptr), -1);
}

} // namespace
