// Descriptor layouts of real DFU devices, each stated in this project's own
// form from the public record named with it, for terminals on the testbed.
#pragma once

#include <cstdint>

#include "dfulib/usb/testbed/UsbDescriptors.h"

namespace tvxdfu::usb::testbed {

// Where a loader puts its functional descriptor.
enum class FunctionalPlace {
    AfterInterface,     // right after its only (or first) setting
    AfterLastSetting,   // after the last of several settings
    AfterSecondSetting, // after setting 1 of several
    OnConfiguration,    // after the configuration descriptor
};

struct LoaderShape {
    uint8_t protocol = kDfuProtocolDfuMode;
    int settings = 1; // alternate settings of the DFU interface (memories)
    FunctionalPlace place = FunctionalPlace::AfterInterface;
    bool dfu10Form = false; // the 7-byte functional descriptor
    uint16_t idProduct = 0; // 0: the terminal's
};

// A loader: one configuration, the DFU interface 0 alone, its settings
// named by no string but the first.
DeviceLayout LoaderLayout(const LoaderShape &shape, const DfuFunctional &functional);

// A device in normal operation with two configurations, the second active,
// whose DFU interface (2) sits beside the card reader (0) and a vendor
// interface (1).
DeviceLayout RuntimeBesideOtherInterfaces(const DfuFunctional &functional);

} // namespace tvxdfu::usb::testbed
