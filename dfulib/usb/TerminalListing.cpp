#include "TerminalListing.h"

#include <utility>

#include "LibusbTerminal.h"

namespace tvxdfu::usb {

std::vector<UsbDeviceRecord> TerminalListing::List()
{
    std::vector<UsbDeviceRecord> records;
    ForEachDevice(context_, [&](libusb_device *device) {
        libusb_device_handle *handle = nullptr;
        UsbDeviceRecord record;
        DfuInterfaceLocation location;
        bool accessDenied = false;
        const uint32_t opened = OpenTerminal(device, &handle, &record, &location, &accessDenied);
        // A terminal the user may not open is listed all the same, its
        // product text naming the missing udev rule.
        if (opened != 0 && !(accessDenied && !record.serial.empty()))
            return false;
        if (opened == 0)
            libusb_close(handle);
        // A terminal is addressed by its serial number; without one it
        // cannot be chosen.
        if (!record.serial.empty())
            records.push_back(std::move(record));
        return false;
    });
    return records;
}

} // namespace tvxdfu::usb
