// The device list of the first step against simulated terminals.
#include "tests/support/WizardFixture.h"

namespace {

const std::string kRuntime470 =
    R"("id": "K470A0000001", "model": "VORN 470 M online", "vendorCode": "KOTRX",
       "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "deviceType": 470)";
// BCD terminal running its loader: product text "VORN 460 M KOTRX DFU", no version.
const std::string kLoaderBcd460 =
    R"("id": "K460B0000002", "model": "VORN 460 M", "vendorCode": "KOTRX",
       "versionFormat": "bcd", "firmware": "0x0302", "loader": "0x0110", "mode": "DFU")";
// Three-part terminal running its loader: its text still names a version.
const std::string kLoader470 =
    R"("id": "K470C0000003", "model": "VORN 470 M online", "vendorCode": "KOTRX",
       "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "mode": "DFU")";
const std::string kLowerCaseLoader =
    R"("id": "K460D0000004", "model": "VORN 460 M", "vendorCode": "KOTRX", "versionFormat": "bcd",
       "firmware": "0x0302", "loader": "0x0110", "product": "vorn 460 m kotrx dfu")";
const std::string kRuntimeBcd460 =
    R"("id": "K460E0000005", "model": "VORN 460 M", "vendorCode": "KOTRX",
       "versionFormat": "bcd", "firmware": "0x0302", "loader": "0x0110")";

std::string Later(const std::string &terminal, int arrivalMs)
{
    return terminal + R"(, "present": {"arrivalMs": )" + std::to_string(arrivalMs) + "}";
}

} // namespace

using DeviceListTest = WizardTest;

TEST_F(DeviceListTest, LoaderRowsWithoutVersionAreSkippedAndNumbersStayContiguous)
{
    Open({kRuntime470, kLoaderBcd460, kLoader470, kLowerCaseLoader, kRuntimeBcd460});

    const std::vector<std::vector<std::string>> expected = {
        {"1", "VORN 470 M online KOTRX V 4.6.0 V.1.4.2 RTM", "K470A0000001"},
        {"2", "VORN 470 M online KOTRX V 1.4.2 V.4.6.0 DFU", "K470C0000003"},
        {"3", "VORN 460 M KOTRX RTM", "K460E0000005"},
    };
    ASSERT_EQ(window.ListRowCount(CTVXUpgradeDlg::deviceList), 3);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(window.ListItemText(CTVXUpgradeDlg::deviceList, row, column), expected[row][column])
                << "row " << row << " column " << column;
    EXPECT_EQ(window.ListFirstSelectedRow(CTVXUpgradeDlg::deviceList), -1);
    EXPECT_FALSE(Enabled(CTVXUpgradeDlg::nextButton));
}

// A terminal that gives no product text is listed with an empty one, and
// the terminals after it are listed too.
TEST_F(DeviceListTest, TerminalWithoutProductTextDoesNotHideTheOnesAfterIt)
{
    Open({kRuntimeBcd460 + R"(, "product": "")", kRuntime470});

    ASSERT_EQ(window.ListRowCount(CTVXUpgradeDlg::deviceList), 2);
    EXPECT_EQ(window.ListItemText(CTVXUpgradeDlg::deviceList, 0, 1), "");
    EXPECT_EQ(window.ListItemText(CTVXUpgradeDlg::deviceList, 0, 2), "K460E0000005");
    EXPECT_EQ(window.ListItemText(CTVXUpgradeDlg::deviceList, 1, 0), "2");
    EXPECT_EQ(window.ListItemText(CTVXUpgradeDlg::deviceList, 1, 2), "K470A0000001");
}

TEST_F(DeviceListTest, RefreshRebuildsTheListFromNothing)
{
    Open({kRuntime470, kRuntimeBcd460});
    dialog->RefreshDeviceList();
    EXPECT_EQ(window.ListRowCount(CTVXUpgradeDlg::deviceList), 2);
}

TEST_F(DeviceListTest, NoTerminalGivesAnEmptyListWithoutMessage)
{
    Open({});
    EXPECT_EQ(window.ListRowCount(CTVXUpgradeDlg::deviceList), 0);
    for (const auto &box : window.MessageBoxes()) // only the welcome boxes
        EXPECT_NE(box.type & tvx::MB_ICONERROR, tvx::MB_ICONERROR) << box.text;
}

// Each library call reads the simulated clock once; with the clock moving
// 1000 ms per reading, the sizing call sees t = 1000 and the filling call
// t = 2000, the repeated pair 3000 and 4000. A terminal arriving between the
// two calls makes the buffers too small (122).
struct GrowingList {
    const char *name;
    std::vector<std::string> terminals;
    int rows;
};

class DeviceListRetryTest : public WizardTest, public ::testing::WithParamInterface<GrowingList> {};

TEST_P(DeviceListRetryTest, ListGrowingBetweenSizingAndFillingIsReadOnceMore)
{
    Open(GetParam().terminals);
    clockStepMs = 1000;
    dialog->RefreshDeviceList();
    clockStepMs = 0;
    EXPECT_EQ(window.ListRowCount(CTVXUpgradeDlg::deviceList), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Growth, DeviceListRetryTest,
    ::testing::Values(GrowingList{"once", {kRuntime470, Later(kRuntimeBcd460, 1500)}, 2},
                      GrowingList{
                          "twice", {kRuntime470, Later(kRuntimeBcd460, 1500), Later(kLoader470, 3500)}, 0}),
    [](const auto &tested) { return std::string(tested.param.name); });
