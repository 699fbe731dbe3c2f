// A terminal on the libusb bus: where its DFU interface sits, and opening it
// to read its record (descriptors and strings).
#pragma once

#include <libusb.h>

#include <cstdint>

#include "UsbBus.h"

namespace tvxdfu::usb {

// Where a terminal's DFU interface sits in its active configuration.
struct DfuInterfaceLocation {
    int interfaceNumber = -1;
    int alternateSetting = 0;
    uint8_t protocol = 0;
    uint8_t stringIndex = 0;
    bool hasFunctional = false;
    DfuFunctional functional;
};

// Opens a terminal and reads its record; 0, UPG_CONNECT_FAILED, or
// UPG_NO_DEVICE when it is not a terminal. *accessDenied tells a missing
// permission apart from other connection failures.
uint32_t OpenTerminal(libusb_device *device, libusb_device_handle **handle,
                      UsbDeviceRecord *record, DfuInterfaceLocation *location, bool *accessDenied);

// Calls `visit(device)` for each device on the bus until it returns true.
template <typename Visit>
void ForEachDevice(libusb_context *context, Visit visit)
{
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < count; ++i) {
        if (visit(list[i]))
            break;
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
}

} // namespace tvxdfu::usb
