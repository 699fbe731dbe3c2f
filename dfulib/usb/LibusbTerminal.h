// A terminal on the libusb bus: where its DFU interface sits, its record
// (descriptors from libusb, strings from the system (sysfs) and, where it
// lacks one, from the device itself with a short time-out), and opening it.
#pragma once

#include <libusb.h>

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

#include "dfulib/usb/DfuInterfaceSearch.h"
#include "dfulib/usb/LibusbOwners.h"
#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

// What identifies a device while it stays on the bus; a device that
// re-enumerates comes back under another address.
struct DeviceKey {
    uint8_t bus = 0;
    uint8_t address = 0;
    std::vector<uint8_t> ports;
    // clang-tidy 14 sees the literal 0 of the comparison it synthesises.
    auto operator<=>(const DeviceKey &) const = default; // NOLINT(modernize-use-nullptr)
};

DeviceKey KeyOf(libusb_device *device);

// A string the device has (non-zero index) that is not known yet.
struct MissingString {
    uint8_t index = 0;
    std::string UsbDeviceRecord::*field = nullptr;
};

struct TerminalRead {
    UsbDeviceRecord record;
    DfuInterfaceLocation location;
    std::vector<MissingString> missing;
};

// The record of a terminal without opening it; false when the device is
// not a terminal (another vendor, or its descriptors cannot be read).
bool ReadTerminal(libusb_device *device, TerminalRead *read);

// Reads the missing strings from the open device; false when it did not
// answer (what was read is kept, the rest stays missing).
bool ReadMissingStrings(libusb_device_handle *handle, TerminalRead *read);

// Marks the record as one this user may not open (libusb_open gave
// `openError`): the product text gets the cause, which also goes to
// standard error once per device and cause.
void DenyAccess(libusb_device *device, int openError, UsbDeviceRecord *record);

// Opens a terminal and reads its record; 0, UPG_CONNECT_FAILED, or
// UPG_NO_DEVICE when it is not a terminal. *accessDenied tells a missing
// permission apart from other connection failures.
uint32_t OpenTerminal(libusb_device *device, DeviceHandle *handle, UsbDeviceRecord *record,
                      DfuInterfaceLocation *location, bool *accessDenied);

// Whether the device answers DFU_GETSTATUS on its DFU interface with a DFU
// mode state (dfuIDLE to dfuERROR): many loaders announce interface
// protocol 0 or 1 instead of 2. The interface must be claimed.
bool ReportsDfuState(libusb_context *context, libusb_device_handle *handle, uint8_t interfaceNumber,
                     unsigned timeoutMs);

// The same for a device not yet claimed: claims its DFU interface for the
// request and releases it.
bool AskDfuMode(libusb_context *context, libusb_device_handle *handle, const DfuInterfaceLocation &location,
                unsigned timeoutMs);

// The port a device sits on.
UsbPortPath PortPathOf(libusb_device *device);

// Calls `visit(device)` for each device on the bus until it returns true.
template <typename Visit>
void ForEachDevice(libusb_context *context, Visit visit)
{
    libusb_device **devices = nullptr;
    const ssize_t count = libusb_get_device_list(context, &devices);
    if (count < 0)
        return;
    const DeviceList list(devices);
    for (ssize_t i = 0; i < count; ++i) {
        if (visit(devices[i]))
            break;
    }
}

} // namespace tvxdfu::usb
