// Walks through the wizard's steps on the scripted window with the demo
// terminals and real package files made in the test.
#include <filesystem>
#include <fstream>

#include "device/UpgradeTexts.h"
#include "tests/support/WizardFixture.h"

namespace {

const char *const kThreePartUploader = "K470A0001234"; // 4.6.0, loader 1.4.2, can upload
const char *const kBcdUploader = "K460B0004711";       // 0x0302, loader 0x0110, can upload
const char *const kThreePartNoUpload = "K470E0000007"; // 4.4.2, loader 1.3.0, cannot upload

// A one-part package every demo 470 accepts.
TestPackage For470()
{
    TestPackage package;
    package.parts = {ThreePartFirmware(0x040700, 0x010402)};
    package.loaderVersions = {"1.4.2", "1.3.0"};
    package.firmwareVersions = {"4.6.0", "4.4.2"};
    return package;
}

// Three BCD parts for the demo 460; its loader is not listed, so every part
// is written in turn.
TestPackage ThreePartsFor460(uint16_t firstPartFirmware = 0x0319)
{
    TestPackage package;
    package.terminalType = "460";
    package.parts = {BcdPart("Pretreatment", firstPartFirmware, 0x0102),
                     BcdPart("Bootloader", 0x0319, 0x0102), BcdPart("Firmware", 0x0319, 0x0102)};
    package.loaderVersions = {"9.99"};
    package.firmwareVersions = {"3.02"};
    return package;
}

void Touch(const std::string &path)
{
    std::ofstream(path) << "x";
}

} // namespace

using StepWalkTest = WizardTest;

TEST_F(StepWalkTest, PackageListShowsPackagesInAnyCaseAndFoldersWithTheLastSelected)
{
    Pack("alpha.ppu", For470());
    Touch(folder + "/Beta.PPU");
    Touch(folder + "/gamma.Ppu");
    Touch(folder + "/notes.txt");
    std::filesystem::create_directory(folder + "/zeta");
    OpenDemo();
    GoToPackageStep(kThreePartUploader);

    const std::vector<std::string> listing = {"[..]", "alpha.ppu", "Beta.PPU", "gamma.Ppu", "[zeta]"};
    EXPECT_EQ(Text(CTVXUpgradeDlg::stepGroup), EnglishText(171));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::deviceList));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::packageCombo));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::searchButton));
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(ComboItems(CTVXUpgradeDlg::packageCombo), listing);
    EXPECT_EQ(window.ComboSelection(CTVXUpgradeDlg::packageCombo), 4);

    // The folder entry cannot be loaded: asked again, on a rebuilt list.
    const std::size_t boxes = BoxCount();
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    ASSERT_EQ(BoxCount(), boxes + 1);
    EXPECT_EQ(LastBox().text, EnglishText(160));
    EXPECT_EQ(LastBox().type, tvx::MB_ICONERROR);
    EXPECT_EQ(dialog->currentStep, StepSelectPackage);
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(ComboItems(CTVXUpgradeDlg::packageCombo), listing);
    EXPECT_EQ(window.ComboSelection(CTVXUpgradeDlg::packageCombo), 4);

    ASSERT_TRUE(window.SelectComboItem(CTVXUpgradeDlg::packageCombo, 1));
    EXPECT_EQ(dialog->package.packagePath, "alpha.ppu");
    EXPECT_EQ(Text(CTVXUpgradeDlg::downloadFileText), "alpha.ppu");
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(dialog->currentStep, StepBackup);
}

TEST_F(StepWalkTest, NoPackageChosenAsksForOne)
{
    OpenDemo();
    GoToPackageStep(kThreePartUploader);
    window.ComboReset(CTVXUpgradeDlg::packageCombo); // a listing that came back empty

    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(LastBox().text, EnglishText(160));
    EXPECT_EQ(LastBox().caption, "VORN 470 M online Firmware-Update");
    EXPECT_EQ(LastBox().type, tvx::MB_ICONERROR);
    EXPECT_EQ(dialog->currentStep, StepSelectPackage);
    EXPECT_EQ(dialog->package.loadedPackage, nullptr);
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
}

TEST_F(StepWalkTest, PackageForAnotherModelIsRefused)
{
    Pack("for460.ppu", ThreePartsFor460());
    OpenDemo();
    GoToPackageStep(kThreePartUploader);

    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    EXPECT_NE(LastBox().text.find("Product ID does not match!"), std::string::npos) << LastBox().text;
    EXPECT_EQ(dialog->currentStep, StepSelectPackage);
    EXPECT_EQ(Text(CTVXUpgradeDlg::stepGroup), EnglishText(171));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::packageCombo));
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
}

