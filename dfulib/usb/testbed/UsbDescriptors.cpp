#include "UsbDescriptors.h"

#include <algorithm>

namespace tvxdfu::usb::testbed {
namespace {

constexpr uint8_t kDeviceType = 0x01;
constexpr uint8_t kConfigurationType = 0x02;
constexpr uint8_t kStringType = 0x03;
constexpr uint8_t kInterfaceType = 0x04;
constexpr uint8_t kEndpointType = 0x05;
constexpr uint8_t kSmartCardClass = 0x0B;
constexpr uint16_t kUsEnglish = 0x0409;
constexpr std::size_t kMaxStringCharacters = 126;

void Put16(std::vector<uint8_t> &out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Interface(std::vector<uint8_t> &out, uint8_t number, uint8_t endpoints, uint8_t cls,
               uint8_t subclass, uint8_t protocol, uint8_t string)
{
    out.insert(out.end(), {9, kInterfaceType, number, 0, endpoints, cls, subclass, protocol, string});
}

} // namespace

std::vector<uint8_t> DeviceAndConfiguration(const DescriptorSet &set)
{
    std::vector<uint8_t> out = {18, kDeviceType};
    Put16(out, 0x0200);
    out.insert(out.end(), {0, 0, 0, 64});
    Put16(out, set.idVendor);
    Put16(out, set.idProduct);
    Put16(out, set.bcdDevice);
    out.insert(out.end(), {kStringManufacturer, kStringProduct,
                           static_cast<uint8_t>(set.hasSerial ? kStringSerial : 0), 1});

    const std::size_t configuration = out.size();
    const uint8_t interfaces = set.dfuMode ? 1 : 2;
    out.insert(out.end(), {9, kConfigurationType, 0, 0, interfaces, 1, kStringConfiguration, 0x80, 50});
    if (!set.dfuMode) {
        // The card reader a terminal is in normal operation: one interrupt
        // endpoint is enough to look like one.
        const uint8_t reader = set.dfuInterface == 0 ? 1 : 0;
        Interface(out, reader, 1, kSmartCardClass, 0, 0, 0);
        out.insert(out.end(), {7, kEndpointType, 0x81, 0x03, 8, 0, 10});
    }
    Interface(out, set.dfuInterface, 0, kDfuInterfaceClass, kDfuInterfaceSubclass,
              set.dfuMode ? kDfuProtocolDfuMode : kDfuProtocolRuntime, kStringDfuInterface);
    out.insert(out.end(), {9, kFunctionalDescriptorType, set.functional.attributes});
    Put16(out, set.functional.detachTimeoutMs);
    Put16(out, set.functional.transferSize);
    Put16(out, set.functional.dfuVersion);
    const auto total = static_cast<uint16_t>(out.size() - configuration);
    out[configuration + 2] = static_cast<uint8_t>(total);
    out[configuration + 3] = static_cast<uint8_t>(total >> 8);
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
