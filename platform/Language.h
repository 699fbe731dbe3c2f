// The system's default language as the wizard reads it.
#pragma once

#include <cstdint>

namespace tvx {

inline constexpr uint16_t LANG_GERMAN = 0x07;
inline constexpr uint16_t LANG_FRENCH = 0x0C;

// The language chosen for this process (ChooseLanguage), else the system's:
// on Windows the user's interface language, elsewhere a stand-in for it, the
// first non-empty of LC_ALL, LC_MESSAGES and LANG read by LanguageOfLocale.
uint16_t GetSystemDefaultLangID();

// Speaks `langId` in this process whatever the system's language is (the
// headless driver's --lang, which on Windows no variable can set); 0 gives
// the system's language back.
void ChooseLanguage(uint16_t langId);

// The language a locale name stands for: "de..." 0x0407, "fr..." 0x040C,
// anything else, none included, 0x0409.
uint16_t LanguageOfLocale(const char *locale);

// The low 10 bits of a language id are its primary language.
inline uint16_t PrimaryLanguage(uint16_t langId)
{
    return langId & 0x3FF;
}

} // namespace tvx
