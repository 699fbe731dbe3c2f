// How a terminal is addressed: by its serial number, the ID number it is
// listed under, without regard to letter case.
#pragma once

#include <string>

namespace tvxdfu::usb {

bool SameSerial(const std::string &a, const std::string &b);

} // namespace tvxdfu::usb
