// What the version query reports for a USB terminal, taken from its
// descriptors and strings. The terminals' own protocol beyond DFU 1.1 is not
// public, so the mapping is this library's choice:
//
//   firmware    FW=<version> in the DFU interface string when present;
//               otherwise bcdDevice in run-time mode (BCD 0xMMmm), 0 in DFU
//               mode, where the loader runs and the firmware is not known.
//   loader      LD=<version> in the DFU interface string when present;
//               otherwise bcdDevice in DFU mode, 0 (not known) in run-time mode.
//   <version>   "M.m.p" (decimal parts up to 255) gives the three-part value
//               0x01MMmmpp; "0xMMmm" or four hex digits give BCD.
//   deviceType  TYPE=<decimal> in the DFU interface string when present
//               (bit 0 marks the second vendor's three-part terminal);
//               otherwise the model number after "VORN " in the product
//               string; otherwise the one the product id spells (0x0470:
//               470); otherwise 0.
//   extraValue  idProduct.
//   identText   the configuration string (iConfiguration), at most 129
//               bytes, NUL-filled to 130.
//   ALT=<n>     the alternate setting of the DFU interface the firmware
//               belongs to, when the terminal has several (memories);
//               without it, alternate setting 0.
// Tokens in the interface string are separated by blanks; others are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

inline constexpr std::size_t kIdentTextSize = 130;

struct TerminalIdentity {
    uint32_t firmware = 0;
    uint32_t loader = 0;
    uint32_t deviceType = 0;
    uint16_t extraValue = 0;
    char identText[kIdentTextSize] = {};
};

TerminalIdentity IdentifyTerminal(const UsbDeviceRecord &record);

// The alternate setting ALT= names in the DFU interface string, if any.
std::optional<uint8_t> NamedAlternateSetting(const std::string &interfaceText);

} // namespace tvxdfu::usb
