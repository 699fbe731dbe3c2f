// The two parallel lists that ListVORNDevices hands out: NUL-terminated
// texts one after another, each list ended by an empty text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tvxdfu {

struct ListedDevice {
    std::string productText;
    std::string idNumber;
};

// Null buffers: stores the needed lengths and returns 0. Otherwise fills
// both buffers and stores the lengths used, or, when a buffer is smaller
// than needed, stores the needed lengths and returns 122.
uint32_t FillDeviceLists(const std::vector<ListedDevice> &devices, char *productTexts,
                         uint32_t *productLength, char *idNumbers, uint32_t *idLength);

} // namespace tvxdfu
