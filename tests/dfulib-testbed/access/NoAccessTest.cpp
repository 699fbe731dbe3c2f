// A terminal this user may not open: listed with the cause in its product
// text, while its version query, attributes and start fail with
// UPG_CONNECT_FAILED; once access is granted on the same device (a rule
// applied by `udevadm trigger`) it is an ordinary terminal at the next
// listing.
//
// The open functions libusb calls (open, and __open_2 where fortified) are
// interposed in this executable: opening a device file in `denied`
// read-write fails with EACCES, as it does for a user without permission,
// whoever runs the test.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <mutex>
#include <set>
#include <string>

#include "dfulib/usb/AccessCause.h"
#include "tests/dfulib-testbed/TestbedFixture.h"

namespace {

std::mutex deniedMutex;
std::set<std::string> denied;

bool Denied(const char *path, int flags)
{
    std::lock_guard lock(deniedMutex);
    return (flags & O_ACCMODE) != O_RDONLY && path && denied.count(path) > 0;
}

template <typename Function>
Function Next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

using OpenFunction = int (*)(const char *, int, ...);

int OpenUnlessDenied(OpenFunction next, const char *path, int flags, va_list arguments)
{
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
    if (Denied(path, flags)) {
        errno = EACCES;
        return -1;
    }
    return next(path, flags, mode);
}

} // namespace

extern "C" {

int open(const char *path, int flags, ...)
{
    static const auto next = Next<OpenFunction>("open");
    va_list arguments;
    va_start(arguments, flags);
    const int fd = OpenUnlessDenied(next, path, flags, arguments);
    va_end(arguments);
    return fd;
}

// What fortified callers (libusb among them) call for open() without a mode.
int __open_2(const char *path, int flags)
{
    static const auto next = Next<int (*)(const char *, int)>("__open_2");
    if (Denied(path, flags)) {
        errno = EACCES;
        return -1;
    }
    return next(path, flags);
}

} // extern "C"

namespace tvxdfu::usb::testbed {
namespace {

void Deny(const std::string &node, bool deny)
{
    std::lock_guard lock(deniedMutex);
    if (deny)
        denied.insert(node);
    else
        denied.erase(node);
}

class NoAccessTest : public TestbedTest {
protected:
    void TearDown() override
    {
        {
            std::lock_guard lock(deniedMutex);
            denied.clear();
        }
        TestbedTest::TearDown();
    }
};

TEST_F(NoAccessTest, ATerminalThatMayNotBeOpenedIsListedWithTheCauseAndRefusesEverythingElse)
{
    const TerminalSetup closedSetup = ThreePartTerminal("K470A0001234");
    testbed_->Add(closedSetup);
    testbed_->Add(BcdTerminal("K460B0004711"));
    const std::string node = testbed_->DeviceNode("K470A0001234");
    Deny(node, true);
    UseUsbBackend();

    const std::string cause = AccessCauseText(FindAccessCause(AccessSystem::Installed(), node));
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        const Listing listing = List();
        ASSERT_EQ(listing.result, 0u);
        ASSERT_EQ(listing.ids.size(), 2u);
        const std::size_t at = listing.ids[0] == "K470A0001234" ? 0 : 1;
        EXPECT_EQ(listing.products[at],
                  "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM (no access: " + cause + ")");
    }
    // The hint on standard error comes once, naming the device file and
    // the same cause.
    const std::string hint = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(hint, "TVXDFUUpgrade: permission denied opening USB terminal 0d7b:0470 (" + node +
                        "): " + cause + "\n");

    uint32_t firmware = 7, loader = 7, type = 7, attributes = 7;
    uint16_t extra = 0;
    char ident[130] = {};
    EXPECT_EQ(GetwBCDDeviceFWVersion(Id("K470A0001234").bytes, 16, &firmware, &loader, &type, &extra, ident),
              UPG_CONNECT_FAILED);
    EXPECT_EQ(GetDFUAttributes(Id("K470A0001234").bytes, 16, &attributes), UPG_CONNECT_FAILED);
    EXPECT_EQ(attributes, 0u);
    const Part part(Image(0x01040700, 0x01010402));
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A0001234").bytes, 16, part.Entry(), nullptr),
              UPG_CONNECT_FAILED);
    // The other terminal is not touched by it.
    EXPECT_EQ(GetwBCDDeviceFWVersion(Id("K460B0004711").bytes, 16, &firmware, &loader, &type, &extra, ident),
              0u);
    EXPECT_EQ(firmware, 0x0302u);

    // Access granted on the same device, without a re-enumeration.
    Deny(node, false);
    const Listing listing = List();
    ASSERT_EQ(listing.ids.size(), 2u);
    const std::size_t at = listing.ids[0] == "K470A0001234" ? 0 : 1;
    EXPECT_EQ(listing.products[at], "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM");
    EXPECT_EQ(GetwBCDDeviceFWVersion(Id("K470A0001234").bytes, 16, &firmware, &loader, &type, &extra, ident),
              0u);
    EXPECT_EQ(firmware, 0x01040600u);
    EXPECT_EQ(testbed_->DeviceNode("K470A0001234"), node);
}

} // namespace
} // namespace tvxdfu::usb::testbed
