// The device library's USB backend through the real libusb and libudev:
// listing, the version query, and whole parts written and read back with the
// terminal re-enumerating between its modes.
#include "tests/dfulib-testbed/TestbedFixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>

#include "dfulib/sim/SimulatedTerminal.h"

namespace tvxdfu::usb::testbed {
namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ProductTextOf(const TerminalSetup &setup, sim::TerminalMode mode)
{
    sim::TerminalSpec spec = setup.spec;
    spec.mode = mode;
    return sim::SimulatedTerminal(spec).ProductText();
}

TEST_F(TestbedTest, ListsTheTerminalsWithTheirProductTextsAndIdNumbers)
{
    const TerminalSetup runtime = ThreePartTerminal("K470A0001234");
    TerminalSetup loader = BcdTerminal("K460B0004711");
    loader.spec.mode = sim::TerminalMode::Loader;
    testbed_->Add(runtime);
    testbed_->Add(loader);
    UseUsbBackend();

    const Listing listing = List();
    ASSERT_EQ(listing.result, 0u);
    // The root hub, of another vendor, is not listed.
    EXPECT_EQ(RowsOf(listing), (Rows{{"K470A0001234", ProductTextOf(runtime, sim::TerminalMode::Runtime)},
                                     {"K460B0004711", ProductTextOf(loader, sim::TerminalMode::Loader)}}));
}

// An empty product string would end the wizard's list at that terminal.
TEST_F(TestbedTest, ATerminalWithAnEmptyProductStringIsListedUnderItsModel)
{
    TerminalSetup unnamed = ThreePartTerminal("K470A0001234");
    unnamed.spec.product = std::string();
    const TerminalSetup named = BcdTerminal("K460B0004711");
    testbed_->Add(unnamed);
    testbed_->Add(named);
    UseUsbBackend();

    const Listing listing = List();
    ASSERT_EQ(listing.result, 0u);
    EXPECT_EQ(RowsOf(listing), (Rows{{"K470A0001234", "VORN 470"},
                                     {"K460B0004711", ProductTextOf(named, sim::TerminalMode::Runtime)}}));
}

// Serial numbers of 18 characters are listed whole; the 16 the wizard keeps
// address a terminal, unless another one shares them.
TEST_F(TestbedTest, LongIdsAddressTheirTerminalUnlessShared)
{
    const TerminalSetup alone = ThreePartTerminal("K470A0001234567890");
    TestbedTerminal &first = testbed_->Add(BcdTerminal("K460B0004711000001"));
    TestbedTerminal &second = testbed_->Add(BcdTerminal("K460B0004711000002"));
    testbed_->Add(alone);
    UseUsbBackend();

    const Listing listing = List();
    ASSERT_EQ(listing.result, 0u);
    EXPECT_EQ(std::set<std::string>(listing.ids.begin(), listing.ids.end()),
              (std::set<std::string>{"K470A0001234567890", "K460B0004711000001", "K460B0004711000002"}));

    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    EXPECT_EQ(
        GetwBCDDeviceFWVersion(Id("K470A00012345678").bytes, 16, &firmware, &loader, &type, &extra, ident),
        0u);
    EXPECT_EQ(firmware, 0x01040600u);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(
        GetwBCDDeviceFWVersion(Id("K460B00047110000").bytes, 16, &firmware, &loader, &type, &extra, ident),
        UPG_CONNECT_FAILED);
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("K460B00047110000").bytes, 16, Part(Image(0x0303, 0x0111)).Entry(),
                                       nullptr),
              UPG_CONNECT_FAILED);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("share the ID K460B00047110000"),
              std::string::npos);
    EXPECT_EQ(first.Device().Log().controlTransfers + second.Device().Log().controlTransfers, 0);
}

TEST_F(TestbedTest, VersionQueryReportsWhatTheTerminalsDescriptorsSay)
{
    testbed_->Add(ThreePartTerminal("K470A0001234"));
    testbed_->Add(BcdTerminal("K460B0004711"));
    UseUsbBackend();

    struct Case {
        const char *id;
        uint32_t firmware, loader, type;
        uint16_t extra;
        const char *identStart;
    };
    for (const Case &c : {Case{"K470A0001234", 0x01040600u, 0x01010402u, 470u, 0x0470, "FVORN470  7 ID01 "},
                          Case{"k460b0004711", 0x0302u, 0x0111u, 460u, 0x0460, "FVORN460  9 ID01 "}}) {
        SCOPED_TRACE(c.id);
        uint32_t firmware = 0, loader = 0, type = 0;
        uint16_t extra = 0;
        char ident[130];
        std::memset(ident, 'x', sizeof ident);
        ASSERT_EQ(GetwBCDDeviceFWVersion(Id(c.id).bytes, 16, &firmware, &loader, &type, &extra, ident), 0u);
        EXPECT_EQ(firmware, c.firmware);
        EXPECT_EQ(loader, c.loader);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(extra, c.extra);
        EXPECT_EQ(std::string(ident, 17), c.identStart);
        // The identification is NUL-filled to its 130 bytes.
        EXPECT_EQ(ident[129], '\0');
        uint32_t attributes = 0;
        EXPECT_EQ(GetDFUAttributes(Id(c.id).bytes, 16, &attributes), 0u);
        EXPECT_EQ(attributes, uint32_t{kAttrCanDnload | kAttrCanUpload | kAttrManifestationTolerant});
    }
    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    EXPECT_EQ(GetwBCDDeviceFWVersion(Id("K470X").bytes, 16, &firmware, &loader, &type, &extra, ident),
              UPG_NO_DEVICE);
}

