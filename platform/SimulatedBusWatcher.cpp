#include "platform/SimulatedBusWatcher.h"

#include <algorithm>
#include <cctype>

#include "platform/DeviceNotifications.h"
#include "platform/DialogWindow.h"

namespace tvx {

namespace {

// A terminal can arrive between the sizing call and the listing call; a few
// retries cover that, and the next poll tries again anyway.
constexpr int kListAttempts = 3;
constexpr uint32_t kBufferTooSmall = 122;

// The texts of a list of NUL-terminated texts ended by an empty text.
std::vector<std::string> SplitTexts(const std::vector<char> &buffer)
{
    std::vector<std::string> texts;
    std::size_t at = 0;
    while (at < buffer.size() && buffer[at] != '\0') {
        const auto end = std::find(buffer.begin() + static_cast<std::ptrdiff_t>(at), buffer.end(), '\0');
        texts.emplace_back(buffer.begin() + static_cast<std::ptrdiff_t>(at), end);
        at = static_cast<std::size_t>(end - buffer.begin()) + 1;
    }
    return texts;
}

} // namespace

uint16_t SimulatedProductId(const std::string &productText)
{
    const auto first = std::find_if(productText.begin(), productText.end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; });
    uint16_t id = 0;
    int digits = 0;
    for (auto it = first;
         it != productText.end() && std::isdigit(static_cast<unsigned char>(*it)) && digits < 4;
         ++it, ++digits)
        id = static_cast<uint16_t>(id * 16 + (*it - '0'));
    return id;
}

SimulatedBusWatcher::SimulatedBusWatcher(ListDevicesFunction listDevices)
    : listDevices_(std::move(listDevices))
{
}

bool SimulatedBusWatcher::ReadTerminals(std::vector<Terminal> &terminals) const
{
    for (int attempt = 0; attempt < kListAttempts; ++attempt) {
        uint32_t productLength = 0, idLength = 0;
        if (listDevices_(nullptr, &productLength, nullptr, &idLength) != 0)
            return false;
        std::vector<char> products(productLength + 1, '\0'), ids(idLength + 1, '\0');
        const uint32_t result = listDevices_(products.data(), &productLength, ids.data(), &idLength);
        if (result == kBufferTooSmall)
            continue;
        if (result != 0)
            return false;
        const auto productTexts = SplitTexts(products);
        const auto idTexts = SplitTexts(ids);
        terminals.clear();
        for (std::size_t i = 0; i < std::min(productTexts.size(), idTexts.size()); ++i)
            terminals.emplace_back(idTexts[i], productTexts[i]);
        return true;
    }
    return false;
}

void SimulatedBusWatcher::Poll()
{
    std::vector<Terminal> current;
    if (!ReadTerminals(current))
        return;
    if (!primed_) {
        primed_ = true;
        known_ = std::move(current);
        return;
    }
    const auto contains = [](const std::vector<Terminal> &list, const Terminal &t) {
        return std::find(list.begin(), list.end(), t) != list.end();
    };
    // Removals first: a terminal that restarted with a new product text
    // leaves before it comes back.
    const std::vector<Terminal> previous = std::exchange(known_, current);
    for (const Terminal &t : previous)
        if (!contains(current, t))
            PostDeviceInterfaceEvent(DBT_DEVICEREMOVECOMPLETE,
                                     UsbInterfacePath(SimulatedProductId(t.second), t.first));
    for (const Terminal &t : current)
        if (!contains(previous, t))
            PostDeviceInterfaceEvent(DBT_DEVICEARRIVAL,
                                     UsbInterfacePath(SimulatedProductId(t.second), t.first));
}

} // namespace tvx
