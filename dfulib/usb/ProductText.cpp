#include "dfulib/usb/ProductText.h"

#include <cstdio>

#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

uint32_t ModelOfProductId(uint16_t idProduct)
{
    uint32_t model = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const unsigned digit = idProduct >> shift & 0xF;
        if (digit > 9)
            return 0;
        model = model * 10 + digit;
    }
    return model;
}

std::string ListedProductText(const std::string &product, uint16_t idProduct)
{
    if (!product.empty())
        return product;
    if (const uint32_t model = ModelOfProductId(idProduct))
        return "VORN " + std::to_string(model);
    char ids[24];
    std::snprintf(ids, sizeof ids, "USB terminal %04x:%04x", kTerminalVendorId, idProduct);
    return ids;
}

} // namespace tvxdfu::usb
