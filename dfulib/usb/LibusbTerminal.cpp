#include "LibusbTerminal.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "ProductText.h"
#include "SysfsIdentity.h"
#include "TVXDFUUpgrade.h"

namespace tvxdfu::usb {
namespace {

DfuInterfaceLocation LocateDfuInterface(libusb_device *device)
{
    DfuInterfaceLocation location;
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return location;
    for (int i = 0; i < config->bNumInterfaces && location.interfaceNumber < 0; ++i) {
        const libusb_interface &interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor &alt = interface.altsetting[a];
            if (alt.bInterfaceClass != kDfuInterfaceClass ||
                alt.bInterfaceSubClass != kDfuInterfaceSubclass)
                continue;
            location.interfaceNumber = alt.bInterfaceNumber;
            location.alternateSetting = alt.bAlternateSetting;
            location.protocol = alt.bInterfaceProtocol;
            location.stringIndex = alt.iInterface;
            // Some devices hang the functional descriptor on the
            // configuration instead of the interface.
            location.hasFunctional =
                FindFunctionalDescriptor(alt.extra, static_cast<std::size_t>(alt.extra_length),
                                         &location.functional) ||
                FindFunctionalDescriptor(config->extra,
                                         static_cast<std::size_t>(config->extra_length),
                                         &location.functional);
            break;
        }
    }
    libusb_free_config_descriptor(config);
    return location;
}

std::string ReadString(libusb_device_handle *handle, uint8_t index)
{
    if (index == 0)
        return {};
    unsigned char text[256];
    const int length = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
    return length > 0 ? std::string(reinterpret_cast<char *>(text), static_cast<std::size_t>(length))
                      : std::string();
}

// Without a udev rule a terminal cannot be opened by an ordinary user; the
// hint is printed once per device so that the cause is not lost behind
// UPG_CONNECT_FAILED.
void ReportAccessDenied(libusb_device *device, uint16_t idProduct)
{
    static std::mutex mutex;
    static std::set<std::pair<int, int>> reported;
    std::lock_guard lock(mutex);
    if (!reported.emplace(libusb_get_bus_number(device), libusb_get_device_address(device)).second)
        return;
    std::fprintf(stderr,
                 "TVXDFUUpgrade: permission denied opening USB terminal 0d7b:%04x "
                 "(bus %03u device %03u); the udev rule %s granting access to vendor 0d7b "
                 "is not installed\n",
                 idProduct, libusb_get_bus_number(device), libusb_get_device_address(device),
                 kUdevRuleName);
}

// The record of a terminal this user may not open, from sysfs; false when
// even that cannot be read.
bool ReadInaccessibleTerminal(libusb_device *device, const libusb_device_descriptor &descriptor,
                              UsbDeviceRecord *record)
{
    uint8_t ports[8];
    const int portCount = libusb_get_port_numbers(device, ports, sizeof ports);
    if (portCount <= 0)
        return false;
    const std::string folder = SysfsDeviceFolder(libusb_get_bus_number(device), ports, portCount);
    std::string product;
    ReadSysfsAttribute(folder, "product", &product);
    if (!ReadSysfsAttribute(folder, "serial", &record->serial))
        return false;
    record->product = NoAccessProductText(ListedProductText(product, descriptor.idProduct));
    record->idProduct = descriptor.idProduct;
    record->bcdDevice = descriptor.bcdDevice;
    return true;
}

} // namespace

uint32_t OpenTerminal(libusb_device *device, libusb_device_handle **handle,
                      UsbDeviceRecord *record, DfuInterfaceLocation *location, bool *accessDenied)
{
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(device, &descriptor) != 0 ||
        descriptor.idVendor != kTerminalVendorId)
        return UPG_NO_DEVICE;
    const int opened = libusb_open(device, handle);
    *accessDenied = opened == LIBUSB_ERROR_ACCESS;
    if (*accessDenied) {
        ReportAccessDenied(device, descriptor.idProduct);
        ReadInaccessibleTerminal(device, descriptor, record);
    }
    if (opened != 0)
        return UPG_CONNECT_FAILED;
    *location = LocateDfuInterface(device);
    record->product = ReadString(*handle, descriptor.iProduct);
    record->serial = ReadString(*handle, descriptor.iSerialNumber);
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) == 0) {
        record->configurationText = ReadString(*handle, config->iConfiguration);
        libusb_free_config_descriptor(config);
    }
    record->interfaceText = ReadString(*handle, location->stringIndex);
    record->idProduct = descriptor.idProduct;
    record->bcdDevice = descriptor.bcdDevice;
    record->dfuMode = location->protocol == kDfuProtocolDfuMode;
    record->hasFunctional = location->hasFunctional;
    record->functional = location->functional;
    return 0;
}

} // namespace tvxdfu::usb
