// Selecting a terminal: texts, version kind and versions, the error box 159.
#include <cstring>

#include "tests/support/WizardFixture.h"

namespace {

struct ProductCase {
    const char *name;
    const char *product;
    bool refused; // box 159
    const char *versionRow;
    uint32_t firmware3;
    uint32_t loader3;
    uint32_t dfuMode;
    uint32_t deviceType;
    uint32_t secondVendor;
};

// A three-part terminal whose product text is the case's.
std::string TerminalWithProduct(const char *product)
{
    return std::string(R"("id": "K470A0000001", "model": "VORN 470 M online", "vendorCode": "KOTRX",
        "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "product": ")") +
           product + "\"";
}

class ProductTextTest : public WizardTest, public ::testing::WithParamInterface<ProductCase> {};

} // namespace

TEST_P(ProductTextTest, VersionsComeFromTheProductText)
{
    const ProductCase &c = GetParam();
    Open({TerminalWithProduct(c.product)});
    const std::size_t boxesBefore = BoxCount();
    Select("K470A0000001");

    EXPECT_EQ(dialog->terminal.selectedDeviceNumber, 1);
    EXPECT_STREQ(dialog->terminal.selectedDeviceId, "K470A0000001");
    EXPECT_EQ(Text(CTVXUpgradeDlg::productInfoText), c.product);
    EXPECT_EQ(Text(CTVXUpgradeDlg::deviceIdText), "K470A0000001");
    // A terminal that is not understood may still be taken on.
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::hintText));
    EXPECT_EQ(dialog->terminal.threePartVersion, 1u);
    EXPECT_FALSE(window.WaitCursor());
    if (c.refused) {
        ASSERT_EQ(BoxCount(), boxesBefore + 1);
        EXPECT_EQ(LastBox().text, EnglishText(159));
        EXPECT_EQ(LastBox().type, tvx::MB_ICONERROR);
        EXPECT_EQ(dialog->terminal.deviceInDfuMode, 0u);
        return;
    }
    EXPECT_EQ(BoxCount(), boxesBefore);
    EXPECT_EQ(Text(CTVXUpgradeDlg::versionBeforeText), c.versionRow);
    EXPECT_EQ(dialog->terminal.firmwareVersion3, c.firmware3);
    EXPECT_EQ(dialog->terminal.loaderVersion3, c.loader3);
    EXPECT_EQ(dialog->terminal.deviceInDfuMode, c.dfuMode);
    EXPECT_EQ(dialog->terminal.deviceType, c.deviceType);
    EXPECT_EQ(dialog->terminal.secondVendorDevice, c.secondVendor);
    char expectedFirmwareText[16];
    std::snprintf(expectedFirmwareText, sizeof expectedFirmwareText, "%.3u.%.3u.%.3u", c.firmware3 >> 16,
                  c.firmware3 >> 8 & 0xFF, c.firmware3 & 0xFF);
    EXPECT_EQ(dialog->terminal.firmwareVersionText, expectedFirmwareText);
}

INSTANTIATE_TEST_SUITE_P(
    Products, ProductTextTest,
    ::testing::Values(
        ProductCase{"Running", "VORN 470 M online KOTRX V 1.2.3 V.0.9.4 RTM", false,
                    "V 1.2.3 + Loader V 0.9.4", 0x010203, 0x000904, 0, 470, 0},
        ProductCase{"InLoader", "VORN 470 M online KOTRX V 1.2.3 V.0.9.4 DFU", false,
                    "V 0.9.4 + Loader V 1.2.3", 0x000904, 0x010203, 1, 470, 0},
        ProductCase{"SecondVendor460", "VORN 460 M V 4.5.1 V.1.4.0 RTM DEBRV", false,
                    "V 4.5.1 + Loader V 1.4.0", 0x040501, 0x010400, 0, 460, 1},
        ProductCase{"LowerCase", "vorn 470 m online kotrx v 1.2.3 v.0.9.4 rtm", false,
                    "V 1.2.3 + Loader V 0.9.4", 0x010203, 0x000904, 0, 470, 0},
        // The first "V " is the vendor code's last letter and a blank.
        ProductCase{"VendorCodeBeforeVersion", "VORN 460 M DEBRV V 4.5.1 V.1.4.0 RTM", true, "", 0, 0, 0, 0,
                    0},
        ProductCase{"TwoNumbers", "VORN 470 M online KOTRX V 1.2 V.0.9.4 RTM", true, "", 0, 0, 0, 0, 0},
        ProductCase{"FourDigits", "VORN 470 M online KOTRX V 1234.2.3 V.0.9.4 RTM", true, "", 0, 0, 0, 0, 0},
        ProductCase{"Above255", "VORN 470 M online KOTRX V 256.2.3 V.0.9.4 RTM", true, "", 0, 0, 0, 0, 0},
        ProductCase{"NoVendor", "VORN 470 M online V 1.2.3 V.0.9.4 RTM", true, "", 0, 0, 0, 0, 0},
        ProductCase{"NoModel", "VORN 480 KOTRX V 1.2.3 V.0.9.4 RTM", true, "", 0, 0, 0, 0, 0},
        ProductCase{"NoMode", "VORN 470 M online KOTRX V 1.2.3 V.0.9.4", true, "", 0, 0, 0, 0, 0}),
    [](const auto &tested) { return std::string(tested.param.name); });

