#include "platform/Language.h"

#include <atomic>
#include <cstring>

#include "platform/SystemLanguage.h"

namespace tvx {

namespace {

std::atomic<uint16_t> chosenLanguage{0};

} // namespace

uint16_t GetSystemDefaultLangID()
{
    const uint16_t chosen = chosenLanguage.load();
    return chosen ? chosen : SystemLanguage();
}

void ChooseLanguage(uint16_t langId)
{
    chosenLanguage.store(langId);
}

uint16_t LanguageOfLocale(const char *locale)
{
    if (locale && std::strncmp(locale, "de", 2) == 0)
        return 0x0407;
    if (locale && std::strncmp(locale, "fr", 2) == 0)
        return 0x040C;
    return 0x0409;
}

} // namespace tvx
