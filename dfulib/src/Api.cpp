// The six exported functions; each forwards to the process's backend.
#include "dfulib/include/TVXDFUUpgrade.h"

#include <new>

#include "dfulib/src/ProcessBackend.h"

namespace {

// No C++ exception may cross the C boundary.
template <typename Call>
uint32_t Guarded(Call call) noexcept
{
    try {
        return call();
    } catch (const std::bad_alloc &) {
        return UPG_OUT_OF_MEMORY;
    } catch (...) {
        return UPG_HOST_ERROR;
    }
}

} // namespace

extern "C" {

uint32_t ListVORNDevices(char *productTexts, uint32_t *productLength, char *idNumbers, uint32_t *idLength)
{
    return Guarded([&] {
        return tvxdfu::ProcessBackend().ListDevices(productTexts, productLength, idNumbers, idLength);
    });
}

uint32_t GetwBCDDeviceFWVersion(const char *id, uint32_t idLength, uint32_t *firmware, uint32_t *loader,
                                uint32_t *deviceType, uint16_t *extraValue, char *identText)
{
    return Guarded([&] {
        return tvxdfu::ProcessBackend().GetVersion(id, idLength, firmware, loader, deviceType, extraValue,
                                                   identText);
    });
}

uint32_t GetDFUAttributes(const char *id, uint32_t idLength, uint32_t *attributes)
{
    return Guarded([&] { return tvxdfu::ProcessBackend().GetAttributes(id, idLength, attributes); });
}

uint32_t TVXDeviceFirmwareUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                                  const char *backupPath)
{
    // Each backend checks the part's suffix itself: a start while a part
    // runs is refused before anything else is looked at.
    return Guarded([&] { return tvxdfu::ProcessBackend().StartUpgrade(id, idLength, part, backupPath); });
}

uint32_t GetUpgradeStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status)
{
    return Guarded([&] { return tvxdfu::ProcessBackend().GetStatus(bytes, percent, phase, status); });
}

uint32_t ConfigurationChange(uint32_t eventCode, const void *broadcastRecord)
{
    return Guarded([&] { return tvxdfu::ProcessBackend().ConfigurationChange(eventCode, broadcastRecord); });
}

} // extern "C"
