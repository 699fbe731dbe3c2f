// The standard USB descriptors of an emulated terminal, byte for byte as a
// device sends them: what libusb reads from sysfs ("descriptors") and what a
// GET_DESCRIPTOR request for a string returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DfuProtocol.h"

namespace tvxdfu::usb::testbed {

// String indexes the terminal's descriptors refer to.
enum StringIndex : uint8_t {
    kStringManufacturer = 1,
    kStringProduct = 2,
    kStringSerial = 3,
    kStringConfiguration = 4,
    kStringDfuInterface = 5,
};

struct DescriptorSet {
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint16_t bcdDevice = 0;
    bool hasSerial = true;
    bool dfuMode = false; // the loader: the DFU interface alone, protocol 2
    uint8_t dfuInterface = 0;
    DfuFunctional functional;
};

// Device descriptor followed by the configuration descriptor with all its
// interfaces: in run-time mode the card-reader interface and the DFU
// interface, in DFU mode the DFU interface alone.
std::vector<uint8_t> DeviceAndConfiguration(const DescriptorSet &set);

// A string descriptor of `text` (bytes taken as Latin-1), cut to the 126
// characters a descriptor holds; index 0 gives the language list (US English).
std::vector<uint8_t> StringDescriptor(uint8_t index, const std::string &text);

} // namespace tvxdfu::usb::testbed
