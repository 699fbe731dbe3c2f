// The device lists ListVORNDevices hands out, built from what devices
// report: product and serial strings as string descriptors (the serial
// empty for a loader listed under its port). Input: up to 8 devices, each
// a product descriptor and a serial descriptor (a length byte and that many
// bytes each), a product id, a flag for a loader without a serial number
// and its port (bus and up to 7 hub ports, a count byte first).
#include <cstring>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/src/DeviceLists.h"
#include "dfulib/usb/ProductText.h"
#include "dfulib/usb/StringDescriptor.h"
#include "dfulib/usb/TerminalId.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace tvx::fuzz;

namespace {

std::string DescriptorText(ByteReader &in)
{
    const std::vector<uint8_t> bytes = in.Bytes(in.Byte());
    std::string text;
    if (!bytes.empty())
        tvxdfu::usb::StringDescriptorText(bytes.data(), bytes.size(), &text);
    return text;
}

// The texts of a multi-string up to its closing empty text.
std::vector<std::string> Entries(const std::vector<char> &list)
{
    std::vector<std::string> entries;
    for (std::size_t at = 0; at < list.size() && list[at] != '\0';) {
        entries.emplace_back(&list[at]);
        at += entries.back().size() + 1;
    }
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ByteReader in(data, size);
    std::vector<tvxdfu::ListedDevice> devices;
    const int count = in.Byte() % 9;
    for (int i = 0; i < count; ++i) {
        const std::string product = DescriptorText(in);
        std::string serial = DescriptorText(in);
        const uint16_t idProduct = in.Word();
        if (in.Byte() & 1) {
            tvxdfu::usb::UsbPortPath port;
            port.bus = in.Byte();
            port.ports = in.Bytes(1 + in.Byte() % 7);
            serial = tvxdfu::usb::PortId(port);
        }
        // The backend lists only devices it can address.
        if (!serial.empty())
            devices.push_back({tvxdfu::usb::ListedProductText(product, idProduct), serial});
    }
    uint32_t productLength = 0, idLength = 0;
    Expect(tvxdfu::FillDeviceLists(devices, nullptr, &productLength, nullptr, &idLength) == 0, "sizing");
    std::vector<char> products(productLength), ids(idLength);
    Expect(tvxdfu::FillDeviceLists(devices, products.data(), &productLength, ids.data(), &idLength) == 0,
           "filling");
    const std::vector<std::string> productEntries = Entries(products);
    const std::vector<std::string> idEntries = Entries(ids);
    Expect(productEntries.size() == devices.size() && idEntries.size() == devices.size(),
           "one entry per device in each list");
    for (std::size_t i = 0; i < devices.size(); ++i)
        Expect(idEntries[i] == devices[i].idNumber, "each ID as reported");
    return 0;
}
