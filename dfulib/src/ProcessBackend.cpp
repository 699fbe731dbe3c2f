#include "dfulib/src/ProcessBackend.h"

#include <cstdlib>
#include <mutex>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tvxdfu {
namespace {

std::mutex gMutex;
std::unique_ptr<Backend> gBackend;

// TVX_SIMULATOR in UTF-8, as the library takes file names; false when it is
// not set. Windows keeps the environment in UTF-16, whose narrow form is in
// the ANSI code page.
bool SimulatorSetting(std::string *value)
{
#ifdef _WIN32
    const wchar_t *wide = _wgetenv(L"TVX_SIMULATOR");
    if (!wide)
        return false;
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    value->assign(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, value->data(), size, nullptr, nullptr);
    value->pop_back(); // the terminating NUL
#else
    const char *narrow = std::getenv("TVX_SIMULATOR");
    if (!narrow)
        return false;
    *value = narrow;
#endif
    return true;
}

std::unique_ptr<Backend> ChooseBackend()
{
    std::string scenario;
    if (SimulatorSetting(&scenario))
        return MakeSimulatorBackend(scenario.c_str());
    return MakeUsbBackend();
}

} // namespace

Backend &ProcessBackend()
{
    std::lock_guard lock(gMutex);
    if (!gBackend)
        gBackend = ChooseBackend();
    return *gBackend;
}

void ReplaceProcessBackend(std::unique_ptr<Backend> backend)
{
    std::lock_guard lock(gMutex);
    gBackend = std::move(backend);
}

} // namespace tvxdfu
