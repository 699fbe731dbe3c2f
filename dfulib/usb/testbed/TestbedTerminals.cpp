#include "dfulib/usb/testbed/TestbedTerminals.h"

namespace tvxdfu::usb::testbed {

TerminalSetup Vorn470Terminal(const std::string &id, std::chrono::milliseconds reenumeration)
{
    TerminalSetup setup;
    setup.spec.id = id;
    setup.spec.model = "VORN 470 M online";
    setup.spec.vendorCode = "KOTRX";
    setup.spec.format = sim::VersionFormat::ThreePart;
    setup.spec.firmware = 0x01040600;
    setup.spec.loader = 0x01010402;
    setup.spec.deviceType = 470;
    setup.spec.identNumber = 12345;
    setup.spec.productId = 0x0470;
    setup.spec.imageSize = 8192;
    setup.dfu.reenumeration = reenumeration;
    return setup;
}

TerminalSetup Vorn460Terminal(const std::string &id, uint16_t loader, std::chrono::milliseconds reenumeration)
{
    TerminalSetup setup = Vorn470Terminal(id, reenumeration);
    setup.spec.model = "VORN 460 M";
    setup.spec.format = sim::VersionFormat::Bcd;
    setup.spec.firmware = 0x0302;
    setup.spec.loader = loader;
    setup.spec.deviceType = 460;
    setup.spec.productId = 0x0460;
    return setup;
}

} // namespace tvxdfu::usb::testbed
