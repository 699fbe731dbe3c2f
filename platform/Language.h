// The system's default language as the wizard reads it.
#pragma once

#include <cstdint>

namespace tvx {

inline constexpr uint16_t LANG_GERMAN = 0x07;
inline constexpr uint16_t LANG_FRENCH = 0x0C;

// On Windows the user's interface language. Elsewhere a stand-in for it: the
// first non-empty of LC_ALL, LC_MESSAGES and LANG; "de..." gives 0x0407,
// "fr..." 0x040C, anything else 0x0409.
uint16_t GetSystemDefaultLangID();

// The low 10 bits of a language id are its primary language.
inline uint16_t PrimaryLanguage(uint16_t langId)
{
    return langId & 0x3FF;
}

} // namespace tvx
