// Terminals plugged in and pulled out while the wizard shows its device
// step: the udev monitor's events rebuild the list, as on the desktop.
#include "tests/usb-e2e/UsbDriveFixture.h"

#include <algorithm>

namespace {

class UsbHotPlugTest : public UsbDriveTest {
protected:
    // Lets the wizard run until the list shows `ids` (sorted), at most 5 s.
    bool ListShows(const std::vector<std::string> &ids)
    {
        for (int waited = 0; waited < 5000 && ListedIds() != ids; waited += 50)
            Drive("wait 0.05");
        return ListedIds() == ids;
    }
    std::vector<std::string> ListedIds() const;
};

std::vector<std::string> UsbHotPlugTest::ListedIds() const
{
    std::vector<std::string> ids;
    ids.reserve(static_cast<std::size_t>(Window().ListRowCount(D::deviceList)));
    for (int row = 0; row < Window().ListRowCount(D::deviceList); ++row)
        ids.push_back(Window().ListItemText(D::deviceList, row, 2));
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST_F(UsbHotPlugTest, TerminalsPluggedInAndOutShowInTheDeviceList)
{
    Plug(UsbThreePartTerminal("K470A0001234"));
    Open();
    EXPECT_EQ(ListedIds(), std::vector<std::string>{"K470A0001234"});

    Plug(UsbBcdTerminal("K460B0004711"));
    EXPECT_TRUE(ListShows({"K460B0004711", "K470A0001234"})) << Lines(ListedIds());

    Bus().Unplug("K470A0001234");
    EXPECT_TRUE(ListShows({"K460B0004711"})) << Lines(ListedIds());
}

} // namespace
