// Which of libusb's answers to an open mean that Windows keeps a terminal
// from this program, and the cause the listing shows for each.
#include <gtest/gtest.h>

#include "dfulib/usb/SystemDevice.h"

namespace tvxdfu::usb {
namespace {

TEST(SystemDeviceWindows, RefusedOpensAreNamedByTheirCause)
{
    struct Case {
        int error;
        bool refused;
        const char *text; // for a refused one
    } cases[] = {
        {LIBUSB_ERROR_NOT_SUPPORTED, true, "no WinUSB driver is installed for it"},
        {LIBUSB_ERROR_ACCESS, true, "another program has it open"},
        {LIBUSB_ERROR_NO_DEVICE, false, nullptr},
        {LIBUSB_ERROR_IO, false, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(libusb_error_name(c.error));
        EXPECT_EQ(IsOpenRefused(c.error), c.refused);
        if (c.refused) {
            EXPECT_EQ(ExplainOpenRefusal(nullptr, c.error).text, c.text);
        }
    }
    // Reported once each: the two causes are kept apart.
    EXPECT_NE(ExplainOpenRefusal(nullptr, LIBUSB_ERROR_ACCESS).kind,
              ExplainOpenRefusal(nullptr, LIBUSB_ERROR_NOT_SUPPORTED).kind);
}

} // namespace
} // namespace tvxdfu::usb
