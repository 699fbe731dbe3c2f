// Terminals plugged in and pulled out while the wizard shows its device
// step: the udev monitor's events rebuild the list, as on the desktop.
#include "UsbDriveFixture.h"

namespace {

std::vector<std::string> ListedIds(const tvx::ScriptedWindow &window)
{
    std::vector<std::string> ids;
    for (int row = 0; row < window.ListRowCount(D::deviceList); ++row)
        ids.push_back(window.ListItemText(D::deviceList, row, 2));
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST_F(UsbDriveTest, TerminalsPluggedInAndOutShowInTheDeviceList)
{
    Plug(UsbThreePartTerminal("K470A0001234"));
    Open();
    EXPECT_EQ(ListedIds(Window()), std::vector<std::string>{"K470A0001234"});

    Plug(UsbBcdTerminal("K460B0004711"));
    Drive("wait 0.5");
    EXPECT_EQ(ListedIds(Window()), (std::vector<std::string>{"K460B0004711", "K470A0001234"}));

    Bus().Unplug("K470A0001234");
    Drive("wait 0.5");
    EXPECT_EQ(ListedIds(Window()), std::vector<std::string>{"K460B0004711"});
}

} // namespace
