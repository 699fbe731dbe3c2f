// The walk of a parsed configuration for the DFU interface and its
// functional descriptor, and the choice of its alternate setting.
// Input: the configuration's extra bytes (a length byte, up to 64 bytes),
// the number of interfaces (0-4), for each the number of settings (0-4),
// for each setting class, subclass, protocol, bInterfaceNumber,
// bAlternateSetting, iInterface and its extra bytes (a length byte, up to
// 64 bytes); then the named alternate setting (a flag byte, the setting).
#include <libusb.h>

#include <algorithm>
#include <vector>

#include "dfulib/usb/DfuInterfaceSearch.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace tvx::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ByteReader in(data, size);
    const std::vector<uint8_t> configExtra = in.Bytes(in.Byte() % 65);
    const int interfaceCount = in.Byte() % 5;
    std::vector<std::vector<libusb_interface_descriptor>> settings(static_cast<std::size_t>(interfaceCount));
    std::vector<std::vector<uint8_t>> extras;
    extras.reserve(16);
    for (auto &interface : settings) {
        interface.resize(in.Byte() % 5);
        for (libusb_interface_descriptor &alt : interface) {
            alt = {};
            alt.bInterfaceClass = in.Byte();
            alt.bInterfaceSubClass = in.Byte();
            alt.bInterfaceProtocol = in.Byte();
            alt.bInterfaceNumber = in.Byte();
            alt.bAlternateSetting = in.Byte();
            alt.iInterface = in.Byte();
            extras.push_back(in.Bytes(in.Byte() % 65));
            alt.extra = extras.back().empty() ? nullptr : extras.back().data();
            alt.extra_length = static_cast<int>(extras.back().size());
        }
    }
    std::vector<libusb_interface> interfaces(settings.size());
    for (std::size_t i = 0; i < settings.size(); ++i) {
        interfaces[i].altsetting = settings[i].empty() ? nullptr : settings[i].data();
        interfaces[i].num_altsetting = static_cast<int>(settings[i].size());
    }
    libusb_config_descriptor config{};
    config.bNumInterfaces = static_cast<uint8_t>(interfaces.size());
    config.interface = interfaces.empty() ? nullptr : interfaces.data();
    config.extra = configExtra.empty() ? nullptr : configExtra.data();
    config.extra_length = static_cast<int>(configExtra.size());

    const tvxdfu::usb::DfuInterfaceLocation location = tvxdfu::usb::LocateDfuInterface(config);
    Expect(location.interfaceNumber >= -1 && location.interfaceNumber <= 255, "interface number");
    Expect(location.interfaceNumber >= 0 || (!location.hasFunctional && location.alternates.empty()),
           "nothing found without a DFU interface");
    const bool named = in.Byte() & 1;
    const uint8_t alternate = in.Byte();
    const auto chosen =
        tvxdfu::usb::ChooseAlternate(location, named ? std::optional<uint8_t>(alternate) : std::nullopt);
    if (chosen)
        Expect(std::find(location.alternates.begin(), location.alternates.end(), *chosen) !=
                   location.alternates.end(),
               "the chosen setting exists");
    return 0;
}
