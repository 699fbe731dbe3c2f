// The terminals the tests put on the testbed, in normal operation.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "dfulib/usb/testbed/TestbedTerminal.h"

namespace tvxdfu::usb::testbed {

// A three-part VORN 470 (firmware 4.6.0, loader 1.4.2), away from the bus
// for `reenumeration` after each reset.
TerminalSetup Vorn470Terminal(const std::string &id, std::chrono::milliseconds reenumeration);

// A BCD VORN 460 (firmware 3.02) with the BCD loader version `loader`.
TerminalSetup Vorn460Terminal(const std::string &id, uint16_t loader,
                              std::chrono::milliseconds reenumeration);

} // namespace tvxdfu::usb::testbed
