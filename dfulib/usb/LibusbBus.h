// The real bus: terminals found through libusb by vendor id 0x0D7B, opened
// on their DFU interface.
#pragma once

#include <libusb.h>

#include <memory>

#include "dfulib/usb/LibusbOwners.h"
#include "dfulib/usb/TerminalListing.h"
#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

class LibusbBus final : public UsbBus {
public:
    LibusbBus();
    LibusbBus(const LibusbBus &) = delete;
    LibusbBus &operator=(const LibusbBus &) = delete;

    std::vector<UsbDeviceRecord> Enumerate() override;
    uint32_t Open(const UsbDeviceRecord &terminal, std::unique_ptr<ControlTransport> *out) override;

private:
    // The listing goes before the context it lists on.
    LibusbContext context_;
    std::unique_ptr<TerminalListing> listing_;
};

} // namespace tvxdfu::usb
