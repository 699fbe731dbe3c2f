#include "dfulib/usb/testbed/UsbDescriptors.h"

#include <algorithm>

namespace tvxdfu::usb::testbed {
namespace {

constexpr uint8_t kDeviceType = 0x01;
constexpr uint8_t kConfigurationType = 0x02;
constexpr uint8_t kStringType = 0x03;
constexpr uint8_t kInterfaceType = 0x04;
constexpr uint8_t kEndpointType = 0x05;
constexpr uint16_t kUsEnglish = 0x0409;
constexpr std::size_t kMaxStringCharacters = 126;

void Put16(std::vector<uint8_t> &out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Append(std::vector<uint8_t> &out, const std::vector<uint8_t> &bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void PutAlternate(std::vector<uint8_t> &out, uint8_t number, const AlternateSetting &alt)
{
    out.insert(out.end(), {9, kInterfaceType, number, alt.alternate, alt.endpoints, alt.interfaceClass,
                           alt.subclass, alt.protocol, alt.stringIndex});
    for (uint8_t e = 0; e < alt.endpoints; ++e)
        out.insert(out.end(), {7, kEndpointType, static_cast<uint8_t>(0x81 + e), 0x03, 8, 0, 10});
    Append(out, alt.extra);
}

} // namespace

const ConfigurationLayout *ActiveConfiguration(const DeviceLayout &layout)
{
    for (const ConfigurationLayout &configuration : layout.configurations)
        if (configuration.value == layout.activeConfiguration)
            return &configuration;
    return nullptr;
}

DfuInterfacePlace FindDfuInterface(const DeviceLayout &layout)
{
    const ConfigurationLayout *configuration = ActiveConfiguration(layout);
    if (!configuration)
        return {};
    for (const InterfaceLayout &interface : configuration->interfaces)
        for (const AlternateSetting &alt : interface.alternates)
            if (alt.interfaceClass == kDfuInterfaceClass && alt.subclass == kDfuInterfaceSubclass)
                return {true, configuration->value, interface.number};
    return {};
}

bool HasAlternate(const DeviceLayout &layout, uint8_t interfaceNumber, uint8_t alternate)
{
    const ConfigurationLayout *configuration = ActiveConfiguration(layout);
    if (!configuration)
        return false;
    for (const InterfaceLayout &interface : configuration->interfaces)
        if (interface.number == interfaceNumber)
            return std::any_of(interface.alternates.begin(), interface.alternates.end(),
                               [&](const AlternateSetting &alt) { return alt.alternate == alternate; });
    return false;
}

std::vector<uint8_t> FunctionalDescriptor(const DfuFunctional &functional, bool dfu10Form)
{
    std::vector<uint8_t> out = {static_cast<uint8_t>(dfu10Form ? 7 : 9), kFunctionalDescriptorType,
                                functional.attributes};
    Put16(out, functional.detachTimeoutMs);
    Put16(out, functional.transferSize);
    if (!dfu10Form)
        Put16(out, functional.dfuVersion);
    return out;
}

DeviceLayout GeneratedLayout(bool dfuMode, uint8_t dfuInterface, const DfuFunctional &functional)
{
    ConfigurationLayout configuration;
    if (!dfuMode) {
        // The card reader a terminal is in normal operation: one interrupt
        // endpoint is enough to look like one.
        const uint8_t reader = dfuInterface == 0 ? 1 : 0;
        configuration.interfaces.push_back({reader, {{0, kSmartCardClass, 0, 0, 0, 1, {}}}});
    }
    configuration.interfaces.push_back(
        {dfuInterface,
         {{0, kDfuInterfaceClass, kDfuInterfaceSubclass, dfuMode ? kDfuProtocolDfuMode : kDfuProtocolRuntime,
           kStringDfuInterface, 0, FunctionalDescriptor(functional)}}});
    DeviceLayout layout;
    layout.configurations.push_back(std::move(configuration));
    return layout;
}

std::vector<uint8_t> DeviceDescriptor(const DeviceLayout &layout)
{
    std::vector<uint8_t> out = {18, kDeviceType};
    Put16(out, 0x0200);
    out.insert(out.end(), {0, 0, 0, 64});
    Put16(out, layout.idVendor);
    Put16(out, layout.idProduct);
    Put16(out, layout.bcdDevice);
    out.insert(out.end(), {kStringManufacturer, kStringProduct,
                           static_cast<uint8_t>(layout.hasSerial ? kStringSerial : 0),
                           static_cast<uint8_t>(layout.configurations.size())});
    return out;
}

std::vector<uint8_t> ConfigurationDescriptor(const DeviceLayout &layout, std::size_t index)
{
    if (index >= layout.configurations.size())
        return {};
    const ConfigurationLayout &configuration = layout.configurations[index];
    std::vector<uint8_t> out = {9,
                                kConfigurationType,
                                0,
                                0,
                                static_cast<uint8_t>(configuration.interfaces.size()),
                                configuration.value,
                                configuration.stringIndex,
                                0x80,
                                50};
    Append(out, configuration.extra);
    for (const InterfaceLayout &interface : configuration.interfaces)
        for (const AlternateSetting &alt : interface.alternates)
            PutAlternate(out, interface.number, alt);
    const auto total = static_cast<uint16_t>(out.size());
    out[2] = static_cast<uint8_t>(total);
    out[3] = static_cast<uint8_t>(total >> 8);
    return out;
}

std::vector<uint8_t> AllDescriptors(const DeviceLayout &layout)
{
    std::vector<uint8_t> out = DeviceDescriptor(layout);
    for (std::size_t i = 0; i < layout.configurations.size(); ++i)
        Append(out, ConfigurationDescriptor(layout, i));
    return out;
}

std::vector<uint8_t> StringDescriptor(uint8_t index, const std::string &text)
{
    std::vector<uint8_t> out = {0, kStringType};
    if (index == 0) {
        Put16(out, kUsEnglish);
    } else {
        const std::size_t count = std::min(text.size(), kMaxStringCharacters);
        for (std::size_t i = 0; i < count; ++i)
            Put16(out, static_cast<unsigned char>(text[i]));
    }
    out[0] = static_cast<uint8_t>(out.size());
    return out;
}

} // namespace tvxdfu::usb::testbed
