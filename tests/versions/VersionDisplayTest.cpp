#include "tests/versions/DialogFixture.h"
#include "versions/Versions.h"

namespace {

using VersionDisplay = DialogTest;

struct ProductCase {
    const char *product;
    uint32_t threePart;
    const char *text;
};

TEST_F(VersionDisplay, FirmwareTextFromTheProductTokenOrTheBcdVersion)
{
    const ProductCase cases[] = {
        {"VORN 470 M online V 4.6.0 RTM", 1, "004.006.000"},
        {"V 4.6.0", 1, "004.006.000"},
        {"V 1234.5.6", 1, "123.005.006"},
        {"VORN 460 M V 4.6 RTM", 0, "003.019.---"},
        {"V 4..6 RTM", 0, "003.019.---"},
        {"V .4.6 RTM", 0, "003.019.---"},
        {"V 4.6.x RTM", 0, "003.019.---"},
        {"V 4.6. RTM", 0, "003.019.---"},
        {"v 4.6.0 RTM", 0, "003.019.---"}, // the marker is looked up as stored
        {"VORN V 4", 0, "003.019.---"},
        {"VORN V ", 0, "003.019.---"},
        // Longer than the parser reads: not taken as a three-part version.
        {"V 100.200.3000 RTM", 0, "003.019.---"},
    };
    for (const ProductCase &c : cases) {
        dialog.terminal.selectedProductInfo = c.product;
        dialog.terminal.firmwareVersionBefore = 0x0319;
        dialog.terminal.threePartVersion = 1 - c.threePart;
        dialog.RefreshFirmwareVersionText();
        EXPECT_EQ(dialog.terminal.threePartVersion, c.threePart) << c.product;
        EXPECT_EQ(dialog.terminal.firmwareVersionText, c.text) << c.product;
    }
}

TEST_F(VersionDisplay, DeviceRowShowsFirmwareAndLoader)
{
    dialog.terminal.firmwareVersionBefore = 0x0319;
    dialog.terminal.loaderVersionBefore = 0x0102;
    dialog.ShowDeviceVersion(CTVXUpgradeDlg::versionAfterText);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionAfterText), "V3.19 + Loader V1.02 ");
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionBeforeText), "");

    dialog.terminal.loaderVersionBefore = 0;
    dialog.ShowDeviceVersion(CTVXUpgradeDlg::versionBeforeText);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionBeforeText), "V3.19");

    dialog.terminal.selectedProductInfo = "VORN 470 M online V 4.6.0 RTM";
    dialog.terminal.loaderVersionBefore = 0x1203;
    dialog.ShowDeviceVersion(CTVXUpgradeDlg::versionBeforeText);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionBeforeText), "V4.006.000 + Loader V12.03 ");
}

TEST_F(VersionDisplay, PackageFirmwareTextByHeaderGeneration)
{
    struct Case {
        const char *description;
        ImageBytes image;
        const char *text;
    };
    ImageBytes secondLayout(356, 0x10);
    secondLayout.Put16(352, 0x0412);
    const Case cases[] = {
        {"three-part", Gen1Image(0x040700, 0x010203), "004.007.000"},
        {"three-part, unknown layout", Gen1Image(0x040700, 0x010203, 0, 3), ""},
        {"BCD layout 0x00", BcdImage(0x0319, 0x0102), "003.019.---"},
        {"BCD layout 0x10", secondLayout, "004.012.---"},
        {"BCD, field beyond the image", ImageBytes(200, 0), "000.000.---"},
        {"generation 255", ImageBytes(400, 0x00FF0000), ""},
    };
    for (const Case &c : cases) {
        PackageBuilder package;
        package.Part(BcdImage(0x0999, 0x0999), "Bootloader").Part(c.image, "Firmware");
        Load(package);
        dialog.package.packageFirmwareText = "stale";
        dialog.ReadPackageFirmwareText();
        EXPECT_EQ(dialog.package.packageFirmwareText, c.text) << c.description;
        FreePackage(dialog.package.loadedPackage);
        dialog.package.loadedPackage = nullptr;
    }

    PackageBuilder noFirmware;
    noFirmware.Part(BcdImage(0x0319, 0x0102), "Bootloader");
    Load(noFirmware);
    dialog.package.packageFirmwareText = "stale";
    dialog.ReadPackageFirmwareText();
    EXPECT_EQ(dialog.package.packageFirmwareText, "");
}

