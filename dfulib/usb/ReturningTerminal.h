// Which device on the bus is the terminal an upgrade works on, once it has
// left the bus and come back (after DETACH, a reset, an installation). The
// terminal is known by its serial number; many loaders report another
// serial number or none, so a device in DFU mode on the very port the
// terminal left, of the same product id, is taken for it when it is the only
// device there. That cannot tell two terminals of one model apart whose
// loaders report the same serial (or none) when one replaces the other on
// that port while the terminal is away; every other device is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvxdfu::usb {

// Where a device sits: its bus and the hub port numbers from the root hub.
struct UsbPortPath {
    uint8_t bus = 0;
    std::vector<uint8_t> ports; // empty: not known
    bool operator==(const UsbPortPath &) const = default;
};

// A device on the bus as it describes itself.
struct ReturnCandidate {
    std::string serial; // empty when it reports none
    UsbPortPath port;
    uint16_t idProduct = 0;
    bool dfuMode = false;
};

// The terminal as it was last seen.
struct LastSeenTerminal {
    std::string serial; // its ID number, as listed
    UsbPortPath port;
    uint16_t idProduct = 0;
};

// The index of the candidate that is the terminal: the one with its serial
// number (of several, the one on its port), else the only device on its port
// when that is in DFU mode with the same product id. None when no candidate
// is surely it.
std::optional<std::size_t> ChooseReturningTerminal(const LastSeenTerminal &terminal,
                                                   const std::vector<ReturnCandidate> &candidates);

} // namespace tvxdfu::usb
