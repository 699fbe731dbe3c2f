// How a terminal is addressed: by its serial number, the ID number it is
// listed under, without regard to letter case. The wizard keeps the first 16
// characters of the ID it lists, so a longer serial number is addressed by
// those; two terminals whose serial numbers share them cannot be told apart.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tvxdfu::usb {

inline constexpr std::size_t kIdCharacters = 16;

bool SameSerial(std::string_view a, std::string_view b);

// Whether the ID text `id` addresses the terminal with this serial number:
// their first 16 characters (all of a shorter one) are the same.
bool IdAddresses(const std::string &serial, std::string_view id);

} // namespace tvxdfu::usb
