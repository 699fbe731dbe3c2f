// A bus of emulated terminals for the backend's tests: each has the record
// a real terminal's descriptors would give, and an emulated DFU device
// behind it. Present devices are listed with their current mode.
#pragma once

#include <memory>
#include <vector>

#include "dfulib/usb/UsbBus.h"
#include "dfulib/usb/emulated/EmulatedDfuDevice.h"

namespace tvxdfu::usb {

struct EmulatedTerminal {
    UsbDeviceRecord record; // dfuMode and functional follow the device
    std::shared_ptr<EmulatedDfuDevice> device;
    uint32_t openResult = 0; // e.g. UPG_CONNECT_FAILED for a device we may not open
};

class EmulatedBus final : public UsbBus {
public:
    explicit EmulatedBus(std::vector<EmulatedTerminal> terminals);
    std::vector<UsbDeviceRecord> Enumerate() override;
    uint32_t Open(const UsbDeviceRecord &terminal, std::unique_ptr<ControlTransport> *out) override;

private:
    std::vector<EmulatedTerminal> terminals_;
};

} // namespace tvxdfu::usb
