// The listing's strings come from sysfs, where the kernel put them when the
// terminal arrived; a terminal is asked itself only for what sysfs lacks,
// once while it stays on the bus, and one that does not answer is not asked
// again at every listing.
#include "tests/dfulib-testbed/TestbedFixture.h"

#include <algorithm>

#include "dfulib/usb/testbed/LoaderLayouts.h"

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

// A device may put NUL and other control characters into its strings, in
// sysfs or when asked: they never end or split a row, so every terminal's
// row keeps its own text.
TEST_F(TestbedTest, ControlCharactersInStringsNeverShiftTheRows)
{
    TerminalSetup asked = ThreePartTerminal(std::string("K470A\x07") + "001");
    asked.spec.product = std::string("VORN 470\0K460B0004711", 21);
    asked.stringsInSysfs = false;
    TerminalSetup shown = ThreePartTerminal("K470A0002");
    shown.spec.product = "VORN 470\x1b[2J\tonline";
    testbed_->Add(asked);
    testbed_->Add(shown);
    testbed_->Add(BcdTerminal("K460B0004711"));
    UseUsbBackend();

    const Listing listing = List();
    ASSERT_EQ(listing.result, 0u);
    EXPECT_EQ(RowsOf(listing), (Rows{{"K460B0004711", "VORN 460 M KOTRX RTM"},
                                     {"K470A0002", "VORN 470?[2J?online"},
                                     {"K470A?001", "VORN 470"}}));
    EXPECT_EQ(VersionsOf("K470A?001").firmware, 0x01040600u);
}

// A terminal left in its loader (an upgrade was interrupted) whose loader
// reports no serial number is listed under its port, also when its loader
// tells DFU mode by its state only, and can be written; the other one is
// not touched.
TEST_F(TestbedTest, ALoaderWithoutSerialIsListedUnderItsPortAndCanBeWritten)
{
    TerminalSetup stranded = ThreePartTerminal("K470A0001234");
    stranded.spec.mode = sim::TerminalMode::Loader;
    stranded.loaderSerial = "";
    TerminalSetup quiet = BcdTerminal("K460B0004711");
    quiet.spec.mode = sim::TerminalMode::Loader;
    quiet.loaderSerial = "";
    quiet.loaderLayout = LoaderLayout({0, 1, FunctionalPlace::AfterInterface, true},
                                      {kAttrCanDnload | kAttrManifestationTolerant, 1000, 1024, 0});
    TestbedTerminal &terminal = testbed_->Add(stranded);
    TestbedTerminal &other = testbed_->Add(quiet);
    UseUsbBackend();

    const Listing listing = List();
    ASSERT_EQ(listing.result, 0u);
    EXPECT_EQ(RowsOf(listing), (Rows{{"USB-1-1", "VORN 470 M online KOTRX V 1.4.2 V.4.6.0 DFU"},
                                     {"USB-1-2", "VORN 460 M KOTRX DFU"}}));

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 6000, 3);
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("USB-1-1").bytes, 16, Part(image).Entry(), nullptr), 0u);
    const PartEnd end = PollToEnd();
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
    EXPECT_TRUE(other.Device().Log().downloadBlocks.empty());
    EXPECT_TRUE(Listed(List(), "K470A0001234"));
}

} // namespace
} // namespace tvxdfu::usb::testbed
