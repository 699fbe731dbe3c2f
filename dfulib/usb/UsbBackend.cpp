// The backend for real terminals on USB.
#include "Backend.h"

namespace tvxdfu {
namespace {

class UsbBackend final : public Backend {
public:
    uint32_t ListDevices(char *, uint32_t *productLength, char *, uint32_t *idLength) override
    {
        *productLength = 1;
        *idLength = 1;
        return 0;
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
    uint32_t GetStatus(uint32_t *, uint32_t *, uint32_t *, int32_t *) override
    {
        return UPG_HOST_ERROR;
    }
    uint32_t ConfigurationChange(uint32_t, const void *) override { return 0; }
};

} // namespace

std::unique_ptr<Backend> MakeUsbBackend() { return std::make_unique<UsbBackend>(); }

} // namespace tvxdfu
