// What real DFU loaders do beside the letter of DFU 1.1, each through the
// real libusb: the part goes through, and the terminal comes back with the
// new firmware.
#include "tests/dfulib-testbed/TestbedFixture.h"

#include <functional>

#include "dfulib/usb/DfuEngine.h"

namespace tvxdfu::usb::testbed {
namespace {

constexpr const char *kId = "K470A0001234";

struct BehaviourCase {
    const char *name;
    std::function<void(TerminalSetup &)> script;
};

void InLoader(TerminalSetup &setup, DfuState leftIn)
{
    setup.spec.mode = sim::TerminalMode::Loader;
    setup.dfu.dfuStartState = leftIn;
}

class LoaderBehaviourTest : public TestbedTest, public ::testing::WithParamInterface<BehaviourCase> {};

TEST_P(LoaderBehaviourTest, ThePartGoesThroughAndTheTerminalReportsTheNewFirmware)
{
    TerminalSetup setup = ThreePartTerminal(kId);
    GetParam().script(setup);
    TestbedTerminal &terminal = testbed_->Add(setup);
    UseUsbBackend();

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 3000, 4);
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, Part(image).Entry(), nullptr), 0u);
    const PartEnd end = PollToEnd();
    EXPECT_EQ(end.result, 1u);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    EXPECT_EQ(GetwBCDDeviceFWVersion(Id(kId).bytes, 16, &firmware, &loader, &type, &extra, ident), 0u);
    EXPECT_EQ(firmware, 0x01040700u);
}

INSTANTIATE_TEST_SUITE_P(
    Behaviours, LoaderBehaviourTest,
    ::testing::Values(
        // Stalls GETSTATUS twice whenever it is busy writing.
        BehaviourCase{"BusyLoaderStallsItsStatus", [](TerminalSetup &s) { s.dfu.busyStatusStalls = 2; }},
        // Not manifestation-tolerant, yet done and in dfuIDLE right after
        // the end of the download.
        BehaviourCase{"IntolerantLoaderGoesToIdle",
                      [](TerminalSetup &s) {
                          s.dfu.attributes = kAttrCanDnload | kAttrCanUpload;
                          s.dfu.statesInstead = {{DfuState::Manifest, DfuState::DfuIdle}};
                      }},
        // Left by an earlier host in the middle of a download, or waiting
        // for the reset after its manifestation.
        BehaviourCase{"LeftInDownloadSync", [](TerminalSetup &s) { InLoader(s, DfuState::DnloadSync); }},
        BehaviourCase{"LeftBusy", [](TerminalSetup &s) { InLoader(s, DfuState::DnBusy); }},
        BehaviourCase{"LeftWaitingForReset",
                      [](TerminalSetup &s) { InLoader(s, DfuState::ManifestWaitReset); }},
        // Never fills bwPollTimeout in; needs 5 ms.
        BehaviourCase{"AllBitsPollTimeout",
                      [](TerminalSetup &s) {
                          s.dfu.statedPollTimeoutMs = 0xFFFFFF;
                          s.dfu.blockPollTimeoutMs = 5;
                          s.dfu.manifestPollTimeoutMs = 5;
                      }},
        // Its GETSTATUS answers claim two bytes more than the six asked.
        BehaviourCase{"AnswersLongerThanAsked", [](TerminalSetup &s) { s.overlongAnswers = 2; }},
        // A daemon holds the loader's interface for a second after it
        // arrived: the start waits for it.
        BehaviourCase{"LoaderHeldAWhileByAnother",
                      [](TerminalSetup &s) {
                          s.spec.mode = sim::TerminalMode::Loader;
                          s.loaderHeldFor = std::chrono::milliseconds(1000);
                      }}),
    [](const auto &tested) { return std::string(tested.param.name); });

// A daemon that never lets go of the loader's interface: the start, or the
// part once the terminal is in its loader, ends after a few seconds with
// the holder named on standard error.
TEST_F(TestbedTest, AnInterfaceAnotherProgramKeepsIsReportedWithItsHolder)
{
    TerminalSetup inLoader = ThreePartTerminal("K470A0000001");
    inLoader.spec.mode = sim::TerminalMode::Loader;
    inLoader.loaderHeldFor = kHeldForGood;
    TerminalSetup runtime = ThreePartTerminal("K470A0000002");
    runtime.loaderHeldFor = kHeldForGood;
    TestbedTerminal &first = testbed_->Add(inLoader);
    TestbedTerminal &second = testbed_->Add(runtime);
    UseUsbBackend();
    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 3000, 4);
    const std::string held =
        "TVXDFUUpgrade: cannot claim the DFU interface 0 of USB terminal 0d7b:0470 (/dev/bus/usb/001/";
    const std::string holder = "another program holds it, most likely a daemon that claims DFU devices";

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A0000001").bytes, 16, Part(image).Entry(), nullptr),
              UPG_CONNECT_FAILED);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(held), std::string::npos) << said;
    EXPECT_NE(said.find(holder), std::string::npos) << said;

    ::testing::internal::CaptureStderr();
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A0000002").bytes, 16, Part(image).Entry(), nullptr), 0u);
    const PartEnd end = PollToEnd();
    said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(end.result, 1u);
    EXPECT_EQ(end.status, kStatusDeviceBusy);
    EXPECT_NE(said.find(held), std::string::npos) << said;
    EXPECT_EQ(first.Device().Log().controlTransfers + second.Device().Log().downloadBlocks.size(), 0u);
}

} // namespace
} // namespace tvxdfu::usb::testbed
