// The library calls for terminals on a USB bus. Each upgrade runs the DFU
// engine on a worker thread; GetStatus reads its state under a mutex and
// ConfigurationChange wakes a worker that waits for its device to return.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dfulib/src/Backend.h"
#include "dfulib/usb/Pacer.h"
#include "dfulib/usb/UpgradeState.h"
#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

class UsbBackend final : public Backend {
public:
    UsbBackend(std::unique_ptr<UsbBus> bus, std::unique_ptr<Pacer> pacer);
    ~UsbBackend() override;

    uint32_t ListDevices(char *productTexts, uint32_t *productLength, char *idNumbers,
                         uint32_t *idLength) override;
    uint32_t GetVersion(const char *id, uint32_t idLength, uint32_t *firmware, uint32_t *loader,
                        uint32_t *deviceType, uint16_t *extraValue, char *identText) override;
    uint32_t GetAttributes(const char *id, uint32_t idLength, uint32_t *attributes) override;
    uint32_t StartUpgrade(const char *id, uint32_t idLength, const PackageEntry *part,
                          const char *backupPath) override;
    uint32_t GetStatus(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status) override;
    uint32_t ConfigurationChange(uint32_t eventCode, const void *broadcastRecord) override;

private:
    struct Run {
        UpgradeState state;
        std::unique_ptr<ControlTransport> transport;
        std::vector<uint8_t> image;
        std::string backupPath;
        UsbDeviceRecord device;
        std::thread worker;
    };

    // The terminal the ID addresses (see TerminalId.h): 0, UPG_NO_DEVICE, or
    // UPG_CONNECT_FAILED when several terminals share it or this user may
    // not open it.
    uint32_t Find(const char *id, uint32_t idLength, UsbDeviceRecord *record);
    void Work(Run &run);

    std::unique_ptr<UsbBus> bus_;
    std::unique_ptr<Pacer> pacer_;
    std::atomic<bool> stop_{false};
    std::mutex runMutex_;
    std::unique_ptr<Run> run_;
};

} // namespace tvxdfu::usb
