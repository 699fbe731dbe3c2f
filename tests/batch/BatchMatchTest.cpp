// Which configuration files start a batch, and which terminals a batch offers.
#include "tests/batch/BatchFixture.h"

#include <algorithm>

#include "wizard/ImageIdentification.h"

namespace {

using Ids = std::vector<std::string>;

const std::string kOtherSeries =
    R"("id": "K210C01", "model": "VORN 210", "vendorCode": "KOTRX", "versionFormat": "three-part",
       "firmware": "1.0.0", "loader": "1.0.0", "deviceType": 210, )" +
    kQuickTiming;

} // namespace

TEST_F(BatchTest, MatchedNamesStartInTheBatchWithTheFirstFileAndItsBackupName)
{
    Pack("Second.PPU", Firmware470(0x040701, "4.7.0"));
    Pack("first.ppu", Firmware470(0x040700, "4.6.0"));
    Pack("unnamed.ppu", Firmware470(0x040702, "4.7.1"));
    WriteIni("first.\r\nsecond.");
    Start({ThreePartTerminal("K470A01")});

    const CTVXUpgradeDlg &dialog = Dialog();
    EXPECT_EQ(Count(EnglishText(188)), 0);
    EXPECT_EQ(dialog.batch.batchCount, 2u);
    EXPECT_EQ(dialog.batch.batchRemaining, 1u);
    EXPECT_EQ(dialog.currentStep, StepNextPart);
    EXPECT_EQ(dialog.package.packagePath, "first.ppu");
    EXPECT_EQ(Window().ComboItemText(D::packageCombo, Window().ComboSelection(D::packageCombo)), "first.ppu");
    EXPECT_EQ(dialog.package.packageFirmwareVersion, 0x0407); // the suffix of a 4.7.0 image
    EXPECT_EQ(dialog.batch.batchFirmwareVersion[1], 0x0407);
    EXPECT_EQ(dialog.batch.batchProductId[1], 0x1200);
    EXPECT_EQ(dialog.package.backupPath, "firstbak.bak");
    EXPECT_EQ(Window().ComboItemText(D::backupCombo, Window().ComboSelection(D::backupCombo)),
              "firstbak.bak");
}

// Folders are prepared on Windows, where the file's name matches in any
// letter case; of several names differing only in case the first listed
// counts where the file system keeps them apart.
TEST_F(BatchTest, ConfigurationFileIsFoundInAnyLetterCase)
{
    const struct {
        std::vector<std::pair<std::string, std::string>> files; // name, text
        uint32_t batchCount;
        uint32_t batchCountAsOneFile; // where the names are one file
    } cases[] = {
        {{{"tvxupgrade.ini", "first.second"}}, 2, 2},
        {{{"TVXUPGRADE.INI", "first"}, {"tvxupgrade.ini", "first.second"}}, 1, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.files.front().first);
        const bool apart = NamesDifferInCase();
        Pack("first.ppu", Firmware470(0x040700, "4.6.0"));
        Pack("second.ppu", Firmware470(0x040701, "4.7.0"));
        for (const auto &[name, text] : c.files)
            std::ofstream(folder + "/" + name, std::ios::binary) << text;
        Start({ThreePartTerminal("K470A01")});
        EXPECT_EQ(Count(EnglishText(188)), 0);
        EXPECT_EQ(Dialog().batch.batchCount, apart ? c.batchCount : c.batchCountAsOneFile);
        TearDown();
        SetUp();
    }
}

struct MismatchCase {
    const char *name;
    const char *ini;
    bool namesApartByCase = false; // a mismatch only where the file system keeps them apart
};

class BatchMismatchTest : public BatchTest, public ::testing::WithParamInterface<MismatchCase> {};

void PrintTo(const MismatchCase &c, std::ostream *out)
{
    *out << c.name;
}

TEST_P(BatchMismatchTest, GivesTheMessageAndTheNormalWizard)
{
    if (GetParam().namesApartByCase && !NamesDifferInCase())
        GTEST_SKIP() << "twice.ppu and TWICE.ppu are one file here";
    Pack("first.ppu", Firmware470(0x040700, "4.6.0"));
    Pack("other.ppu", Firmware470(0x040701, "4.7.0", 0x1300));
    Pack("twice.ppu", Firmware470(0x040701, "4.7.0"));
    Pack("TWICE.ppu", Firmware470(0x040701, "4.7.0"));
    Pack("model460.ppu", HardwarePackage(0x1234, {})); // the 470's product family
    std::ofstream(folder + "/junk.ppu") << "not a package";
    WriteIni(GetParam().ini);
    Start({ThreePartTerminal("K470A01"), kOtherSeries});

    EXPECT_EQ(Boxes().front(), EnglishText(188));
    EXPECT_EQ(Count(EnglishText(188)), 1);
    const CTVXUpgradeDlg &dialog = Dialog();
    EXPECT_EQ(dialog.batch.batchCount, 0u);
    EXPECT_EQ(dialog.currentStep, StepSelectDevice);
    EXPECT_TRUE(dialog.package.packagePath.empty());
    EXPECT_TRUE(dialog.package.backupPath.empty());
    EXPECT_EQ(ListedIds(), (Ids{"K470A01", "K210C01"}));
    // The normal wizard: the package is chosen on its own step.
    Drive("select 0\nnext\npackage first.ppu\nnext");
    EXPECT_EQ(Dialog().currentStep, StepBackup);
    EXPECT_EQ(Text(D::partCounterText), "(1/1)");
}

