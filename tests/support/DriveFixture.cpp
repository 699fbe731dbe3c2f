#include "tests/support/DriveFixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "package/Package.h"
#include "package/PackageWriter.h"

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"
#include "tests/support/EnglishTexts.h"
#include "tests/support/TemporaryFolder.h"

std::string ThreePartTerminal(const std::string &id, const std::string &extra)
{
    return R"("id": ")" + id +
           R"(", "model": "VORN 470 M online", "vendorCode": "KOTRX", "versionFormat": "three-part",
               "firmware": "4.6.0", "loader": "1.4.2", "deviceType": 470, "identNumber": 12345, )" +
           kQuickTiming + (extra.empty() ? "" : ", " + extra);
}

bool InOrder(const std::vector<std::string> &texts, const std::vector<std::string> &expected)
{
    std::size_t next = 0;
    for (const std::string &text : texts)
        if (next < expected.size() && text == expected[next])
            ++next;
    return next == expected.size();
}

std::string Lines(const std::vector<std::string> &texts)
{
    std::string all;
    for (const std::string &text : texts)
        all += "  [" + text + "]\n";
    return all;
}

std::string BcdTerminal(const std::string &id, const std::string &loader, const std::string &extra)
{
    return R"("id": ")" + id + R"(", "model": "VORN 460 M", "vendorCode": "KOTRX", "versionFormat": "bcd",
               "firmware": "0x0302", "loader": ")" +
           loader + R"(", "deviceType": 460, "identNumber": 46001, )" + kQuickTiming +
           (extra.empty() ? "" : ", " + extra);
}

TestPackage FirmwarePackage470()
{
    TestPackage package;
    package.parts = {ThreePartFirmware(0x040700, 0x010402, 12346)};
    package.loaderVersions = {"1.4.2"};
    package.firmwareVersions = {"4.6.0"};
    return package;
}

TestPackage Package460()
{
    TestPackage package;
    package.terminalType = "460";
    package.parts = {BcdPart("Pretreatment", 0x0302, 0x0110), BcdPart("Bootloader", 0x0302, 0x0111),
                     ThreePartFirmware(0x031400, 0x010B00, 46002)};
    package.loaderVersions = {"1.11"};
    package.firmwareVersions = {"3.02"};
    return package;
}

void DriveTest::SetUp()
{
    UseEnglishTexts();
    folder = MakeTemporaryFolder("tvx-e2e");
    ASSERT_FALSE(folder.empty());
    previousFolder_ = std::filesystem::current_path();
    std::filesystem::current_path(folder); // the package list shows the current folder
}

void DriveTest::TearDown()
{
    driver_.reset();
    std::filesystem::current_path(previousFolder_);
    std::filesystem::remove_all(folder);
}

void DriveTest::Start(const std::vector<std::string> &terminals)
{
    std::string json = R"({"terminals": [)";
    for (std::size_t i = 0; i < terminals.size(); ++i)
        json += (i ? ", {" : "{") + terminals[i] + "}";
    ASSERT_TRUE(tvxdfu::sim::UseScenarioJson(json + "]}"));
    driver_ = std::make_unique<tvx::drive::Driver>(transcript, *sleepLock);
    Drive("state"); // opens the wizard
    ASSERT_FALSE(driver_->Ended());
}

void DriveTest::StartOnUsb(tvx::drive::EventPump pump)
{
    driver_ = std::make_unique<tvx::drive::Driver>(transcript, std::move(pump));
    Drive("state"); // opens the wizard
    ASSERT_FALSE(driver_->Ended());
}

std::string DriveTest::Pack(const std::string &name, const TestPackage &package)
{
    WriteTestPackage(folder + "/" + name, package);
    return name;
}

std::string DriveTest::PackWithCatalog(const std::string &name, const std::string &catalog,
                                       const std::vector<std::vector<uint8_t>> &images)
{
    PackageContents contents;
    contents.catalog = catalog;
    for (std::size_t i = 0; i < images.size(); ++i)
        contents.parts.push_back(
            {(i ? "part" + std::to_string(i) : std::string("fw")) + ".dfu.enc", images[i]});
    PackageSigning signing;
    std::ifstream key(TVX_DEV_KEYS_DIR "/package-signing.pem");
    signing.signingKeyPem.assign(std::istreambuf_iterator<char>(key), std::istreambuf_iterator<char>());
    BuildContentKey(signing.contentKey.data());
    std::string error;
    EXPECT_TRUE(WritePackage(folder + "/" + name, contents, signing, &error)) << error;
    return name;
}

void DriveTest::Drive(const std::string &script)
{
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        tvx::drive::Command command;
        std::string error;
        ASSERT_TRUE(tvx::drive::ParseCommand(line, &command, &error)) << error;
        driver_->Run(command);
        Record();
    }
}

void DriveTest::DriveToUpgrade(int row, const std::string &package)
{
    Drive("select " + std::to_string(row) + "\nnext\npackage " + package + "\nnext\nbackup off\nnext");
}

bool DriveTest::WaitingForPerson() const
{
    if (driver_->Ended())
        return true;
    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        if (Window().IsTimerActive(timer))
            return false;
    return Usable(D::finishButton) || Usable(D::cancelButton) || Usable(D::nextButton);
}

void DriveTest::Follow(uint64_t limitMs)
{
    for (uint64_t waited = 0; !WaitingForPerson() && waited < limitMs; waited += 10)
        Drive("wait 0.01");
}

void DriveTest::Record()
{
    for (int id : {D::statusText, D::downloadText, D::uploadText, D::partCounterText, D::hintText,
                   D::versionViaFileText, D::versionAfterText}) {
        std::vector<std::string> &texts = shown_[id];
        const std::string text = Text(id);
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
    }
}

std::vector<std::string> DriveTest::Boxes(std::size_t from) const
{
    std::vector<std::string> labels;
    const auto &boxes = Window().MessageBoxes();
    for (std::size_t i = from; i < boxes.size(); ++i) {
        const std::string &caption = boxes[i].caption;
        const bool shared = caption == kApplicationName || caption == "Configurations-Update aborted" ||
                            caption == "Firmware upgrade aborted";
        labels.push_back(shared ? boxes[i].text : boxes[i].caption);
    }
    return labels;
}

int DriveTest::Count(const std::string &label) const
{
    const std::vector<std::string> labels = Boxes();
    return static_cast<int>(std::count(labels.begin(), labels.end(), label));
}

void DriveTest::ReadTerminal(const std::string &id, uint32_t *firmware, uint32_t *loader) const
{
    uint32_t type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    *firmware = *loader = 0;
    EXPECT_EQ(GetwBCDDeviceFWVersion(id.c_str(), 16, firmware, loader, &type, &extra, ident), 0u);
}
