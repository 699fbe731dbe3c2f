#include "dfulib/src/ProcessBackend.h"

#include <cstdlib>
#include <mutex>

namespace tvxdfu {
namespace {

std::mutex gMutex;
std::unique_ptr<Backend> gBackend;

std::unique_ptr<Backend> ChooseBackend()
{
    const char *scenario = std::getenv("TVX_SIMULATOR");
    if (scenario)
        return MakeSimulatorBackend(scenario);
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
