#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "versions/Versions.h"

namespace {

// An identification text that carries a build number: 'F' first, 0xD7 at
// index 17, the five digits at 68-72.
std::string IdentText(std::size_t length, const char *build = "01234")
{
    std::string text(length, 'x');
    text[0] = 'F';
    if (length > 17)
        text[17] = static_cast<char>(0xD7);
    if (length >= 73)
        text.replace(68, 5, build);
    return text;
}

TEST(ReadDeviceIdentNumber, ReadsTheFiveDigitBuild)
{
    uint32_t number = 7;
    EXPECT_EQ(ReadDeviceIdentNumber(IdentText(80).c_str(), &number), 0);
    EXPECT_EQ(number, 1234u);
    EXPECT_EQ(ReadDeviceIdentNumber(IdentText(73, "99999").c_str(), &number), 0);
    EXPECT_EQ(number, 99999u);
    EXPECT_EQ(ReadDeviceIdentNumber(IdentText(129).c_str(), &number), 0);
}

TEST(ReadDeviceIdentNumber, RefusesOtherTextsAndLeavesTheOutput)
{
    struct Case {
        std::string text;
        int status;
    };
    std::string otherMark = IdentText(80);
    otherMark[17] = 'x';
    std::string noF = IdentText(80);
    noF[0] = 'E';
    const Case cases[] = {
        {IdentText(80, "01a34"), -1}, {otherMark, -2}, {noF, -1},
        {IdentText(72), -1},  // marked, but too short for the build
        {IdentText(16), -1},  // too short for the mark
        {IdentText(130), -1}, // too long
    };
    for (const Case &c : cases) {
        uint32_t number = 7;
        EXPECT_EQ(ReadDeviceIdentNumber(c.text.c_str(), &number), c.status) << c.text.size();
        EXPECT_EQ(number, 7u);
    }
    uint32_t number = 7;
    EXPECT_EQ(ReadDeviceIdentNumber(nullptr, &number), -1);
}

TEST(ReadDeviceIdentNumber, StopsAtTheEndOfAnUnterminatedBuffer)
{
    char buffer[kIdentTextSize];
    std::memset(buffer, '1', sizeof buffer);
    buffer[0] = 'F';
    buffer[17] = static_cast<char>(0xD7);
    uint32_t number = 7;
    EXPECT_EQ(ReadDeviceIdentNumber(buffer, &number), -1);
    EXPECT_EQ(number, 7u);
}

struct VendorCase {
    const char *description;
    std::size_t position;
    const char *word;
    int expected;
};

TEST(ContainsSecondVendorWord, FindsTheNameInAnyCaseFromIndex17)
{
    const VendorCase cases[] = {
        {"lower case", 40, "bravik", 1},
        {"upper case", 17, "BRAVIK", 1},
        {"mixed case, ends at 128", 123, "BrAvIk", 1},
        {"before index 17", 11, "bravik", 0},
        {"cut by the buffer's end", 124, "bravi", 0},
        {"another word", 40, "bravo!", 0},
    };
    for (const VendorCase &c : cases) {
        char ident[kIdentTextSize] = {};
        std::memset(ident, 'x', kIdentTextSize - 1);
        std::memcpy(ident + c.position, c.word, std::strlen(c.word));
        EXPECT_EQ(ContainsSecondVendorWord(ident), c.expected) << c.description;
    }
}

TEST(ContainsSecondVendorWord, EndsAtAFirstLetterTooCloseToTheTextEnd)
{
    char ident[kIdentTextSize] = {};
    std::memcpy(ident, "Fxxxxxxxxxxxxxxxxxxxxb", 22); // 'b' with nothing after it
    std::memcpy(ident + 60, "bravik", 6);             // left over from an earlier, longer text
    EXPECT_EQ(ContainsSecondVendorWord(ident), 0);
    ident[21] = 'x';
    EXPECT_EQ(ContainsSecondVendorWord(ident), 1);
}

} // namespace
