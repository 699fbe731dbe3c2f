#include "platform/SystemLanguage.h"

#include <windows.h>

namespace tvx {

// The language the user reads Windows in, which is what the wizard's texts
// follow there.
uint16_t SystemLanguage()
{
    return GetUserDefaultUILanguage();
}

} // namespace tvx
