// How a terminal is addressed: by its serial number, the ID number it is
// listed under, without regard to letter case. The wizard keeps the first 16
// characters of the ID it lists, so a longer serial number is addressed by
// those; two terminals whose serial numbers share them cannot be told apart.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

inline constexpr std::size_t kIdCharacters = 16;

bool SameSerial(std::string_view a, std::string_view b);

// Whether the ID text `id` addresses the terminal with this serial number:
// their first 16 characters (all of a shorter one) are the same.
bool IdAddresses(const std::string &serial, std::string_view id);

// The ID a loader without a serial number is listed under: "USB-", the bus
// number, "-" and the hub ports from the root hub joined by "." (the
// kernel's name of the device after "USB-": USB-1-2.4 for bus 1, port 4 of
// the hub on port 2). Should a terminal's serial number read the same, the
// two share the ID and neither can be chosen, as with any shared ID.
std::string PortId(const UsbPortPath &port);

} // namespace tvxdfu::usb
