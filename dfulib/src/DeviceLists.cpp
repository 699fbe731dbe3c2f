#include "dfulib/src/DeviceLists.h"

#include <cstring>

#include "dfulib/include/TVXDFUUpgrade.h"

namespace tvxdfu {
namespace {

// Each text is one entry, whatever a backend hands over: a NUL or another
// control character in it would end the entry early or split it, and every
// row after it would be paired with another terminal's text.
std::string MultiString(const std::vector<ListedDevice> &devices, bool ids)
{
    std::string list;
    for (const ListedDevice &device : devices) {
        for (const char c : ids ? device.idNumber : device.productText)
            list += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
        list += '\0';
    }
    list += '\0';
    return list;
}

} // namespace

uint32_t FillDeviceLists(const std::vector<ListedDevice> &devices, char *productTexts,
                         uint32_t *productLength, char *idNumbers, uint32_t *idLength)
{
    if (!productLength || !idLength)
        return UPG_HOST_ERROR;
    const std::string products = MultiString(devices, false);
    const std::string ids = MultiString(devices, true);
    const bool sizing = !productTexts || !idNumbers;
    const bool fits = *productLength >= products.size() && *idLength >= ids.size();
    *productLength = static_cast<uint32_t>(products.size());
    *idLength = static_cast<uint32_t>(ids.size());
    if (sizing)
        return 0;
    if (!fits)
        return TVXDFU_BUFFER_TOO_SMALL;
    std::memcpy(productTexts, products.data(), products.size());
    std::memcpy(idNumbers, ids.data(), ids.size());
    return 0;
}

} // namespace tvxdfu
