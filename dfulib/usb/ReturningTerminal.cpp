#include "dfulib/usb/ReturningTerminal.h"

#include <algorithm>

#include "dfulib/usb/TerminalId.h"

namespace tvxdfu::usb {
namespace {

// The index of the only candidate for which `match` holds.
template <typename Match>
std::optional<std::size_t> OnlyOne(const std::vector<ReturnCandidate> &candidates, Match match)
{
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (!match(candidates[i]))
            continue;
        if (found)
            return std::nullopt;
        found = i;
    }
    return found;
}

} // namespace

std::optional<std::size_t> ChooseReturningTerminal(const LastSeenTerminal &terminal,
                                                   const std::vector<ReturnCandidate> &candidates)
{
    const bool portKnown = !terminal.port.ports.empty();
    const auto onPort = [&](const ReturnCandidate &c) { return portKnown && c.port == terminal.port; };
    const auto bySerial = [&](const ReturnCandidate &c) {
        return !terminal.serial.empty() && SameSerial(c.serial, terminal.serial);
    };
    if (std::any_of(candidates.begin(), candidates.end(), bySerial)) {
        if (const auto only = OnlyOne(candidates, bySerial))
            return only;
        return OnlyOne(candidates, [&](const ReturnCandidate &c) { return bySerial(c) && onPort(c); });
    }
    // A terminal in normal operation reports its own serial number, so only
    // a loader may stand for it; many loaders enumerate under a product id
    // of their own. One known by its port alone (listed as a loader without
    // a serial number) is whatever is on its port, back in normal operation
    // too.
    const auto only = OnlyOne(candidates, onPort);
    if (only && (candidates[*only].dfuMode || terminal.serial.empty()))
        return only;
    return std::nullopt;
}

} // namespace tvxdfu::usb
