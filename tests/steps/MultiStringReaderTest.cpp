// The terminal lists are read inside their buffers whatever the library
// wrote into them (exact-size heap blocks: a read past the end shows under ASan).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/MultiStringReader.h"

namespace {

std::vector<std::string> ReadAll(const std::string &bytes)
{
    const std::vector<char> buffer(bytes.begin(), bytes.end());
    MultiStringReader reader(buffer);
    std::vector<std::string> texts;
    std::string_view text;
    while (reader.Next(&text))
        texts.emplace_back(text);
    return texts;
}

} // namespace

TEST(MultiStringReader, StopsAtTheEmptyTextOrTheBufferEnd)
{
    using namespace std::string_literals;
    struct Case {
        const char *name;
        std::string bytes;
        std::vector<std::string> texts;
    } const cases[] = {
        {"two texts", "ab\0cd\0\0"s, {"ab", "cd"}},
        {"texts after the end marker are not read", "ab\0\0cd\0\0"s, {"ab"}},
        {"empty list", "\0"s, {}},
        {"no buffer", ""s, {}},
        {"last text without its NUL", "ab\0cd"s, {"ab"}},
        {"list without its end marker", "ab\0cd\0"s, {"ab", "cd"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReadAll(c.bytes), c.texts) << c.name;
}

TEST(MultiStringReader, EntriesReadInStepKeepEmptyTextsUpToTheBufferEnd)
{
    using namespace std::string_literals;
    struct Case {
        const char *name;
        std::string bytes;
        std::vector<std::string> texts;
    } const cases[] = {
        {"empty text between two", "ab\0\0cd\0\0"s, {"ab", "", "cd", ""}},
        {"empty first text", "\0ab\0\0"s, {"", "ab", ""}},
        {"last text without its NUL", "ab\0cd"s, {"ab"}},
        {"no buffer", ""s, {}},
    };
    for (const Case &c : cases) {
        const std::vector<char> buffer(c.bytes.begin(), c.bytes.end());
        MultiStringReader reader(buffer);
        std::vector<std::string> texts;
        std::string_view text;
        while (reader.NextEntry(&text))
            texts.emplace_back(text);
        EXPECT_EQ(texts, c.texts) << c.name;
    }
}
