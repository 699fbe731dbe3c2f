#include "dfulib/usb/SystemDevice.h"

namespace tvxdfu::usb {

std::string DeviceNode(libusb_device *device)
{
    std::string node = "USB bus " + std::to_string(libusb_get_bus_number(device)) + ", ports ";
    uint8_t ports[8];
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    for (int i = 0; i < count; ++i)
        node += (i ? "." : "") + std::to_string(ports[i]);
    return node;
}

// Windows reads the strings too, but a user program reaches them only by
// opening the device, which the listing does anyway.
std::string DeviceStringsFolder(libusb_device *)
{
    return {};
}

// libusb answers NOT_SUPPORTED for a device no WinUSB driver is bound to:
// it is there, and listing it with that cause tells the technician what to
// install.
bool IsOpenRefused(int openError)
{
    return openError == LIBUSB_ERROR_ACCESS || openError == LIBUSB_ERROR_NOT_SUPPORTED;
}

OpenRefusal ExplainOpenRefusal(libusb_device *, int openError)
{
    if (openError == LIBUSB_ERROR_NOT_SUPPORTED)
        return {LIBUSB_ERROR_NOT_SUPPORTED, "no WinUSB driver is installed for it"};
    // WinUSB opens a device for one program at a time.
    return {LIBUSB_ERROR_ACCESS, "another program has it open"};
}

} // namespace tvxdfu::usb
