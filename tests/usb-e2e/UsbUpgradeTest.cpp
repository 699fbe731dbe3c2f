// Whole upgrades on USB: the terminal detaches into its loader and comes
// back after each part as a new device, the wizard follows it through the
// udev monitor's events, and the success it tells of is the terminal's.
#include "tests/usb-e2e/UsbDriveFixture.h"

#include "device/UpgradeTexts.h"

namespace {

class UsbUpgradeTest : public UsbDriveTest {
protected:
    // The wizard reads the terminal at once when a part ends, or on its
    // arrival when it is still away; only the first shows the success box,
    // both end with the success text and Finish.
    void ExpectSuccess(std::size_t opening)
    {
        std::vector<std::string> expected = {kReadyCaption, kStartCaption};
        if (BoxCount() - opening == 3)
            expected.emplace_back(kSuccessCaption);
        EXPECT_EQ(Boxes(opening), expected) << Lines(Boxes(opening));
        EXPECT_EQ(Text(D::statusText).rfind(kFirmwareSucceededText, 0), 0u) << Text(D::statusText);
        EXPECT_TRUE(Usable(D::finishButton));
    }
};

TEST_F(UsbUpgradeTest, ThreePartTerminalIsUpgraded)
{
    TestbedTerminal &terminal = Plug(UsbThreePartTerminal("K470A0001234"));
    Open();
    Pack("fit.ppu", FirmwarePackage470());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "fit.ppu");
    Follow(60'000);

    ExpectSuccess(opening);
    EXPECT_EQ(terminal.Firmware(), 0x01040700u);
    EXPECT_EQ(terminal.Loader(), 0x01010402u);
    // Plugged in, back in its loader, back with the new firmware.
    EXPECT_EQ(Bus().Arrivals("K470A0001234"), 3);
}

TEST_F(UsbUpgradeTest, BcdTerminalTakesAllThreePartsOfItsPackage)
{
    TestbedTerminal &terminal = Plug(UsbBcdTerminal("K460B0004711"));
    Open();
    Pack("fit.ppu", Package460());
    const std::size_t opening = BoxCount();
    DriveToUpgrade(0, "fit.ppu");
    Follow(120'000);

    ExpectSuccess(opening);
    EXPECT_TRUE(InOrder(Shown(D::partCounterText), {"(1/3)", "(2/3)", "(3/3)"}))
        << Lines(Shown(D::partCounterText));
    EXPECT_EQ(terminal.Firmware(), 0x01031400u);
    EXPECT_EQ(terminal.Loader(), 0x01010B00u);
    EXPECT_EQ(Bus().Arrivals("K460B0004711"), 7);
}

} // namespace
