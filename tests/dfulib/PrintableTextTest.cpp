// Text from packages and devices as it goes to a terminal.
#include <gtest/gtest.h>

#include "dfulib/text/PrintableText.h"

TEST(PrintableText, ShowsControlsAndBrokenUtf8AsHexAndKeepsPrintableText)
{
    const struct {
        std::string_view text;
        std::string shown;
    } cases[] = {
        {"K460B0004711000001", "K460B0004711000001"},
        {"\x1b[2J", "\\x1b[2J"},                       // ESC: a CSI sequence
        {"a\tb\nc\rd\x07", R"(a\x09b\x0ac\x0dd\x07)"}, // every C0 control, tab and newline too
        {"del\x7f", "del\\x7f"},
        {"\xc2\x9bm", "\\xc2\\x9bm"}, // C1 CSI, in UTF-8
        {"\x9bm", "\\x9bm"},          // C1 CSI as a lone byte
        {"M\xc3\xbcller \xe2\x82\xac \xf0\x9f\x94\x8c", "M\xc3\xbcller \xe2\x82\xac \xf0\x9f\x94\x8c"},
        {"\xc3", "\\xc3"},                           // cut short
        {"\xc0\x9b", "\\xc0\\x9b"},                  // overlong ESC-like form
        {"\xed\xa0\x80", R"(\xed\xa0\x80)"},         // surrogate
        {"\xf4\x90\x80\x80", R"(\xf4\x90\x80\x80)"}, // beyond U+10FFFF
        {std::string_view("nul\0end", 7), "nul\\x00end"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tvx::PrintableText(c.text), c.shown) << c.shown;
}