INSTANTIATE_TEST_SUITE_P(Names, BatchMismatchTest,
                         ::testing::Values(MismatchCase{"MissingFile", "first.missing"},
                                           MismatchCase{"NameInCapitals", "FIRST"},
                                           MismatchCase{"FileThatIsNoPackage", "first.junk"},
                                           MismatchCase{"SameNameTwice", "first.first"},
                                           MismatchCase{"TwoFilesDifferingInLetterCase", "first.twice", true},
                                           MismatchCase{"TwoProductFamilies", "first.other"},
                                           MismatchCase{"TwoTerminalModelsOfOneFamily", "first.model460"}),
                         [](const ::testing::TestParamInfo<MismatchCase> &tested) {
                             return std::string(tested.param.name);
                         });

struct ListingCase {
    const char *name;
    const char *terminalType;
    uint16_t productId;
    std::vector<uint16_t> firstCodes;
    std::vector<uint16_t> secondCodes;
    Ids listed;
};

class BatchListingTest : public BatchTest, public ::testing::WithParamInterface<ListingCase> {};

void PrintTo(const ListingCase &c, std::ostream *out)
{
    *out << c.name;
}

TEST_P(BatchListingTest, OffersOnlyTerminalsOfTheSeriesHardwareAndModelOfEveryFile)
{
    const ListingCase &c = GetParam();
    Pack("a.ppu", HardwarePackage(c.productId, c.firstCodes, c.terminalType));
    Pack("b.ppu", HardwarePackage(c.productId, c.secondCodes, c.terminalType));
    WriteIni("a.b");
    Start({ThreePartTerminal("K470A01"), BcdTerminal("K460B01", "0x0110"), kOtherSeries});
    EXPECT_EQ(Dialog().batch.batchCount, 2u);
    EXPECT_EQ(ListedIds(), c.listed);
    // Row numbers count the rows listed.
    for (int row = 0; row < Window().ListRowCount(D::deviceList); ++row)
        EXPECT_EQ(Window().ListItemText(D::deviceList, row, 0), std::to_string(row + 1));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BatchListingTest,
    ::testing::Values(ListingCase{"NoHardwareNamedFor460", "460", 0x1234, {}, {}, {"K460B01"}},
                      ListingCase{"NoHardwareNamedFor470", "0x1D6", 0x1234, {}, {}, {"K470A01"}},
                      ListingCase{"CodesOfThe460", "460", 0x1234, {1, 5}, {}, {"K460B01"}},
                      ListingCase{"CodesOfThe470", "470", 0x1234, {3, 4, 6, 7}, {}, {"K470A01"}},
                      ListingCase{"CodesOfThe470ForThe460", "460", 0x1234, {3, 4, 6, 7}, {}, {}},
                      ListingCase{"EachFileNarrowsTheList", "470", 0x1234, {1, 3}, {7}, {"K470A01"}},
                      ListingCase{"CodesOfNoModel", "460", 0x1234, {2}, {}, {}},
                      // No model fits the terminal of the other series.
                      ListingCase{"TheOtherSeries", "460", 0x1334, {}, {}, {}}),
    [](const ::testing::TestParamInfo<ListingCase> &tested) { return std::string(tested.param.name); });

TEST(HardwareCodes, ReadAfterTheLoaderVersionAndAlwaysEndedByZero)
{
    std::vector<uint16_t> sixteen(16);
    for (uint16_t i = 0; i < 16; ++i)
        sixteen[i] = static_cast<uint16_t>(i + 1);
    std::vector<uint16_t> firstFifteen(sixteen.begin(), sixteen.end() - 1);
    struct Case {
        const char *name;
        uint8_t headerKind;
        std::vector<uint16_t> written;
        std::vector<uint16_t> read;
    } const cases[] = {
        {"none", 0x00, {}, {}},
        {"after the loader at 226", 0x00, {1, 5}, {1, 5}},
        {"after the loader at 354", 0x10, {3, 4, 6, 7}, {3, 4, 6, 7}},
        {"sixteen codes keep fifteen", 0x00, sixteen, firstFifteen},
        {"a kind without loader version", 0x20, {1, 5}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PartImageSpec spec = BcdPart("Firmware", 0x0302, 0x0110, c.headerKind).image;
        spec.hardware = c.written;
        std::vector<uint8_t> image = BuildPartImage(spec);
        PackageEntry part{};
        part.data = image.data();
        part.size = static_cast<int32_t>(image.size());
        uint16_t codes[16];
        std::fill(std::begin(codes), std::end(codes), uint16_t{0xAAAA});
        ReadHardwareCodes(&part, codes);
        std::vector<uint16_t> expected = c.read;
        expected.resize(16, 0);
        EXPECT_EQ(std::vector<uint16_t>(std::begin(codes), std::end(codes)), expected);
    }

    // An image that ends right after the codes: nothing is read from its suffix.
    PartImageSpec spec = BcdPart("Firmware", 0x0302, 0x0110).image;
    spec.hardware = sixteen;
    spec.size = MinimumPartImageSize(spec);
    std::vector<uint8_t> image = BuildPartImage(spec);
    PackageEntry part{};
    part.data = image.data();
    part.size = static_cast<int32_t>(image.size());
    uint16_t codes[16];
    ReadHardwareCodes(&part, codes);
    EXPECT_EQ(codes[14], 15);
    EXPECT_EQ(codes[15], 0);
}
