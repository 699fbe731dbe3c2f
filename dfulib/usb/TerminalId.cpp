#include "dfulib/usb/TerminalId.h"

#include <algorithm>
#include <cctype>

namespace tvxdfu::usb {

bool SameSerial(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IdAddresses(const std::string &serial, std::string_view id)
{
    return SameSerial(std::string_view(serial).substr(0, kIdCharacters), id.substr(0, kIdCharacters));
}

std::string PortId(const UsbPortPath &port)
{
    std::string id = "USB-" + std::to_string(port.bus) + "-";
    for (std::size_t i = 0; i < port.ports.size(); ++i)
        id += (i ? "." : "") + std::to_string(port.ports[i]);
    return id;
}

} // namespace tvxdfu::usb