TEST_F(StepWalkTest, SearchAddsTheChosenPackage)
{
    OpenDemo();
    dialog->OnSearchClicked(); // the device step has no file to choose
    EXPECT_TRUE(window.FileDialogs().empty());
    GoToPackageStep(kThreePartUploader);

    const std::string chosen = folder + "/elsewhere/chosen.ppu";
    window.QueueFileDialogPath(chosen);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::searchButton));
    ASSERT_EQ(window.FileDialogs().size(), 1u);
    const tvx::FileDialogSpec &open = window.FileDialogs().back();
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.defaultExtension, "ppu");
    EXPECT_EQ(open.fileName, "*.ppu");
    EXPECT_EQ(open.filter, "PPU Files (*.ppu) |*.ppu|All Files (*.*) |*.*||");
    EXPECT_EQ(open.options, tvx::OFN_FILEMUSTEXIST | tvx::OFN_HIDEREADONLY);
    EXPECT_EQ(open.startFolder, "");

    const int last = window.ComboCount(CTVXUpgradeDlg::packageCombo) - 1;
    EXPECT_EQ(window.ComboItemText(CTVXUpgradeDlg::packageCombo, last), chosen);
    EXPECT_EQ(window.ComboSelection(CTVXUpgradeDlg::packageCombo), last);
    EXPECT_EQ(dialog->package.packagePath, chosen);
    EXPECT_EQ(Text(CTVXUpgradeDlg::downloadFileText), "chosen.ppu");
    EXPECT_EQ(dialog->package.packageFirmwareVersion, 0);

    // A cancelled dialog changes nothing.
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::searchButton));
    EXPECT_EQ(dialog->package.packagePath, chosen);
    EXPECT_EQ(window.ComboCount(CTVXUpgradeDlg::packageCombo), last + 1);
}

TEST_F(StepWalkTest, TerminalThatCanUploadIsOfferedTheBackup)
{
    Pack("fit.ppu", For470());
    OpenDemo();
    GoToPackageStep(kThreePartUploader);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));

    ASSERT_EQ(dialog->currentStep, StepBackup);
    EXPECT_EQ(Text(CTVXUpgradeDlg::stepGroup), EnglishText(173));
    EXPECT_EQ(dialog->terminal.dfuAttributes, 2u);
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::backupCheck));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::backupCombo));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::searchButton));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::packageCombo));
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(Text(CTVXUpgradeDlg::partCounterText), "(1/1)");
    EXPECT_EQ(dialog->package.partCount, 1u);
    EXPECT_EQ(dialog->package.packageIdentNumber, 12345u);
    ASSERT_NE(dialog->package.loadedPackage, nullptr);
    EXPECT_EQ(dialog->package.loadedPackage->cursor, dialog->package.loadedPackage->parts);

    // Backup wanted but no file chosen: asked again on the same step.
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::backupCheck));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::backupCombo));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::searchButton));
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(LastBox().text, EnglishText(161));
    EXPECT_EQ(LastBox().type, tvx::MB_ICONERROR);
    EXPECT_EQ(dialog->currentStep, StepBackup);
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::backupCombo));

    // The save dialog asks before replacing a file and leaves the current folder as it was.
    const std::string backup = folder + "/rollback.bak";
    window.QueueFileDialogPath(backup);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::searchButton));
    const tvx::FileDialogSpec &save = window.FileDialogs().back();
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.defaultExtension, "bak");
    EXPECT_EQ(save.fileName, "*.bak");
    EXPECT_EQ(save.filter, "PPU Backup Files (*.bak) |*.bak|All Files (*.*) |*.*||");
    EXPECT_EQ(save.options, tvx::OFN_HIDEREADONLY | tvx::OFN_OVERWRITEPROMPT);
    EXPECT_EQ(dialog->package.backupPath, backup);
    EXPECT_EQ(window.ComboSelection(CTVXUpgradeDlg::backupCombo),
              window.ComboCount(CTVXUpgradeDlg::backupCombo) - 1);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(folder));

    // Unchecking forgets the path; checking again takes the list's selection.
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::backupCheck));
    EXPECT_EQ(dialog->package.backupPath, "");
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::backupCombo));
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::backupCheck));
    EXPECT_EQ(dialog->package.backupPath, backup);

    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    EXPECT_EQ(dialog->currentStep, StepUpgrade);
    EXPECT_EQ(Text(CTVXUpgradeDlg::stepGroup), kUpgradeStartedCaption);
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::backupCheck));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::backupCombo));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::searchButton));
    EXPECT_EQ(dialog->package.packagePath, "part0.dfu");
    EXPECT_EQ(Text(CTVXUpgradeDlg::downloadFileText), "part0.dfu");
}

