// One backend serves the six library calls for the whole process: the
// simulator when TVX_SIMULATOR is set, real USB otherwise.
#pragma once

#include <cstdint>
#include <memory>

#include "dfulib/include/TVXDFUUpgrade.h"

namespace tvxdfu {

class Backend {
public:
    virtual ~Backend() = default;
    virtual uint32_t ListDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                                 uint32_t *idLength) = 0;
    virtual uint32_t GetVersion(const char *id, uint32_t idLength, uint32_t *firmware, uint32_t *loader,
                                uint32_t *deviceType, uint16_t *extraValue, char *identText) = 0;
    virtual uint32_t GetAttributes(const char *id, uint32_t idLength, uint32_t *attributes) = 0;
    virtual uint32_t StartUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                                  const char *backupPath) = 0;
    virtual uint32_t GetStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status) = 0;
    virtual uint32_t ConfigurationChange(uint32_t eventCode, const void *broadcastRecord) = 0;
};

// Made by dfulib/usb/ and dfulib/sim/.
std::unique_ptr<Backend> MakeUsbBackend();
// scenario: a scenario file path, or "demo".
std::unique_ptr<Backend> MakeSimulatorBackend(const char *scenario);

} // namespace tvxdfu
