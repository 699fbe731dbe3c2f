// Stands in for the USB backend in a build without its sources: no real
// terminal is ever found.
#include "dfulib/src/Backend.h"
#include "dfulib/src/DeviceLists.h"

namespace tvxdfu {
namespace {

class NoUsbBackend final : public Backend {
public:
    uint32_t ListDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                         uint32_t *idLength) override
    {
        return FillDeviceLists({}, productTexts, productLength, idNumbers, idLength);
    }
    uint32_t GetVersion(const char *, uint32_t, uint32_t *, uint32_t *, uint32_t *, uint16_t *,
                        char *) override
    {
        return UPG_NO_DEVICE;
    }
    uint32_t GetAttributes(const char *, uint32_t, uint32_t *) override { return UPG_NO_DEVICE; }
    uint32_t StartUpgrade(const char *, uint32_t, const PackageEntry *, const char *) override
    {
        return UPG_NO_DEVICE;
    }
    uint32_t GetStatus(uint32_t *, uint32_t *, uint32_t *, int32_t *) override { return UPG_HOST_ERROR; }
    uint32_t ConfigurationChange(uint32_t, const void *) override { return 0; }
};

} // namespace

std::unique_ptr<Backend> MakeUsbBackend()
{
    return std::make_unique<NoUsbBackend>();
}

} // namespace tvxdfu
