// The kernel reads a device's strings (product, serial, configuration, each
// interface's) when the device arrives and shows them in sysfs, readable by
// everyone: the listing takes them from there instead of asking the device,
// and a terminal this user may not open is still named from them.
#pragma once

#include <cstdint>
#include <string>

namespace tvxdfu::usb {

// The sysfs folder of a device on `bus` behind the hub ports `ports`:
// /sys/bus/usb/devices/1-2.4 for bus 1, ports 2 and 4.
std::string SysfsDeviceFolder(uint8_t bus, const uint8_t *ports, int portCount);

// The folder of one of its interfaces: 1-2.4:1.0 for configuration 1,
// interface 0.
std::string SysfsInterfaceFolder(const std::string &deviceFolder, uint8_t configuration,
                                 uint8_t interfaceNumber);

// The first line of a sysfs attribute file; false when it cannot be read or
// is empty (the kernel shows a string it could not read as an empty file or
// none at all).
bool ReadSysfsAttribute(const std::string &folder, const char *name, std::string *value);

// The product text listed for a terminal that cannot be opened, with the
// cause in a few words.
std::string NoAccessProductText(const std::string &product, const std::string &cause);

} // namespace tvxdfu::usb
