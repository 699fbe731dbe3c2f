// The real bus: terminals found through libusb by vendor id 0x0D7B, opened
// on their DFU interface.
#pragma once

#include <libusb.h>

#include <memory>

#include "TerminalListing.h"
#include "UsbBus.h"

namespace tvxdfu::usb {

class LibusbBus final : public UsbBus {
public:
    LibusbBus();
    ~LibusbBus() override;
    LibusbBus(const LibusbBus &) = delete;
    LibusbBus &operator=(const LibusbBus &) = delete;

    std::vector<UsbDeviceRecord> Enumerate() override;
    uint32_t Open(const UsbDeviceRecord &terminal, std::unique_ptr<ControlTransport> *out) override;

private:
    libusb_context *context_ = nullptr;
    std::unique_ptr<TerminalListing> listing_;
};

} // namespace tvxdfu::usb
