#include "dfulib/usb/SystemDevice.h"

#include <cstdio>

#include "dfulib/usb/AccessCause.h"
#include "dfulib/usb/SysfsIdentity.h"

namespace tvxdfu::usb {

std::string DeviceNode(libusb_device *device)
{
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                  libusb_get_device_address(device));
    return node;
}

std::string DeviceStringsFolder(libusb_device *device)
{
    uint8_t ports[8];
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    // A root hub has no ports and no folder of this form.
    return count > 0 ? SysfsDeviceFolder(libusb_get_bus_number(device), ports, count) : std::string();
}

bool IsOpenRefused(int openError)
{
    return openError == LIBUSB_ERROR_ACCESS;
}

OpenRefusal ExplainOpenRefusal(libusb_device *device, int)
{
    const AccessFinding finding = FindAccessCause(AccessSystem::Installed(), DeviceNode(device));
    return {static_cast<int>(finding.cause), AccessCauseText(finding)};
}

} // namespace tvxdfu::usb
