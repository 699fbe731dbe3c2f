// Descriptor layouts of real DFU loaders, stated as data on the testbed
// (LoaderLayouts.h names the public source of each): a part is written to
// each through the real libusb.
#include "tests/dfulib-testbed/TestbedFixture.h"

#include <algorithm>
#include <functional>
#include <ostream>

#include "dfulib/usb/testbed/LoaderLayouts.h"

namespace tvxdfu::usb::testbed {
namespace {

constexpr const char *kId = "K470A0001234";

DfuFunctional FunctionalOf(const EmulatedDeviceConfig &dfu)
{
    return {dfu.attributes, dfu.detachTimeoutMs, dfu.transferSize, 0x0110};
}

// A VORN 470 waiting in its loader, whose descriptors have this shape.
TerminalSetup LoaderWith(const LoaderShape &shape)
{
    TerminalSetup setup = ThreePartTerminal(kId);
    setup.spec.mode = sim::TerminalMode::Loader;
    setup.loaderLayout = LoaderLayout(shape, FunctionalOf(setup.dfu));
    return setup;
}

struct LayoutCase {
    const char *what;
    std::function<TerminalSetup()> setup;
    std::size_t imageSize = 6000;
};

void PrintTo(const LayoutCase &c, std::ostream *out)
{
    *out << c.what;
}

class LayoutTest : public TestbedTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(LayoutTest, APartIsWrittenThroughIt)
{
    TestbedTerminal &terminal = testbed_->Add(GetParam().setup());
    UseUsbBackend();
    uint32_t attributes = 0;
    EXPECT_EQ(GetDFUAttributes(Id(kId).bytes, 16, &attributes), 0u);
    EXPECT_EQ(attributes, uint32_t{kAttrCanDnload | kAttrCanUpload | kAttrManifestationTolerant});

    const std::vector<uint8_t> image = Image(0x01040700, 0x01010402, GetParam().imageSize, 3);
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, Part(image).Entry(), nullptr), 0u);
    const PartEnd end = PollToEnd();
    EXPECT_EQ(end.result, 1u);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(terminal.Device().Firmware(), image);
}

TerminalSetup FirmwareInSetting2()
{
    TerminalSetup setup = LoaderWith({kDfuProtocolDfuMode, 3, FunctionalPlace::AfterInterface});
    setup.firmwareAlternate = 2;
    return setup;
}

TerminalSetup RuntimeInSecondConfiguration()
{
    TerminalSetup setup = ThreePartTerminal(kId);
    setup.runtimeLayout = RuntimeBesideOtherInterfaces(FunctionalOf(setup.dfu));
    return setup;
}

TerminalSetup LoaderOfBlockSize(uint16_t transferSize, std::size_t buffer)
{
    TerminalSetup setup = ThreePartTerminal(kId);
    setup.spec.mode = sim::TerminalMode::Loader;
    setup.dfu.transferSize = transferSize;
    setup.blockLimit = buffer;
    return setup;
}

INSTANTIATE_TEST_SUITE_P(
    RealLoaders, LayoutTest,
    ::testing::Values(
        LayoutCase{"FunctionalAfterTheLastOfThreeSettings",
                   [] {
                       return LoaderWith({kDfuProtocolDfuMode, 3, FunctionalPlace::AfterLastSetting});
                   }},
        LayoutCase{"FunctionalAfterTheSecondSetting",
                   [] {
                       return LoaderWith({kDfuProtocolDfuMode, 3, FunctionalPlace::AfterSecondSetting});
                   }},
        LayoutCase{"FunctionalOnTheConfiguration",
                   [] {
                       return LoaderWith({kDfuProtocolDfuMode, 1, FunctionalPlace::OnConfiguration});
                   }},
        LayoutCase{"Dfu10SevenByteFunctionalAndProtocol0",
                   [] {
                       return LoaderWith({0, 1, FunctionalPlace::AfterInterface, true});
                   }},
        LayoutCase{"LoaderAnnouncingProtocol1",
                   [] {
                       return LoaderWith({kDfuProtocolRuntime, 1});
                   }},
        LayoutCase{"FirmwareInTheSettingTheTerminalNames", FirmwareInSetting2},
        LayoutCase{"RuntimeDfuInterface2OfTheSecondConfiguration", RuntimeInSecondConfiguration},
        LayoutCase{"TransferSize0GivesSmallBlocks", [] { return LoaderOfBlockSize(0, 64); }, 2000},
        LayoutCase{"TransferSizeFFFFIsUnset", [] { return LoaderOfBlockSize(0xFFFF, 1024); }}),
    [](const ::testing::TestParamInfo<LayoutCase> &tested) { return std::string(tested.param.what); });

// Of several settings the chosen one is selected with SET_INTERFACE; one
// the device refuses fails the start, before anything is written to
// another memory.
TEST_F(TestbedTest, ARefusedSettingStopsTheStart)
{
    TerminalSetup refusing = LoaderWith({kDfuProtocolDfuMode, 3, FunctionalPlace::AfterInterface});
    refusing.refusesSetInterface = true;
    TestbedTerminal &refuser = testbed_->Add(refusing);
    UseUsbBackend();
    EXPECT_EQ(
        TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, Part(Image(0x01040700, 0x01010402)).Entry(), nullptr),
        UPG_CONNECT_FAILED);
    EXPECT_TRUE(refuser.Device().Log().downloadBlocks.empty());
}

// A run-time functional descriptor without a detach time-out: DETACH still
// asks for a usable time.
TEST_F(TestbedTest, DetachAsksForASecondWhenTheDescriptorGivesNone)
{
    TerminalSetup setup = ThreePartTerminal(kId);
    setup.dfu.detachTimeoutMs = 0;
    TestbedTerminal &terminal = testbed_->Add(setup);
    UseUsbBackend();
    ASSERT_EQ(
        TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, Part(Image(0x01040700, 0x01010402)).Entry(), nullptr),
        0u);
    EXPECT_EQ(PollToEnd().status, 0);
    EXPECT_EQ(terminal.DetachValue(), 1000);
}

} // namespace
} // namespace tvxdfu::usb::testbed
