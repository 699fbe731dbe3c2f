#include "dfulib/usb/SysfsIdentity.h"

#include <fstream>

namespace tvxdfu::usb {

std::string SysfsDeviceFolder(uint8_t bus, const uint8_t *ports, int portCount)
{
    std::string folder = "/sys/bus/usb/devices/" + std::to_string(bus) + "-";
    for (int i = 0; i < portCount; ++i)
        folder += (i ? "." : "") + std::to_string(ports[i]);
    return folder;
}

std::string SysfsInterfaceFolder(const std::string &deviceFolder, uint8_t configuration,
                                 uint8_t interfaceNumber)
{
    const std::string name = deviceFolder.substr(deviceFolder.rfind('/') + 1);
    return deviceFolder + "/" + name + ":" + std::to_string(configuration) + "." +
           std::to_string(interfaceNumber);
}

bool ReadSysfsAttribute(const std::string &folder, const char *name, std::string *value)
{
    std::ifstream file(folder + "/" + name);
    return std::getline(file, *value) && !value->empty();
}

std::string NoAccessProductText(const std::string &product, const std::string &cause)
{
    return product + " (no access: " + cause + ")";
}

} // namespace tvxdfu::usb
