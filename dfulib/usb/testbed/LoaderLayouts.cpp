#include "dfulib/usb/testbed/LoaderLayouts.h"

namespace tvxdfu::usb::testbed {

// Sources of the shapes:
// - Several settings, one per memory, with the functional descriptor after
//   the last or another than the first: dfu-util, src/main.c (extra
//   descriptors shared by the settings, which libusb hangs on one of them,
//   so all settings are searched), the DfuSe loaders of its device-logs/.
// - The functional descriptor after the configuration descriptor: dfu-util,
//   src/main.c (the whole configuration is searched for it).
// - The 7-byte form without bcdDFUVersion: dfu-util, src/main.c ("DFU 1.0
//   does not have this field"); fwupd, plugins/dfu/fu-dfu-device.c (a
//   truncated descriptor, "weirdly, quite common").
// - Protocol 0 or 1 in DFU mode: fwupd, plugins/dfu/dfu.quirk
//   (force-dfu-mode for the GD32VF103, LPC and Atmel loaders); dfu-util,
//   src/main.c (the state GETSTATUS reports decides).
DeviceLayout LoaderLayout(const LoaderShape &shape, const DfuFunctional &functional)
{
    const std::vector<uint8_t> descriptor = FunctionalDescriptor(functional, shape.dfu10Form);
    InterfaceLayout dfu{0, {}};
    for (int s = 0; s < shape.settings; ++s) {
        AlternateSetting setting{static_cast<uint8_t>(s),
                                 kDfuInterfaceClass,
                                 kDfuInterfaceSubclass,
                                 shape.protocol,
                                 static_cast<uint8_t>(s == 0 ? kStringDfuInterface : 0),
                                 0,
                                 {}};
        const bool here = (shape.place == FunctionalPlace::AfterInterface && s == 0) ||
                          (shape.place == FunctionalPlace::AfterLastSetting && s == shape.settings - 1) ||
                          (shape.place == FunctionalPlace::AfterSecondSetting && s == 1);
        if (here)
            setting.extra = descriptor;
        dfu.alternates.push_back(std::move(setting));
    }
    ConfigurationLayout configuration;
    if (shape.place == FunctionalPlace::OnConfiguration)
        configuration.extra = descriptor;
    configuration.interfaces.push_back(std::move(dfu));
    DeviceLayout layout;
    layout.idProduct = shape.idProduct;
    layout.configurations.push_back(std::move(configuration));
    return layout;
}

// Composite devices put the DFU run-time interface last, beside their own
// function: dfu-util, src/main.c (every configuration and interface is
// searched for it).
DeviceLayout RuntimeBesideOtherInterfaces(const DfuFunctional &functional)
{
    ConfigurationLayout plain;
    plain.value = 1;
    plain.interfaces.push_back({0, {{0, kSmartCardClass, 0, 0, 0, 1, {}}}});
    ConfigurationLayout full;
    full.value = 2;
    full.interfaces.push_back({0, {{0, kSmartCardClass, 0, 0, 0, 1, {}}}});
    full.interfaces.push_back({1, {{0, kVendorClass, 0, 0, 0, 2, {}}}});
    full.interfaces.push_back({2,
                               {{0, kDfuInterfaceClass, kDfuInterfaceSubclass, kDfuProtocolRuntime,
                                 kStringDfuInterface, 0, FunctionalDescriptor(functional)}}});
    DeviceLayout layout;
    layout.configurations = {std::move(plain), std::move(full)};
    layout.activeConfiguration = 2;
    return layout;
}

} // namespace tvxdfu::usb::testbed
