// The terminals on the libusb bus, as the listing and the calls that look a
// terminal up by its ID number see them.
#pragma once

#include <libusb.h>

#include <vector>

#include "UsbBus.h"

namespace tvxdfu::usb {

class TerminalListing {
public:
    explicit TerminalListing(libusb_context *context) : context_(context) {}

    // The terminals with a serial number, those this user may not open
    // included (their product text names the cause).
    std::vector<UsbDeviceRecord> List();

private:
    libusb_context *context_;
};

} // namespace tvxdfu::usb
