// Device events for simulated terminals: the simulated bus has no hot-plug
// source of its own, so the watcher polls the device library's terminal list
// and posts a removal for every (ID number, product text) pair that vanished
// and an arrival for every new one. The program pumps Poll() from a timer,
// the headless driver from its virtual clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tvx {

// The library's ListVORNDevices signature (two-call sizing protocol).
using ListDevicesFunction =
    std::function<uint32_t(char *productTexts, uint32_t *productLength, char *idNumbers, uint32_t *idLength)>;

// The product id a simulated terminal reports: the first run of digits of
// its product text read as hexadecimal (at most four digits), so
// "VORN 470 M online ..." is 0x0470; 0 when the text has no digit.
uint16_t SimulatedProductId(const std::string &productText);

class SimulatedBusWatcher {
public:
    explicit SimulatedBusWatcher(ListDevicesFunction listDevices);

    // The first poll only takes note of the terminals already there: they
    // are found by the wizard's own enumeration, not announced.
    void Poll();

private:
    using Terminal = std::pair<std::string, std::string>; // ID number, product text

    // False when the list could not be read; the previous state then stands.
    bool ReadTerminals(std::vector<Terminal> &terminals) const;

    ListDevicesFunction listDevices_;
    std::vector<Terminal> known_;
    bool primed_ = false;
};

} // namespace tvx