namespace {

std::string BcdTerminal(const char *firmware, const char *loader, bool secondVendor = false)
{
    return std::string(R"("id": "K460B0000002", "model": "VORN 460 M", "vendorCode": "KOTRX",
        "versionFormat": "bcd", "deviceType": 460, "firmware": ")") +
           firmware + R"(", "loader": ")" + loader + R"(", "secondVendor": )" +
           (secondVendor ? "true" : "false");
}

} // namespace

using DeviceSelectionTest = WizardTest;

TEST_F(DeviceSelectionTest, BcdTerminalIsAskedForItsVersions)
{
    Open({BcdTerminal("0x0302", "0x0110")});
    const std::size_t boxesBefore = BoxCount();
    Select("K460B0000002");

    EXPECT_EQ(BoxCount(), boxesBefore);
    EXPECT_EQ(dialog->terminal.threePartVersion, 0u);
    EXPECT_EQ(dialog->terminal.firmwareVersionBefore, 0x0302);
    EXPECT_EQ(dialog->terminal.loaderVersionBefore, 0x0110);
    EXPECT_EQ(dialog->terminal.deviceType, 460u);
    EXPECT_EQ(dialog->terminal.secondVendorDevice, 0u);
    EXPECT_EQ(Text(CTVXUpgradeDlg::versionBeforeText), "V3.02 + Loader V1.10 ");
    EXPECT_EQ(Text(CTVXUpgradeDlg::productInfoText), "VORN 460 M KOTRX RTM");
}

struct BcdCase {
    const char *name;
    const char *firmware;
    const char *loader;
    bool secondVendor;
    bool refused; // box 159
    uint16_t loaderBefore;
};

class BcdVersionTest : public WizardTest, public ::testing::WithParamInterface<BcdCase> {};

TEST_P(BcdVersionTest, VersionsMustBeBcd)
{
    const BcdCase &c = GetParam();
    Open({BcdTerminal(c.firmware, c.loader, c.secondVendor)});
    const std::size_t boxesBefore = BoxCount();
    Select("K460B0000002");

    ASSERT_EQ(BoxCount(), boxesBefore + (c.refused ? 1 : 0));
    if (c.refused) {
        EXPECT_EQ(LastBox().text, EnglishText(159));
    }
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(dialog->terminal.loaderVersionBefore, c.loaderBefore);
    EXPECT_EQ(dialog->terminal.secondVendorDevice, c.secondVendor ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, BcdVersionTest,
                         ::testing::Values(BcdCase{"FirmwareNotBcd", "0x031A", "0x0110", false, true, 0x0110},
                                           BcdCase{"LoaderNotBcd", "0x0302", "0x01AB", false, false, 0},
                                           BcdCase{"SecondVendor", "0x0302", "0x0110", true, false, 0x0110}),
                         [](const auto &tested) { return std::string(tested.param.name); });

TEST_F(DeviceSelectionTest, IdNumberIsCutTo16Characters)
{
    Open({R"("id": "K470A000000123456789", "model": "VORN 470 M online", "vendorCode": "KOTRX",
             "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2")"});
    Select("K470A000000123456789");
    EXPECT_EQ(std::string(dialog->terminal.selectedDeviceId, sizeof dialog->terminal.selectedDeviceId),
              std::string("K470A00000012345") + '\0');
    EXPECT_EQ(Text(CTVXUpgradeDlg::deviceIdText), "K470A000000123456789");
}

TEST_F(DeviceSelectionTest, BatchRunShowsThePackageRowsOnSelection)
{
    Open({BcdTerminal("0x0302", "0x0110")});
    dialog->batch.batchCount = 2;
    dialog->batch.batchRemaining = 1;
    dialog->batch.batchPartCount[0] = dialog->batch.batchPartCount[1] = 1; // one part each, as identified
    dialog->package.packagePath = "C:\\updates\\first.ppu";
    dialog->package.packageFirmwareVersion = 0x0319;
    dialog->package.packageLoaderVersion = 0x0102;
    Select("K460B0000002");
    EXPECT_EQ(Text(CTVXUpgradeDlg::partCounterText), "(1/2)");
    EXPECT_EQ(Text(CTVXUpgradeDlg::downloadFileText), "first.ppu");
    EXPECT_EQ(Text(CTVXUpgradeDlg::versionViaFileText), "V3.19 + Loader V1.02 ");
    EXPECT_EQ(dialog->package.loaderOnlyPackage, 0u);

    // The list loses its selection: the terminal and batch rows are cleared.
    window.ListDeleteAllRows(CTVXUpgradeDlg::deviceList);
    dialog->OnDeviceSelectionChanged(0, tvx::LVIS_SELECTED, 0);
    for (int row : {CTVXUpgradeDlg::versionBeforeText, CTVXUpgradeDlg::productInfoText,
                    CTVXUpgradeDlg::deviceIdText, CTVXUpgradeDlg::partCounterText,
                    CTVXUpgradeDlg::downloadFileText, CTVXUpgradeDlg::versionViaFileText})
        EXPECT_EQ(Text(row), "") << row;
    EXPECT_EQ(dialog->terminal.selectedDeviceNumber, 0);
    EXPECT_EQ(std::string(dialog->terminal.selectedDeviceId, 17), std::string(17, '\0'));
    EXPECT_FALSE(Enabled(CTVXUpgradeDlg::nextButton));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::hintText));
}

