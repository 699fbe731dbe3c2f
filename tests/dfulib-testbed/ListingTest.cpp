// The listing's strings come from sysfs, where the kernel put them when the
// terminal arrived; a terminal is asked itself only for what sysfs lacks,
// once while it stays on the bus, and one that does not answer is not asked
// again at every listing.
#include "TestbedFixture.h"

#include <algorithm>

namespace tvxdfu::usb::testbed {
namespace {

bool Listed(const Listing &listing, const std::string &id)
{
    return std::find(listing.ids.begin(), listing.ids.end(), id) != listing.ids.end();
}

struct Versions {
    uint32_t result = 0, firmware = 0, loader = 0, type = 0;
    std::string ident;
};

Versions VersionsOf(const std::string &id)
{
    Versions v;
    uint16_t extra = 0;
    char ident[130] = {};
    v.result = GetwBCDDeviceFWVersion(Id(id).bytes, 16, &v.firmware, &v.loader, &v.type, &extra, ident);
    v.ident.assign(ident, strnlen(ident, sizeof ident));
    return v;
}

TEST_F(TestbedTest, StringsAreTakenFromSysfsAndAskedOfTheTerminalOnlyWhereItLacksThem)
{
    TestbedTerminal &shown = testbed_->Add(ThreePartTerminal("K470A0001234"));
    // It was busy when it arrived: the kernel has none of its strings.
    TerminalSetup busy = BcdTerminal("K460B0004711");
    busy.stringsInSysfs = false;
    TestbedTerminal &unshown = testbed_->Add(busy);
    UseUsbBackend();

    for (int i = 0; i < 3; ++i) {
        const Listing listing = List();
        ASSERT_EQ(listing.result, 0u);
        EXPECT_TRUE(Listed(listing, "K470A0001234"));
        EXPECT_TRUE(Listed(listing, "K460B0004711"));
    }
    // Both sources give the same versions and identification.
    const Versions fromSysfs = VersionsOf("K470A0001234");
    const Versions fromDevice = VersionsOf("K460B0004711");
    EXPECT_EQ(fromSysfs.result, 0u);
    EXPECT_EQ(fromSysfs.firmware, 0x01040600u);
    EXPECT_EQ(fromSysfs.type, 470u);
    EXPECT_EQ(fromSysfs.ident.rfind("FVORN470  7 ID01 ", 0), 0u);
    EXPECT_EQ(fromDevice.result, 0u);
    EXPECT_EQ(fromDevice.firmware, 0x0302u);
    EXPECT_EQ(fromDevice.type, 460u);
    EXPECT_EQ(fromDevice.ident.rfind("FVORN460  9 ID01 ", 0), 0u);

    EXPECT_EQ(shown.StringRequests(), 0);
    // The language, then product, serial, configuration and DFU interface,
    // each once for all listings and queries.
    EXPECT_EQ(unshown.StringRequests(), 5);
}

TEST_F(TestbedTest, ASilentTerminalIsNotAskedAtEveryListingButAgainOnceItMayHaveRecovered)
{
    testbed_->Add(ThreePartTerminal("K470A0001234"));
    TerminalSetup setup = BcdTerminal("K460B0004711");
    setup.answersStrings = false;
    TestbedTerminal &silent = testbed_->Add(setup);
    UseUsbBackend();

    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        const Listing listing = List();
        ASSERT_EQ(listing.result, 0u);
        EXPECT_EQ(listing.ids, std::vector<std::string>{"K470A0001234"});
    }
    // Its language request went unanswered; nothing more was asked before
    // the first pause (a second) was over, which ten listings take far less
    // than, unless the machine stalls them.
    if (std::chrono::steady_clock::now() - started < std::chrono::seconds(1)) {
        EXPECT_EQ(silent.StringRequests(), 1);
    }
    EXPECT_LT(silent.StringRequests(), 10);

    silent.SetAnswersStrings(true);
    EXPECT_TRUE(testbed_->WaitFor([] { return Listed(List(), "K460B0004711"); }, 5000));
    EXPECT_EQ(VersionsOf("K460B0004711").firmware, 0x0302u);
}

} // namespace
} // namespace tvxdfu::usb::testbed
