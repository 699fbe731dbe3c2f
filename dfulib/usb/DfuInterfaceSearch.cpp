#include "dfulib/usb/DfuInterfaceSearch.h"

#include <algorithm>
#include <cstddef>

namespace tvxdfu::usb {
namespace {

bool IsDfu(const libusb_interface_descriptor &alt)
{
    return alt.bInterfaceClass == kDfuInterfaceClass && alt.bInterfaceSubClass == kDfuInterfaceSubclass;
}

bool FindIn(const unsigned char *extra, int length, DfuFunctional *out)
{
    return extra && length > 0 && FindFunctionalDescriptor(extra, static_cast<std::size_t>(length), out);
}

// One functional descriptor serves all alternate settings of the interface,
// but libusb hangs it on whichever setting it follows; a device may also put
// it after the configuration descriptor.
bool FindFunctional(const libusb_config_descriptor &config, const libusb_interface &interface,
                    DfuFunctional *out)
{
    for (int a = 0; a < interface.num_altsetting; ++a) {
        const libusb_interface_descriptor &alt = interface.altsetting[a];
        if (FindIn(alt.extra, alt.extra_length, out))
            return true;
    }
    return FindIn(config.extra, config.extra_length, out);
}

} // namespace

DfuInterfaceLocation LocateDfuInterface(const libusb_config_descriptor &config)
{
    DfuInterfaceLocation location;
    if (!config.interface)
        return location;
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface &interface = config.interface[i];
        if (!interface.altsetting || interface.num_altsetting <= 0)
            continue;
        const auto end = interface.altsetting + interface.num_altsetting;
        const auto dfu = std::find_if(interface.altsetting, end, IsDfu);
        if (dfu == end)
            continue;
        const libusb_interface_descriptor &first = *dfu;
        location.interfaceNumber = first.bInterfaceNumber;
        location.protocol = first.bInterfaceProtocol;
        location.stringIndex = first.iInterface;
        location.alternate = first.bAlternateSetting;
        for (int a = 0; a < interface.num_altsetting; ++a)
            location.alternates.push_back(interface.altsetting[a].bAlternateSetting);
        location.hasFunctional = FindFunctional(config, interface, &location.functional);
        break;
    }
    return location;
}

std::optional<uint8_t> ChooseAlternate(const DfuInterfaceLocation &location, std::optional<uint8_t> named)
{
    const uint8_t wanted = named.value_or(0);
    if (std::find(location.alternates.begin(), location.alternates.end(), wanted) ==
        location.alternates.end())
        return std::nullopt;
    return wanted;
}

} // namespace tvxdfu::usb
