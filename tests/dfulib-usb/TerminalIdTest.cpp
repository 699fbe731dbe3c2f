#include <gtest/gtest.h>

#include "dfulib/usb/TerminalId.h"

namespace tvxdfu::usb {
namespace {

TEST(TerminalId, AnIdAddressesASerialByItsFirstSixteenCharacters)
{
    struct Case {
        const char *serial, *id;
        bool addresses;
    };
    const Case cases[] = {
        {"K470A0001234", "K470A0001234", true},
        {"K470A0001234", "k470a0001234", true},
        {"K470A0001234", "K470A000123", false},
        {"K470A0001234", "K470A00012345", false},
        {"K470A0001234567890AB", "K470A00012345678", true},
        {"K470A0001234567890AB", "k470a00012345678", true},
        {"K470A0001234567890AB", "K470A0001234567890AB", true},
        {"K470A0001234567890AB", "K470A0001234567", false},
        {"K470A00012345678", "K470A00012345678", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IdAddresses(c.serial, c.id), c.addresses) << c.serial << " / " << c.id;
}

} // namespace
} // namespace tvxdfu::usb