TEST_F(VersionDisplay, PackageLoaderTextFromTheFirstBootloaderPart)
{
    struct Case {
        const char *description;
        std::size_t size;
        uint32_t word;
        std::size_t offset;
        const char *text;
    };
    const Case cases[] = {
        {"layout 0x00", 243, 0x00, 226, "03.02"},
        {"layout 0x00, field within the suffix", 242, 0x00, 226, "00.00"},
        {"layout 0x10", 371, 0x10, 354, "03.02"},
        {"layout 0x20 names no loader", 400, 0x20, 354, "00.00"},
    };
    for (const Case &c : cases) {
        PackageBuilder package;
        ImageBytes image(c.size, c.word);
        image.Put16(c.offset, 0x0302);
        package.Part(image, "Bootloader").Part(BcdImage(0x0101, 0x0101), "Bootloader");
        Load(package);
        dialog.ReadPackageLoaderText();
        EXPECT_EQ(dialog.package.packageLoaderText, c.text) << c.description;
        FreePackage(dialog.package.loadedPackage);
        dialog.package.loadedPackage = nullptr;
    }

    PackageBuilder noLoader;
    noLoader.Part(BcdImage(0x0319, 0x0102), "Firmware");
    Load(noLoader);
    dialog.package.packageLoaderText = "stale";
    dialog.ReadPackageLoaderText();
    EXPECT_EQ(dialog.package.packageLoaderText, "");
}

TEST_F(VersionDisplay, PartRowOfAThreePartPackage)
{
    PackageBuilder package;
    package.Part(Gen1Image(0x040700, 0x010203, 4711), "Firmware");
    Load(package);
    dialog.package.loaderOnlyPackage = 1;
    dialog.ShowPartVersions(dialog.package.loadedPackage->parts->entry);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionViaFileText), "V 4.7.0  + Loader V 1.2.3 ");
    EXPECT_EQ(dialog.package.loaderOnlyPackage, 0u);
    EXPECT_EQ(dialog.package.packageFirmwareVersion3, 0x040700u);
    EXPECT_EQ(dialog.package.packageLoaderVersion3, 0x010203u);
    EXPECT_EQ(dialog.package.packageFirmwareText, "004.007.000");
    EXPECT_EQ(dialog.package.packageLoaderText, "001.002.003");
    EXPECT_EQ(dialog.package.packageIdentNumber, 4711u);
}

TEST_F(VersionDisplay, PartRowOfALoaderOnlyOrUnreadablePart)
{
    PackageBuilder package;
    package.Part(Gen1Image(0, 0x010203), "Bootloader").Part(Gen1Image(0x040700, 0x010203, 0, 3), "Firmware");
    Load(package);
    dialog.package.packageFirmwareVersion3 = 0x030000;
    dialog.ShowPartVersions(dialog.package.loadedPackage->parts->entry);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionViaFileText), "Loader V 1.2.3 ");
    EXPECT_EQ(dialog.package.loaderOnlyPackage, 1u);
    EXPECT_EQ(dialog.package.packageFirmwareVersion3, 0x030000u); // only non-zero values are taken

    dialog.ShowPartVersions(dialog.package.loadedPackage->parts->next->entry);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionViaFileText), "");
}

TEST_F(VersionDisplay, PartRowOfABcdPackage)
{
    PackageBuilder package;
    ImageBytes loader(243, 0);
    loader.Put16(226, 0x0302);
    package.Part(loader, "Bootloader").Part(BcdImage(0x0319, 0x0102), "Firmware");
    Load(package);
    dialog.ShowPartVersions(dialog.package.loadedPackage->parts->next->entry);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionViaFileText), "V 3.19  + Loader V 1.2 ");
    EXPECT_EQ(dialog.package.packageFirmwareText, "003.019.---");
    EXPECT_EQ(dialog.package.packageLoaderText, "03.02");
    EXPECT_EQ(dialog.package.packageLoaderVersion3, 0x0102u);

    // Too short for its header fields: nothing to show, nothing read past it.
    PackageBuilder hostile;
    hostile.Part(ImageBytes(225, 0), "Firmware");
    FreePackage(dialog.package.loadedPackage);
    Load(hostile);
    dialog.ShowPartVersions(dialog.package.loadedPackage->parts->entry);
    EXPECT_EQ(Row(CTVXUpgradeDlg::versionViaFileText), "");
}

} // namespace
