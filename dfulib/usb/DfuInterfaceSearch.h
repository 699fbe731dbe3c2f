// Where a terminal's DFU interface sits in its active configuration, and its
// functional descriptor. Real loaders put the functional descriptor in
// several places (see docs/usb-backend.md): after the DFU interface, after
// the last of its alternate settings or another one than the first (libusb
// then hangs it on that setting), or after the configuration descriptor.
#pragma once

#include <libusb.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "dfulib/usb/DfuProtocol.h"

namespace tvxdfu::usb {

struct DfuInterfaceLocation {
    int interfaceNumber = -1;
    uint8_t protocol = 0;            // of its first DFU alternate setting
    uint8_t stringIndex = 0;         // iInterface of that setting
    uint8_t alternate = 0;           // bAlternateSetting of that setting
    std::vector<uint8_t> alternates; // bAlternateSetting of each setting
    bool hasFunctional = false;
    DfuFunctional functional;
};

// The first DFU interface (class 0xFE, subclass 1) of the configuration.
DfuInterfaceLocation LocateDfuInterface(const libusb_config_descriptor &config);

// The alternate setting an upgrade uses: 0 unless the terminal names
// another one that the interface has; none when it names one it lacks.
std::optional<uint8_t> ChooseAlternate(const DfuInterfaceLocation &location, std::optional<uint8_t> named);

} // namespace tvxdfu::usb
