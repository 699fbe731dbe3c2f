#include "platform/Language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace tvx {

uint16_t GetSystemDefaultLangID()
{
    const char *value = nullptr;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *candidate = std::getenv(name);
        if (candidate && *candidate) {
            value = candidate;
            break;
        }
    }
    if (value && std::strncmp(value, "de", 2) == 0)
        return 0x0407;
    if (value && std::strncmp(value, "fr", 2) == 0)
        return 0x040C;
    return 0x0409;
}

} // namespace tvx
