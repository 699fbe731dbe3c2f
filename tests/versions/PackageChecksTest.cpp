#include <cstring>

#include "tests/versions/DialogFixture.h"
#include "versions/Versions.h"

namespace {

class PackageChecks : public DialogTest {
protected:
    // Drops the loaded package so that one test can try several.
    void Unload()
    {
        FreePackage(dialog.package.loadedPackage);
        dialog.package.loadedPackage = nullptr;
    }
    // A BCD terminal whose identification text names the 460 model.
    void SetModel460Ident() { std::memcpy(dialog.terminal.deviceIdentText, "FABCDEFGHJ9 VORN", 16); }
};

TEST_F(PackageChecks, TerminalTypeOfTheCatalogMustMatch)
{
    struct Case {
        const char *terminalType; // null: the catalog names none
        uint32_t threePart;
        bool model460Ident;
        uint32_t secondVendor;
        UpgradeResult result;
    };
    const Case cases[] = {
        {"470", 1, false, 0, 0},
        {"0x1D6", 1, false, 0, 0},
        {"0726", 1, false, 0, 0},
        {"  470 M", 1, false, 0, 0},
        {"460", 1, false, 0, UPG_PRODUCT_MISMATCH},
        {"VORN 470", 1, false, 0, UPG_PRODUCT_MISMATCH},
        // A sign is no digit; a number beyond 32 bits is not cut to fit.
        {"+470", 1, false, 0, UPG_PRODUCT_MISMATCH},
        {"+0x1D6", 1, false, 0, UPG_PRODUCT_MISMATCH},
        {"4294967766", 1, false, 0, UPG_PRODUCT_MISMATCH},
        {nullptr, 1, false, 0, UPG_PRODUCT_MISMATCH},
        {"470", 1, false, 1, UPG_PRODUCT_MISMATCH},
        // The identification text turns a BCD terminal into the 460 model.
        {"460", 0, true, 0, 0},
        {"470", 0, true, 0, UPG_PRODUCT_MISMATCH},
        {"460", 1, true, 0, UPG_PRODUCT_MISMATCH},
    };
    for (const Case &c : cases) {
        PackageBuilder package;
        package.TerminalType(c.terminalType);
        Load(package);
        dialog.terminal.deviceType = 470;
        dialog.terminal.threePartVersion = c.threePart;
        dialog.terminal.secondVendorDevice = c.secondVendor;
        std::memset(dialog.terminal.deviceIdentText, 0, sizeof dialog.terminal.deviceIdentText);
        if (c.model460Ident)
            SetModel460Ident();
        EXPECT_EQ(dialog.CheckPackageFitsDevice(), c.result)
            << (c.terminalType ? c.terminalType : "(none)") << " threePart " << c.threePart;
        Unload();
    }
}

TEST_F(PackageChecks, ModelRuleNeedsNineAndABlankInTheIdentText)
{
    struct Case {
        const char *ident;
        uint32_t type;
    };
    const Case cases[] = {
        {"FABCDEFGHJ9 VORN", 460},
        {"FABCDEFGHJ9XVORN", 470},
        {"FABCDEFGHJ8 VORN", 470},
    };
    for (const Case &c : cases) {
        std::memset(dialog.terminal.deviceIdentText, 0, sizeof dialog.terminal.deviceIdentText);
        std::memcpy(dialog.terminal.deviceIdentText, c.ident, std::strlen(c.ident));
        dialog.terminal.deviceType = 470;
        dialog.ApplyIdentTextModelRule();
        EXPECT_EQ(dialog.terminal.deviceType, c.type) << c.ident;
    }
    // An empty text names no model, whatever is left behind it.
    dialog.terminal.deviceIdentText[0] = '\0';
    dialog.terminal.deviceType = 470;
    dialog.ApplyIdentTextModelRule();
    EXPECT_EQ(dialog.terminal.deviceType, 470u);
}

TEST_F(PackageChecks, OnlyCatalogVersion2WithAThreePartHeaderPasses)
{
    struct Case {
        const char *description;
        const char *catalogVersion;
        ImageBytes firmware;
        UpgradeResult result;
    };
    const Case cases[] = {
        {"2, layout 1", "2", Gen1Image(0x040700, 0x010203, 99, 1), 0},
        {"2, layout 2", "2", Gen1Image(0x040700, 0x010203, 99, 2), 0},
        {"2.0, layout 1", " 2.0", Gen1Image(0x040700, 0x010203, 99, 1), 0},
        {"1, three-part", "1", Gen1Image(0x040700, 0x010203, 99), UPG_BAD_FIRMWARE_FORMAT},
        {"1, BCD", "1", BcdImage(0x0319, 0x0102), UPG_BAD_CATALOG_VERSION},
        {"2, BCD", "2", BcdImage(0x0319, 0x0102), UPG_BAD_FIRMWARE_FORMAT},
        {"3, three-part", "3", Gen1Image(0x040700, 0x010203, 99), UPG_BAD_CATALOG_VERSION},
        {"no number", "x", Gen1Image(0x040700, 0x010203, 99), UPG_BAD_CATALOG_VERSION},
        {"+2", "+2", Gen1Image(0x040700, 0x010203, 99), UPG_BAD_CATALOG_VERSION},
        {"2 beyond 32 bits", "4294967298", Gen1Image(0x040700, 0x010203, 99), UPG_BAD_CATALOG_VERSION},
        {"missing", nullptr, Gen1Image(0x040700, 0x010203, 99), UPG_BAD_CATALOG_VERSION},
        {"2, layout 3", "2", Gen1Image(0x040700, 0x010203, 99, 3), UPG_BAD_FIRMWARE_FORMAT},
        {"2, generation 2", "2", ImageBytes(400, 0x00020000), UPG_BAD_CATALOG_VERSION},
        {"2, layout 2 cut short", "2", ImageBytes(646, Gen1Header(2)), UPG_BAD_FIRMWARE_FORMAT},
    };
    for (const Case &c : cases) {
        PackageBuilder package;
        package.CatalogVersion(c.catalogVersion)
            .Part(Gen1Image(0x050000, 0x020000, 1), "Bootloader")
            .Part(c.firmware, "Firmware");
        Load(package);
        dialog.package.packageFirmwareText = "stale";
        EXPECT_EQ(dialog.CheckCatalogAndHeader(), c.result) << c.description;
        EXPECT_EQ(dialog.package.packageFirmwareText, c.result == 0 ? "004.007.000" : "") << c.description;
        if (c.result == 0) {
            EXPECT_EQ(dialog.package.packageIdentNumber, 99u) << c.description;
        }
        Unload();
    }

    PackageBuilder noFirmware;
    noFirmware.CatalogVersion("2").Part(Gen1Image(0x040700, 0x010203), "Bootloader");
    Load(noFirmware);
    EXPECT_EQ(dialog.CheckCatalogAndHeader(), UPG_BAD_CATALOG_VERSION);
}

TEST_F(PackageChecks, BcdTerminalVersionsAgainstTheCatalogLists)
{
    struct Case {
        const char *loaderEntry;
        uint32_t loaderListed;
    };
    const Case cases[] = {{"3.2", 1}, {"3.02", 1}, {"003.002", 1}, {"3.2.0", 0}, {"3.20", 0}};
    for (const Case &c : cases) {
        PackageBuilder package;
        package.LoaderVersions({"1.0", c.loaderEntry}).FirmwareVersions({"3.18", "3.19"});
        Load(package);
        dialog.terminal.threePartVersion = 0;
        dialog.terminal.selectedProductInfo = "VORN 460 M";
        dialog.terminal.loaderVersionBefore = 0x0302;
        dialog.terminal.firmwareVersionBefore = 0x0319;
        EXPECT_EQ(dialog.CheckSupportedVersions(), 0u) << c.loaderEntry;
        EXPECT_EQ(dialog.run.loaderListed, c.loaderListed) << c.loaderEntry;
        EXPECT_EQ(dialog.run.loaderStageNeeded, 1 - c.loaderListed) << c.loaderEntry;
        Unload();
    }
}

TEST_F(PackageChecks, ThreePartTerminalVersionsAgainstTheCatalogLists)
{
    struct Case {
        const char *firmwareEntry;
        UpgradeResult result;
    };
    const Case cases[] = {{"4.7.0", 0}, {"004.007.000", 0}, {"4.7", UPG_VERSION_NOT_SUPPORTED}};
    for (const Case &c : cases) {
        PackageBuilder package;
        package.LoaderVersions({"1.2.3"}).FirmwareVersions({c.firmwareEntry});
        Load(package);
        dialog.terminal.threePartVersion = 1;
        dialog.terminal.firmwareVersion3 = 0x040700;
        dialog.terminal.loaderVersion3 = 0x010203;
        EXPECT_EQ(dialog.CheckSupportedVersions(), c.result) << c.firmwareEntry;
        EXPECT_EQ(dialog.run.loaderListed, 1u) << c.firmwareEntry;
        EXPECT_EQ(dialog.run.loaderStageNeeded, 0u) << c.firmwareEntry;
        Unload();
    }
}

TEST_F(PackageChecks, LoaderListedIsRecomputedForEveryPackage)
{
    dialog.terminal.threePartVersion = 1;
    dialog.terminal.firmwareVersion3 = 0x040700;
    dialog.terminal.loaderVersion3 = 0x010203;
    PackageBuilder first;
    first.LoaderVersions({"1.2.3"}).FirmwareVersions({"4.7.0"});
    Load(first);
    EXPECT_EQ(dialog.CheckSupportedVersions(), 0u);
    EXPECT_EQ(dialog.run.loaderListed, 1u);
    Unload();

    // Empty lists never match.
    PackageBuilder second;
    Load(second);
    EXPECT_EQ(dialog.CheckSupportedVersions(), UPG_VERSION_NOT_SUPPORTED);
    EXPECT_EQ(dialog.run.loaderListed, 0u);
    EXPECT_EQ(dialog.run.loaderStageNeeded, 1u);
}

TEST_F(PackageChecks, FirmwareWithoutAMajorNumberNeverMatches)
{
    // Firmware taken from its text when the value is 0; an unreadable text
    // equals an unreadable entry number for number, yet is no match.
    PackageBuilder package;
    package.LoaderVersions({"1.2.3"}).FirmwareVersions({"unknown"});
    Load(package);
    dialog.terminal.threePartVersion = 1;
    dialog.terminal.firmwareVersion3 = 0;
    dialog.terminal.firmwareVersionText = "n/a";
    dialog.terminal.loaderVersion3 = 0x010203;
    EXPECT_EQ(dialog.CheckSupportedVersions(), UPG_VERSION_NOT_SUPPORTED);

    // Neither value nor text: the loader version stands in.
    dialog.terminal.firmwareVersionText.clear();
    Unload();
    PackageBuilder loaderOnly;
    loaderOnly.LoaderVersions({"1.2.3"}).FirmwareVersions({"1.2.3"});
    Load(loaderOnly);
    EXPECT_EQ(dialog.CheckSupportedVersions(), 0u);
}

TEST_F(PackageChecks, LoaderModeNeedsAListedLoaderUnlessTheBuildIsTheSame)
{
    struct Case {
        const char *description;
        uint32_t threePart;
        uint32_t dfuMode;
        uint32_t loaderListed;
        uint32_t packageIdent;
        uint32_t deviceIdent;
        uint32_t packageFirmware3;
        UpgradeResult result;
        uint32_t stageAfter;
    };
    const Case cases[] = {
        {"loader mode, not listed", 1, 1, 0, 0, 0, 0x040700, UPG_LOADER_MISMATCH, 1},
        {"loader mode, listed", 1, 1, 1, 0, 0, 0x040700, 0, 1},
        {"normal mode, not listed", 1, 0, 0, 0, 0, 0x040700, 0, 1},
        {"same build", 1, 1, 0, 1234, 1234, 0x040700, 0, 0},
        {"other build", 1, 1, 0, 1234, 1235, 0x040700, UPG_LOADER_MISMATCH, 1},
        {"same build, no firmware", 1, 1, 0, 1234, 1234, 0, UPG_LOADER_MISMATCH, 1},
        {"same build, BCD terminal", 0, 1, 0, 1234, 1234, 0x040700, UPG_LOADER_MISMATCH, 1},
        {"no build numbers", 1, 1, 0, 0, 0, 0x040700, UPG_LOADER_MISMATCH, 1},
    };
    for (const Case &c : cases) {
        dialog.terminal.threePartVersion = c.threePart;
        dialog.terminal.deviceInDfuMode = c.dfuMode;
        dialog.run.loaderListed = c.loaderListed;
        dialog.package.packageIdentNumber = c.packageIdent;
        dialog.terminal.deviceIdentNumber = c.deviceIdent;
        dialog.package.packageFirmwareVersion3 = c.packageFirmware3;
        dialog.run.loaderStageNeeded = 1;
        EXPECT_EQ(dialog.CheckLoaderMode(), c.result) << c.description;
        EXPECT_EQ(dialog.run.loaderStageNeeded, c.stageAfter) << c.description;
    }
}

TEST_F(PackageChecks, StartPartSkipsToTheFirmwareWhenTheLoaderIsListed)
{
    PackageBuilder package;
    package.Part(BcdImage(0, 0x0302), "Bootloader").Part(BcdImage(0x0319, 0x0302), "Firmware");
    PartNode *firmwareNode = package.node(1);
    Load(package);
    PackageEntry *loaderPart = dialog.package.loadedPackage->parts->entry;

    dialog.package.partCount = 2;
    dialog.run.loaderStageNeeded = 1;
    PartNode *start = nullptr;
    EXPECT_EQ(dialog.SelectStartPart(loaderPart, &start), 0u);
    EXPECT_EQ(start, nullptr);
    EXPECT_EQ(dialog.package.partCount, 2u);

    dialog.run.loaderStageNeeded = 0;
    EXPECT_EQ(dialog.SelectStartPart(firmwareNode->entry, &start), 0u);
    EXPECT_EQ(start, nullptr);

    EXPECT_EQ(dialog.SelectStartPart(loaderPart, &start), UPG_RESTART_WITH_PART);
    EXPECT_EQ(start, firmwareNode);
    EXPECT_EQ(dialog.package.partCount, 1u);
    EXPECT_EQ(Row(CTVXUpgradeDlg::partCounterText), "(1/1)");
}

TEST_F(PackageChecks, StartPartSkipsToTheFirmwareAndNeedsOne)
{
    PackageBuilder package;
    package.Part(BcdImage(0, 0), "Pretreatment")
        .Part(BcdImage(0, 0x0302), "Bootloader")
        .Part(BcdImage(0x0319, 0x0302), "Firmware");
    Load(package);
    dialog.package.partCount = 3;
    dialog.run.loaderStageNeeded = 0;
    PartNode *start = nullptr;
    EXPECT_EQ(dialog.SelectStartPart(dialog.package.loadedPackage->parts->entry, &start),
              UPG_RESTART_WITH_PART);
    EXPECT_EQ(start, dialog.package.loadedPackage->parts->next->next);
    EXPECT_EQ(dialog.package.partCount, 1u);
    EXPECT_EQ(Row(CTVXUpgradeDlg::partCounterText), "(1/1)"); // batch counters: tests/batch

    // The walk starts at the cursor: past the firmware there is none left.
    Unload();
    PackageBuilder withoutFirmware;
    withoutFirmware.Part(BcdImage(0, 0), "Pretreatment").Part(BcdImage(0, 0x0302), "Bootloader");
    Load(withoutFirmware);
    dialog.package.partCount = 2;
    EXPECT_EQ(dialog.SelectStartPart(dialog.package.loadedPackage->parts->entry, &start), UPG_NO_DOWNLOAD);
}

TEST_F(PackageChecks, ThreePartVersionsAfterTheUpgrade)
{
    struct Case {
        const char *description;
        uint32_t stage;
        uint32_t deviceLoader;
        uint32_t deviceFirmware;
        bool match;
    };
    const Case cases[] = {
        {"newer loader accepted", 1, 0x010300, 0x040700, true},
        {"same loader", 1, 0x010200, 0x040700, true},
        {"older loader", 1, 0x010100, 0x040700, false},
        {"older loader, not staged", 0, 0x010100, 0x040700, true},
        {"other firmware", 0, 0x010200, 0x040701, false},
    };
    for (const Case &c : cases) {
        dialog.terminal.threePartVersion = 1;
        dialog.run.loaderStageNeeded = c.stage;
        dialog.package.packageLoaderVersion3 = 0x010200;
        dialog.package.packageFirmwareVersion3 = 0x040700;
        dialog.afterPart.deviceLoaderVersion3 = c.deviceLoader;
        dialog.afterPart.deviceFirmwareVersion3 = c.deviceFirmware;
        EXPECT_EQ(dialog.VersionsMatchAfterUpgrade(false), c.match) << c.description;
    }
}

TEST_F(PackageChecks, BcdVersionsAfterTheUpgrade)
{
    PackageBuilder package;
    ImageBytes loader(243, 0);
    loader.Put16(226, 0x0102);
    package.Part(loader, "Bootloader").Part(BcdImage(0x0319, 0), "Firmware");
    Load(package);
    dialog.terminal.threePartVersion = 0;
    dialog.terminal.selectedProductInfo = "VORN 460 M";
    dialog.package.packageFirmwareText = "003.019.---";

    struct Case {
        const char *description;
        uint16_t before;
        uint16_t deviceFirmware;
        bool afterReturnTimer;
        uint32_t stage;
        uint16_t deviceLoader;
        bool match;
    };
    const Case cases[] = {
        {"same firmware", 0x0100, 0x0319, false, 0, 0, true},
        {"other firmware", 0x0319, 0x0320, false, 0, 0, false},
        {"no answer keeps the earlier version", 0x0319, 0, false, 0, 0, true},
        {"no answer after the return timer", 0x0319, 0, true, 0, 0, false},
        {"staged loader arrived", 0x0100, 0x0319, false, 1, 0x0102, true},
        {"staged loader missing", 0x0100, 0x0319, false, 1, 0x0101, false},
    };
    for (const Case &c : cases) {
        dialog.terminal.firmwareVersionBefore = c.before;
        dialog.afterPart.deviceFirmwareVersion = c.deviceFirmware;
        dialog.run.loaderStageNeeded = c.stage;
        dialog.afterPart.deviceLoaderVersion = c.deviceLoader;
        EXPECT_EQ(dialog.VersionsMatchAfterUpgrade(c.afterReturnTimer), c.match) << c.description;
    }

    // A three-part package text never equals a BCD terminal's version.
    dialog.package.packageFirmwareText = "004.007.000";
    dialog.afterPart.deviceFirmwareVersion = 0x0407;
    dialog.run.loaderStageNeeded = 0;
    EXPECT_FALSE(dialog.VersionsMatchAfterUpgrade(false));
}

} // namespace