TEST_F(StepWalkTest, TerminalThatCannotUploadGoesStraightToTheUpgrade)
{
    Pack("fit.ppu", For470());
    OpenDemo();
    GoToPackageStep(kThreePartNoUpload);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));

    EXPECT_EQ(dialog->currentStep, StepBackup);
    EXPECT_EQ(dialog->terminal.dfuAttributes, 0u);
    EXPECT_EQ(Text(CTVXUpgradeDlg::stepGroup), kUpgradeStartedCaption);
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::backupCheck));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::searchButton));
    EXPECT_EQ(dialog->package.backupPath, "");
    EXPECT_EQ(Text(CTVXUpgradeDlg::downloadFileText), "part0.dfu");
}

TEST_F(StepWalkTest, BcdTerminalIdentifiesTheFirstPartAndCountsThePartsOn)
{
    Pack("three.ppu", ThreePartsFor460());
    OpenDemo();
    GoToPackageStep(kBcdUploader);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));

    ASSERT_EQ(dialog->currentStep, StepBackup);
    EXPECT_EQ(dialog->package.packageFirmwareVersion, 0x0319);
    EXPECT_EQ(dialog->package.packageLoaderVersion, 0x0102);
    EXPECT_EQ(dialog->package.packageProductId, 0x1234);
    EXPECT_EQ(dialog->package.partCount, 3u);
    EXPECT_EQ(Text(CTVXUpgradeDlg::partCounterText), "(1/3)");

    // The first part has ended and two remain: the next one starts at once,
    // without the backup step, and the counter moves on.
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    ASSERT_EQ(dialog->currentStep, StepUpgrade);
    dialog->currentStep = StepFinished;
    dialog->package.partsRemaining = 2;
    dialog->package.loadedPackage->cursor = dialog->package.loadedPackage->cursor->next;
    dialog->ShowClosingButtons(0);

    EXPECT_EQ(Text(CTVXUpgradeDlg::partCounterText), "(2/3)");
    EXPECT_EQ(Text(CTVXUpgradeDlg::versionViaFileText), "V 3.19  + Loader V 1.2 "); // the part's own
    EXPECT_EQ(Text(CTVXUpgradeDlg::stepGroup), kUpgradeStartedCaption);
    EXPECT_EQ(Text(CTVXUpgradeDlg::downloadFileText), "part1.dfu");
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::backupCheck));
    EXPECT_EQ(dialog->package.backupPath, "");
}

TEST_F(StepWalkTest, UnreadableIdentificationIsToldAndTheStepGoesOn)
{
    Pack("odd.ppu", ThreePartsFor460(0x031A));
    OpenDemo();
    GoToPackageStep(kBcdUploader);
    window.QueueMessageBoxAnswer(tvx::IDCANCEL);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));

    EXPECT_EQ(LastBox().text, EnglishText(160));
    EXPECT_EQ(LastBox().type, tvx::MB_ICONERROR | tvx::MB_OKCANCEL);
    EXPECT_EQ(dialog->currentStep, StepBackup);
    EXPECT_EQ(dialog->package.currentPart, nullptr);
    EXPECT_EQ(Text(CTVXUpgradeDlg::partCounterText), "(1/3)");
}

TEST_F(StepWalkTest, ClosingButtons)
{
    OpenDemo();
    dialog->ShowClosingButtons(1);
    EXPECT_EQ(Text(CTVXUpgradeDlg::hintText), EnglishText(192));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::hintText));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::cancelButton));
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::cancelButton));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::finishButton));
    EXPECT_EQ(window.FocusedControl(), CTVXUpgradeDlg::cancelButton);

    dialog->ShowClosingButtons(0);
    EXPECT_EQ(Text(CTVXUpgradeDlg::hintText), EnglishText(99));
    EXPECT_TRUE(Visible(CTVXUpgradeDlg::finishButton));
    EXPECT_TRUE(Enabled(CTVXUpgradeDlg::finishButton));
    EXPECT_FALSE(Visible(CTVXUpgradeDlg::cancelButton));
    EXPECT_EQ(window.FocusedControl(), CTVXUpgradeDlg::finishButton);
}
