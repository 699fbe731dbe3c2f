// The terminal is followed through its re-enumerations by its serial number,
// and, when its loader reports another serial number or none, by the port it
// left; no other terminal is ever written in its place.
#include "tests/dfulib-testbed/TestbedFixture.h"

#include "dfulib/usb/testbed/LoaderLayouts.h"

namespace tvxdfu::usb::testbed {
namespace {

constexpr const char *kId = "K470A0001234";

class RefindTest : public TestbedTest {
protected:
    // Writes an image to terminal kId and returns how the part ended.
    static PartEnd WriteImage(const std::vector<uint8_t> &image)
    {
        EXPECT_EQ(TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, Part(image).Entry(), nullptr), 0u);
        return PollToEnd();
    }
};

class LoaderSerialTest : public RefindTest, public ::testing::WithParamInterface<const char *> {};

// Beside it, another terminal of the same model waits in its loader, which
// reports the same serial number (or none): that one is on another port.
TEST_P(LoaderSerialTest, TheTerminalIsFoundOnItsPort)
{
    TerminalSetup ours = ThreePartTerminal(kId);
    ours.loaderSerial = GetParam();
    TerminalSetup bystander = ThreePartTerminal("K470A0005678");
    bystander.spec.mode = sim::TerminalMode::Loader;
    bystander.loaderSerial = GetParam();
    TestbedTerminal &terminal = testbed_->Add(ours);
    TestbedTerminal &other = testbed_->Add(bystander);
    UseUsbBackend();

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 20000, 1);
    const PartEnd end = WriteImage(image);
    EXPECT_EQ(end.result, 1u);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
    EXPECT_TRUE(other.Device().Log().downloadBlocks.empty()) << "the terminal on the other port was written";
}

INSTANTIATE_TEST_SUITE_P(AnotherOrNone, LoaderSerialTest, ::testing::Values("LOADER0001", ""));

// While the terminal is away in its loader, which reports no serial number,
// the loader of another model takes its port: it is left alone, and the
// terminal is written once it is back.
TEST_F(RefindTest, AnotherModelsLoaderInItsPortIsNotTaken)
{
    TerminalSetup ours = ThreePartTerminal(kId);
    ours.loaderSerial = "";
    TerminalSetup intruder = BcdTerminal("K460B0004711");
    intruder.spec.mode = sim::TerminalMode::Loader;
    intruder.loaderSerial = "";
    TestbedTerminal &terminal = testbed_->Add(ours);
    UseUsbBackend();
    // It waits for the port, which it gets when the terminal leaves.
    TestbedTerminal &other = testbed_->Add(intruder, 1);

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 20000, 1);
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, Part(image).Entry(), nullptr), 0u);
    // Looked at twice while the terminal is away, then pulled out.
    ASSERT_TRUE(testbed_->WaitFor([&] { return testbed_->Opens(intruder.spec.id) >= 2; }, 10000));
    testbed_->Unplug(intruder.spec.id);
    const PartEnd end = PollToEnd();
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
    EXPECT_TRUE(other.Device().Log().downloadBlocks.empty()) << "the terminal in its port was written";
}

// Its loader enumerates under another product id and without a serial
// number: it is followed on its port, while a loader just like it in another
// port is left alone.
TEST_F(RefindTest, ALoaderUnderAnotherProductIdIsFollowedOnItsPort)
{
    const DfuFunctional functional{kAttrCanDnload | kAttrCanUpload | kAttrManifestationTolerant, 1000, 1024,
                                   0x0110};
    const DeviceLayout loaderLayout =
        LoaderLayout({kDfuProtocolDfuMode, 1, FunctionalPlace::AfterInterface, false, 0x0471}, functional);
    TerminalSetup ours = ThreePartTerminal(kId);
    ours.loaderSerial = "";
    ours.loaderLayout = loaderLayout;
    TerminalSetup bystander = ThreePartTerminal("K470A0005678");
    bystander.spec.mode = sim::TerminalMode::Loader;
    bystander.loaderSerial = "";
    bystander.loaderLayout = loaderLayout;
    TestbedTerminal &terminal = testbed_->Add(ours);
    TestbedTerminal &other = testbed_->Add(bystander);
    UseUsbBackend();

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 20000, 1);
    const PartEnd end = WriteImage(image);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
    EXPECT_TRUE(other.Device().Log().downloadBlocks.empty()) << "the loader on the other port was written";
}

// Back on another port with its serial number, it is found there, although
// a loader without a serial number now sits in its old port.
TEST_F(RefindTest, ATerminalThatMovedIsFoundByItsSerial)
{
    TestbedTerminal &terminal = testbed_->Add(ThreePartTerminal(kId));
    testbed_->Move(kId, 3);
    TerminalSetup intruder = BcdTerminal("K460B0004711");
    intruder.spec.mode = sim::TerminalMode::Loader;
    intruder.loaderSerial = "";
    TestbedTerminal &other = testbed_->Add(intruder, 1);
    UseUsbBackend();

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, 20000, 1);
    const PartEnd end = WriteImage(image);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
    EXPECT_TRUE(other.Device().Log().downloadBlocks.empty());
}

} // namespace
} // namespace tvxdfu::usb::testbed
