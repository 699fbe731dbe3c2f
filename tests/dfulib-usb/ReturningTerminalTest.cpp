#include <gtest/gtest.h>

#include "dfulib/usb/ReturningTerminal.h"

namespace tvxdfu::usb {
namespace {

const UsbPortPath kPort{1, {2, 4}};
const UsbPortPath kOtherPort{1, {2, 3}};
const UsbPortPath kOtherBus{2, {2, 4}};

ReturnCandidate Loader(std::string serial, UsbPortPath port)
{
    return {std::move(serial), std::move(port), true};
}

ReturnCandidate Runtime(std::string serial, UsbPortPath port)
{
    return {std::move(serial), std::move(port), false};
}

TEST(ReturningTerminal, TakesItsSerialElseTheOnlyLoaderOnItsPort)
{
    const LastSeenTerminal terminal{"K470A0001234", kPort};
    const LastSeenTerminal firstOpen{"K470A0001234", {}};
    // Listed as a loader without a serial number: known by its port alone.
    const LastSeenTerminal byPort{"", kPort};
    struct Case {
        const char *what;
        LastSeenTerminal terminal;
        std::vector<ReturnCandidate> candidates;
        std::optional<std::size_t> chosen;
    };
    const Case cases[] = {
        {"its serial on another port, before a loader on its port",
         terminal,
         {Loader("", kPort), Runtime("k470a0001234", kOtherPort)},
         1},
        {"its serial twice: the one on its port",
         terminal,
         {Loader("K470A0001234", kOtherPort), Loader("K470A0001234", kPort)},
         1},
        {"its serial twice, neither on its port",
         terminal,
         {Loader("K470A0001234", kOtherPort), Loader("K470A0001234", kOtherBus)},
         std::nullopt},
        {"a loader without a serial on its port",
         terminal,
         {Loader("LDR", kOtherPort), Loader("", kPort)},
         1},
        {"a loader with another serial on its port", terminal, {Loader("LDR", kPort)}, 0},
        {"a loader on another port", terminal, {Loader("", kOtherPort)}, std::nullopt},
        {"a loader on the same ports of another bus", terminal, {Loader("", kOtherBus)}, std::nullopt},
        {"another terminal in normal operation on its port",
         terminal,
         {Runtime("K470B", kPort)},
         std::nullopt},
        {"known by its port: back in normal operation there",
         byPort,
         {Loader("", kOtherPort), Runtime("K470A0001234", kPort)},
         1},
        {"known by its port: nothing there", byPort, {Loader("", kOtherPort)}, std::nullopt},
        {"two devices on its port", terminal, {Loader("", kPort), Loader("LDR", kPort)}, std::nullopt},
        {"its port not known yet", firstOpen, {Loader("", kPort)}, std::nullopt},
        {"nothing on the bus", terminal, {}, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ChooseReturningTerminal(c.terminal, c.candidates), c.chosen);
    }
}

} // namespace
} // namespace tvxdfu::usb