TEST_F(DeviceSelectionTest, LoaderOnlyPackageInABatch)
{
    Open({BcdTerminal("0x0302", "0x0110")});
    dialog->batch.batchCount = 1;
    dialog->package.packagePath = "loader.ppu";
    dialog->package.packageFirmwareVersion = 0;
    dialog->package.packageLoaderVersion = 0x1002;
    Select("K460B0000002");
    EXPECT_EQ(Text(CTVXUpgradeDlg::versionViaFileText), "Loader V10.02 ");
    EXPECT_EQ(dialog->package.loaderOnlyPackage, 1u);
}

TEST_F(DeviceSelectionTest, SelectionOutsideTheDeviceStepIsIgnored)
{
    Open({BcdTerminal("0x0302", "0x0110"),
          R"("id": "K470A0000001", "model": "VORN 470 M online", "vendorCode": "KOTRX",
             "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2")"});
    GoToPackageStep("K460B0000002");
    const int other = RowOf("K470A0000001");
    window.ListSelectRow(CTVXUpgradeDlg::deviceList, other);
    EXPECT_EQ(dialog->terminal.selectedDeviceNumber, RowOf("K460B0000002") + 1);
    EXPECT_EQ(dialog->terminal.threePartVersion, 0u);
}

// A terminal in loader mode may report no firmware version (the USB backend
// does so without a firmware token); its build number is then not read. The
// one before must not stand in for it: a package of that build would pass
// the loader check unasked.
TEST_F(DeviceSelectionTest, AnotherTerminalKeepsNothingOfTheOneBefore)
{
    Open({R"("id": "K470A0000001", "model": "VORN 470 M online", "vendorCode": "KOTRX",
             "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "identNumber": 12345)",
          R"("id": "K470A0000002", "model": "VORN 470 M online", "vendorCode": "KOTRX",
             "versionFormat": "bcd", "firmware": "0x0000", "loader": "0x0142", "mode": "DFU",
             "product": "VORN 470 M online KOTRX V 1.4.2 V.4.6.0 DFU")"});
    Select("K470A0000001");
    ASSERT_EQ(dialog->ReReadDeviceVersion(), 0u);
    ASSERT_EQ(dialog->terminal.deviceIdentNumber, 12345u);

    Select("K470A0000002");
    ASSERT_EQ(dialog->ReReadDeviceVersion(), 0u);
    ASSERT_EQ(dialog->terminal.deviceInDfuMode, 1u);
    // A package of the first terminal's build whose catalog lists no loader
    // of the second.
    dialog->package.packageIdentNumber = 12345;
    dialog->package.packageFirmwareVersion3 = 0x040700;
    dialog->run.loaderListed = 0;
    EXPECT_EQ(dialog->CheckLoaderMode(), UPG_LOADER_MISMATCH);
}
