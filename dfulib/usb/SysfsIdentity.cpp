#include "SysfsIdentity.h"

#include <fstream>

namespace tvxdfu::usb {

std::string SysfsDeviceFolder(uint8_t bus, const uint8_t *ports, int portCount)
{
    std::string folder = "/sys/bus/usb/devices/" + std::to_string(bus) + "-";
    for (int i = 0; i < portCount; ++i)
        folder += (i ? "." : "") + std::to_string(ports[i]);
    return folder;
}

bool ReadSysfsAttribute(const std::string &folder, const char *name, std::string *value)
{
    std::ifstream file(folder + "/" + name);
    return static_cast<bool>(std::getline(file, *value));
}

std::string NoAccessProductText(const std::string &product)
{
    return product + " (no access: the udev rule " + kUdevRuleName + " is not installed)";
}

} // namespace tvxdfu::usb
