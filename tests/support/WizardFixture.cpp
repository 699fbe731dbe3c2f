#include "tests/support/WizardFixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "dfulib/sim/SimulatorControl.h"
#include "package/Package.h"
#include "package/PackageWriter.h"
#include "res/Resources.h"
#include "tests/support/EnglishTexts.h"
#include "tests/support/TemporaryFolder.h"

namespace {

std::string JsonList(const std::vector<std::string> &versions)
{
    std::string list = "[";
    for (std::size_t i = 0; i < versions.size(); ++i)
        list += (i ? ", " : "") + std::string(R"({"Version": ")") + versions[i] + R"("})";
    return list + "]";
}

std::string ReadText(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TestPart ThreePartFirmware(uint32_t firmware, uint32_t loader, uint32_t ident)
{
    PartImageSpec image;
    image.generation = 1;
    image.layout = 1;
    image.firmware = firmware;
    image.loader = loader;
    image.ident = ident;
    image.size = 2048;
    return {"Firmware", image};
}

TestPart BcdPart(const std::string &type, uint16_t firmware, uint16_t loader, uint8_t headerKind)
{
    PartImageSpec image;
    image.generation = 0;
    image.headerKind = headerKind;
    image.firmware = firmware;
    image.loader = loader;
    image.productId = 0x1234;
    image.size = 2048;
    return {type, image};
}

std::string EnglishText(unsigned id)
{
    const char *text = tvx::ResourceString(id);
    return text ? text : "";
}

void WizardTest::SetUp()
{
    UseEnglishTexts();
    folder = MakeTemporaryFolder("tvx-steps");
    ASSERT_FALSE(folder.empty());
    previousFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder); // the package list shows the current folder
    tvxdfu::sim::SetClock([this] { return clockMs += clockStepMs; });
}

void WizardTest::TearDown()
{
    dialog.reset();
    tvxdfu::sim::SetClock({});
    std::filesystem::current_path(previousFolder);
    std::filesystem::remove_all(folder);
}

void WizardTest::Open(const std::vector<std::string> &terminals)
{
    std::string json = R"({"terminals": [)";
    for (std::size_t i = 0; i < terminals.size(); ++i)
        json += (i ? ", {" : "{") + terminals[i] + "}";
    json += "]}";
    const std::string path = folder + "/scenario.json";
    std::ofstream(path) << json;
    ASSERT_TRUE(tvxdfu::sim::UseScenario(path));
    dialog = std::make_unique<CTVXUpgradeDlg>(window, monitor);
    ASSERT_EQ(window.RunModal(*dialog), -1);
}

void WizardTest::OpenDemo()
{
    ASSERT_TRUE(tvxdfu::sim::UseScenario("demo"));
    dialog = std::make_unique<CTVXUpgradeDlg>(window, monitor);
    ASSERT_EQ(window.RunModal(*dialog), -1);
}

void WriteTestPackage(const std::string &path, const TestPackage &package)
{
    PackageContents contents;
    std::string fileList;
    for (std::size_t i = 0; i < package.parts.size(); ++i) {
        const std::string fileName = "part" + std::to_string(i) + ".dfu";
        contents.parts.push_back({fileName + ".enc", BuildPartImage(package.parts[i].image)});
        fileList += (i ? ", " : "") + std::string(R"({"File name": ")") + fileName + R"(", "Type": ")" +
                    package.parts[i].type + R"("})";
    }
    contents.catalog = R"({"Catalog version": "2", "Terminal information": {"Terminal type": ")" +
                       package.terminalType + R"(", "Bootloader supported versions": )" +
                       JsonList(package.loaderVersions) +
                       ", \"Firmware supported versions\": " + JsonList(package.firmwareVersions) +
                       "}, \"File list\": [" + fileList + "]}";
    PackageSigning signing;
    signing.signingKeyPem = ReadText(TVX_DEV_KEYS_DIR "/package-signing.pem");
    BuildContentKey(signing.contentKey.data());
    std::string error;
    EXPECT_TRUE(WritePackage(path, contents, signing, &error)) << error;
}

std::string WizardTest::Pack(const std::string &name, const TestPackage &package)
{
    WriteTestPackage(folder + "/" + name, package);
    return name;
}

int WizardTest::RowOf(const std::string &id) const
{
    for (int row = 0; row < window.ListRowCount(CTVXUpgradeDlg::deviceList); ++row)
        if (window.ListItemText(CTVXUpgradeDlg::deviceList, row, 2) == id)
            return row;
    return -1;
}

void WizardTest::Select(const std::string &id)
{
    const int row = RowOf(id);
    ASSERT_GE(row, 0) << id << " is not listed";
    ASSERT_TRUE(window.SelectListRow(CTVXUpgradeDlg::deviceList, row));
}

void WizardTest::GoToPackageStep(const std::string &id)
{
    Select(id);
    ASSERT_TRUE(window.ClickButton(CTVXUpgradeDlg::nextButton));
    ASSERT_EQ(dialog->currentStep, StepSelectPackage);
}

std::vector<std::string> WizardTest::ComboItems(int id) const
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(window.ComboCount(id)));
    for (int i = 0; i < window.ComboCount(id); ++i)
        items.push_back(window.ComboItemText(id, i));
    return items;
}
