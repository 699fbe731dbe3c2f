// The standard USB descriptors of an emulated terminal, byte for byte as a
// device sends them: what libusb reads from sysfs ("descriptors") and what a
// GET_DESCRIPTOR request returns. A terminal's descriptors are data: a
// device with its configurations, their interfaces with alternate settings,
// and class-specific bytes (the DFU functional descriptor among them) after
// any of these, so that a fixture can state a real device's layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dfulib/usb/DfuProtocol.h"

namespace tvxdfu::usb::testbed {

// String indexes the terminal's descriptors refer to.
enum StringIndex : uint8_t {
    kStringManufacturer = 1,
    kStringProduct = 2,
    kStringSerial = 3,
    kStringConfiguration = 4,
    kStringDfuInterface = 5,
};

inline constexpr uint8_t kSmartCardClass = 0x0B;
inline constexpr uint8_t kVendorClass = 0xFF;

struct AlternateSetting {
    uint8_t alternate = 0;
    uint8_t interfaceClass = 0;
    uint8_t subclass = 0;
    uint8_t protocol = 0;
    uint8_t stringIndex = 0;
    uint8_t endpoints = 0;      // interrupt IN endpoints, 0x81 upwards
    std::vector<uint8_t> extra; // class-specific descriptors after its endpoints
};

struct InterfaceLayout {
    uint8_t number = 0;
    std::vector<AlternateSetting> alternates;
};

struct ConfigurationLayout {
    uint8_t value = 1;
    uint8_t stringIndex = kStringConfiguration;
    std::vector<uint8_t> extra; // class-specific descriptors before the first interface
    std::vector<InterfaceLayout> interfaces;
};

struct DeviceLayout {
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint16_t bcdDevice = 0;
    bool hasSerial = true;
    std::vector<ConfigurationLayout> configurations;
    uint8_t activeConfiguration = 1; // bConfigurationValue the kernel set
};

// Where a DFU interface is in a layout.
struct DfuInterfacePlace {
    bool found = false;
    uint8_t configuration = 0; // bConfigurationValue
    uint8_t interfaceNumber = 0;
};

// The first DFU interface (class 0xFE, subclass 1) of the active
// configuration.
DfuInterfacePlace FindDfuInterface(const DeviceLayout &layout);
const ConfigurationLayout *ActiveConfiguration(const DeviceLayout &layout);
bool HasAlternate(const DeviceLayout &layout, uint8_t interfaceNumber, uint8_t alternate);

// The DFU functional descriptor: the 9-byte DFU 1.1 form, or the 7-byte
// form of DFU 1.0 (no bcdDFUVersion).
std::vector<uint8_t> FunctionalDescriptor(const DfuFunctional &functional, bool dfu10Form = false);

// The layout this project's terminals have: in run-time mode the card
// reader (interface 0) and the DFU interface, protocol 1; in DFU mode the
// DFU interface alone, protocol 2; one configuration, one alternate
// setting, the 9-byte functional descriptor right after the DFU interface.
DeviceLayout GeneratedLayout(bool dfuMode, uint8_t dfuInterface, const DfuFunctional &functional);

std::vector<uint8_t> DeviceDescriptor(const DeviceLayout &layout);
// Configuration `index` (not its value); empty when there is none.
std::vector<uint8_t> ConfigurationDescriptor(const DeviceLayout &layout, std::size_t index);
// The device descriptor followed by every configuration, as sysfs shows them.
std::vector<uint8_t> AllDescriptors(const DeviceLayout &layout);

// A string descriptor of `text` (bytes taken as Latin-1), cut to the 126
// characters a descriptor holds; index 0 gives the language list (US English).
std::vector<uint8_t> StringDescriptor(uint8_t index, const std::string &text);

} // namespace tvxdfu::usb::testbed
