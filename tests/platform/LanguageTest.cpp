#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Language.h"

namespace {

#ifdef _WIN32
// CMakeLists.txt starts this test with LC_ALL=de_DE.UTF-8, which Wine turns
// into a German user interface language; the variables themselves mean
// nothing to Windows.
TEST(Language, TheUsersInterfaceLanguageDecidesNotTheLocaleVariables)
{
    ASSERT_EQ(_putenv_s("LC_ALL", "fr_FR.UTF-8"), 0);
    EXPECT_EQ(tvx::PrimaryLanguage(tvx::GetSystemDefaultLangID()), tvx::LANG_GERMAN);
}
#else
struct LocaleCase {
    const char *lcAll, *lcMessages, *lang;
    uint16_t expected;
};

void SetOrUnset(const char *name, const char *value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

TEST(Language, FirstNonEmptyLocaleVariableDecides)
{
    const LocaleCase cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", 0x0407},
        {nullptr, nullptr, "de_CH.UTF-8", 0x0407}, // Swiss German is German
        {nullptr, nullptr, "fr_FR.UTF-8", 0x040C},
        {nullptr, nullptr, "it_IT.UTF-8", 0x0409},
        {nullptr, nullptr, nullptr, 0x0409},
        {"", "", "fr_CA.UTF-8", 0x040C},                 // empty values are skipped
        {"de_AT.UTF-8", nullptr, "fr_FR.UTF-8", 0x0407}, // LC_ALL wins
        {nullptr, "fr_BE.UTF-8", "de_DE.UTF-8", 0x040C}, // then LC_MESSAGES
        {"C", nullptr, "de_DE.UTF-8", 0x0409},
    };
    for (const auto &c : cases) {
        SetOrUnset("LC_ALL", c.lcAll);
        SetOrUnset("LC_MESSAGES", c.lcMessages);
        SetOrUnset("LANG", c.lang);
        EXPECT_EQ(tvx::GetSystemDefaultLangID(), c.expected) << (c.lang ? c.lang : "(none)");
    }
}

#endif

TEST(Language, PrimaryLanguageIsLowTenBits)
{
    EXPECT_EQ(tvx::PrimaryLanguage(0x0807), tvx::LANG_GERMAN); // de_CH
    EXPECT_EQ(tvx::PrimaryLanguage(0x040C), tvx::LANG_FRENCH);
    EXPECT_EQ(tvx::PrimaryLanguage(0x0410), 0x10);
}

} // namespace

// A chosen language outweighs the system's, which comes back with 0.
TEST(Language, ChosenLanguageOutweighsTheSystems)
{
    const uint16_t system = tvx::GetSystemDefaultLangID();
    tvx::ChooseLanguage(0x040C);
    EXPECT_EQ(tvx::GetSystemDefaultLangID(), 0x040C);
    tvx::ChooseLanguage(0);
    EXPECT_EQ(tvx::GetSystemDefaultLangID(), system);
}
