// What the operating system shows of a USB device outside libusb: the name a
// message gives it, where it keeps the strings it read when the device
// arrived, and why it refused to let this program open it. Linux has all
// three in sysfs, /dev and the udev and logind state; Windows keeps the
// strings out of a user program's reach (the listing then asks the device)
// and says why an open failed only through libusb's error.
#pragma once

#include <libusb.h>

#include <string>

namespace tvxdfu::usb {

// The device as a message names it: /dev/bus/usb/BBB/DDD on Linux, "USB
// bus B, ports 1.4" on Windows.
std::string DeviceNode(libusb_device *device);

// The folder the device's strings can be read from (SysfsIdentity.h), ""
// when the system keeps none for it.
std::string DeviceStringsFolder(libusb_device *device);

// Whether libusb_open's result means the terminal is there but this program
// may not open it (as against gone, or failing).
bool IsOpenRefused(int openError);

struct OpenRefusal {
    int kind = 0;     // tells causes apart, so that each is reported once
    std::string text; // the cause in a few words
};

// Why the open of `device` was refused with `openError`.
OpenRefusal ExplainOpenRefusal(libusb_device *device, int openError);

} // namespace tvxdfu::usb
