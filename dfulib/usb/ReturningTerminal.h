// Which device on the bus is the terminal an upgrade works on, once it has
// left the bus and come back (after DETACH, a reset, an installation). The
// terminal is known by its serial number; many loaders report another
// serial number or none, and many enumerate under a product id of their
// own, so a device in DFU mode on the very port the terminal left is taken
// for it when it is the only device there. That cannot tell the terminal
// from another loader put into that port while the terminal is away; every
// device on another port is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

// A device on the bus as it describes itself.
struct ReturnCandidate {
    std::string serial; // empty when it reports none
    UsbPortPath port;
    bool dfuMode = false;
};

// The terminal as it was last seen.
struct LastSeenTerminal {
    std::string serial; // its ID number, as listed; empty: known by its port alone
    UsbPortPath port;
};

// The index of the candidate that is the terminal: the one with its serial
// number (of several, the one on its port), else the only device on its port
// when that is in DFU mode, or whatever its mode for a terminal known by its
// port alone. None when no candidate is surely it.
std::optional<std::size_t> ChooseReturningTerminal(const LastSeenTerminal &terminal,
                                                   const std::vector<ReturnCandidate> &candidates);

} // namespace tvxdfu::usb
