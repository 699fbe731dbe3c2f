#include <cstdlib>
#include <initializer_list>

#include "platform/Language.h"
#include "platform/SystemLanguage.h"

namespace tvx {

// Without a user interface language of the system, the locale variables in
// the order the C library reads them for messages.
uint16_t SystemLanguage()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return LanguageOfLocale(value);
    }
    return LanguageOfLocale(nullptr);
}

} // namespace tvx
