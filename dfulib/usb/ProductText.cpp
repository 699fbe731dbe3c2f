#include "ProductText.h"

#include <cstdio>

#include "UsbBus.h"

namespace tvxdfu::usb {

std::string ListedProductText(const std::string &product, uint16_t idProduct)
{
    if (!product.empty())
        return product;
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04x", idProduct);
    const std::string id(hex);
    const std::size_t first = id.find_first_not_of('0');
    if (first != std::string::npos && id.find_first_not_of("0123456789") == std::string::npos)
        return "VORN " + id.substr(first);
    char ids[24];
    std::snprintf(ids, sizeof ids, "USB terminal %04x:%s", kTerminalVendorId, hex);
    return ids;
}

} // namespace tvxdfu::usb