// The terminal detaches into its loader (a new device on the bus), takes the
// image, installs it and comes back in normal operation (another new
// device) reporting the image's versions. The part ends only then, though
// the loader stays listed a while after the final reset: read at once, the
// terminal gives the image's versions. A second part with a backup reads
// the first image back, byte for byte, before it writes its own.
TEST_F(TestbedTest, PartsAreWrittenAndReadBackAcrossReEnumerations)
{
    TerminalSetup setup = ThreePartTerminal("K470A0001234");
    setup.listedAfterLeaving = std::chrono::milliseconds(300);
    TestbedTerminal &terminal = testbed_->Add(setup);
    UseUsbBackend();
    const std::string firstNode = testbed_->DeviceNode("K470A0001234");

    const std::vector<uint8_t> first = Image(0x01040700, 0x01010402, 20000, 1);
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A0001234").bytes, 16, Part(first).Entry(), nullptr), 0u);
    PartEnd end = PollToEnd();
    EXPECT_EQ(end.result, 1u);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(end.phases,
              (std::vector<uint32_t>{TVXDFU_PHASE_INIT, TVXDFU_PHASE_DOWNLOAD, TVXDFU_PHASE_FINISHED}));
    EXPECT_EQ(testbed_->Arrivals("K470A0001234"), 3);
    EXPECT_NE(testbed_->DeviceNode("K470A0001234"), firstNode);
    EXPECT_FALSE(terminal.Device().InDfuMode());
    EXPECT_EQ(terminal.Device().Firmware(), first);

    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    ASSERT_EQ(GetwBCDDeviceFWVersion(Id("K470A0001234").bytes, 16, &firmware, &loader, &type, &extra, ident),
              0u);
    EXPECT_EQ(firmware, 0x01040700u);
    EXPECT_EQ(loader, 0x01010402u);

    const std::filesystem::path backup =
        std::filesystem::temp_directory_path() / ("tvx-testbed-" + std::to_string(::getpid()) + ".bak");
    const std::vector<uint8_t> second = Image(0x01040701, 0x01010402, 12000, 2);
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A0001234").bytes, 16, Part(second).Entry(), backup.c_str()),
              0u);
    end = PollToEnd();
    EXPECT_EQ(end.status, 0);
    const std::vector<uint8_t> saved = ReadFile(backup);
    std::filesystem::remove(backup);
    ASSERT_EQ(saved.size(), first.size() + tvx::kDfuSuffixLength);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), saved.begin()))
        << "the backup is not the image read back";
    EXPECT_TRUE(tvx::DfuSuffixCrcMatches(saved.data(), saved.size()));
    EXPECT_EQ(testbed_->Arrivals("K470A0001234"), 5);
    EXPECT_EQ(terminal.Device().Firmware(), second);
}

// A loader that installs at once and restarts while the host ends the
// download (the zero-length DNLOAD or the GETSTATUS after it finds no
// device, fails, is stalled or never answered) stays listed a while after
// it has left: the part ends only once the terminal is back in normal
// operation, so the versions read at once are the new firmware's.
TEST_F(TestbedTest, ALoaderThatRestartsWhileInstallingIsFollowedBackBeforeThePartEnds)
{
    struct Case {
        InstallRestart when;
        const char *id;
    };
    const Case cases[] = {{InstallRestart::DuringEndDownload, "K470A0000001"},
                          {InstallRestart::DuringStatus, "K470A0000002"},
                          {InstallRestart::DuringStatusStalled, "K470A0000003"},
                          {InstallRestart::DuringStatusUnanswered, "K470A0000004"}};
    for (const Case &c : cases) {
        TerminalSetup setup = ThreePartTerminal(c.id);
        setup.dfu.installRestart = c.when;
        setup.listedAfterLeaving = std::chrono::milliseconds(300);
        testbed_->Add(setup);
    }
    UseUsbBackend();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 6000, 3);
        ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id(c.id).bytes, 16, Part(image).Entry(), nullptr), 0u);
        const PartEnd end = PollToEnd();
        EXPECT_EQ(end.result, 1u);
        EXPECT_EQ(end.status, 0);
        EXPECT_EQ(testbed_->Arrivals(c.id), 3);
        uint32_t firmware = 0, loader = 0, type = 0;
        uint16_t extra = 0;
        char ident[130] = {};
        EXPECT_EQ(GetwBCDDeviceFWVersion(Id(c.id).bytes, 16, &firmware, &loader, &type, &extra, ident), 0u);
        EXPECT_EQ(firmware, 0x01040700u);
    }
}

} // namespace
} // namespace tvxdfu::usb::testbed
