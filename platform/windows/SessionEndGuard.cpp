#include "platform/windows/SessionEndGuard.h"

namespace tvx {

bool SessionEndGuard::Hold(const std::string &why)
{
    window_.BlockSessionEnd(why);
    return sleepLock_.Hold(why);
}

void SessionEndGuard::Release()
{
    window_.BlockSessionEnd("");
    sleepLock_.Release();
}

} // namespace tvx
