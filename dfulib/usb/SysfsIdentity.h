// A terminal that this user may not open still shows in the list, named from
// the kernel's sysfs files (readable by everyone), with a product text that
// tells what is missing: the udev rule that grants access.
#pragma once

#include <cstdint>
#include <string>

namespace tvxdfu::usb {

inline constexpr const char *kUdevRuleName = "70-tvxupgrade.rules";

// The sysfs folder of a device on `bus` behind the hub ports `ports`:
// /sys/bus/usb/devices/1-2.4 for bus 1, ports 2 and 4.
std::string SysfsDeviceFolder(uint8_t bus, const uint8_t *ports, int portCount);

// The first line of a sysfs attribute file; false when it cannot be read.
bool ReadSysfsAttribute(const std::string &folder, const char *name, std::string *value);

// The product text listed for a terminal that cannot be opened.
std::string NoAccessProductText(const std::string &product);

} // namespace tvxdfu::usb
