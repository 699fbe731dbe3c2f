// A configuration file that cannot be read, whatever stands in its place:
// the wizard opens as without one, with no message and no batch.
#include "tests/support/DriveFixture.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>

#include "config/ConfigFile.h"

TEST_F(DriveTest, UnreadableConfigurationFileIsPassedOverSilently)
{
    namespace fs = std::filesystem;
    const std::pair<const char *, std::function<void()>> cases[] = {
        {"a folder", [] { fs::create_directory(kConfigFileName); }},
        {"a folder link", [this] { fs::create_directory_symlink(folder, kConfigFileName); }},
        {"a dangling link", [] { fs::create_symlink("nowhere.ini", kConfigFileName); }},
        {"a link to itself", [] { fs::create_symlink(kConfigFileName, kConfigFileName); }},
        {"a link to a device", [] { fs::create_symlink("/dev/zero", kConfigFileName); }},
        {"a named pipe", [] { ASSERT_EQ(mkfifo(kConfigFileName, 0600), 0); }},
        {"a sparse file of 3 GiB",
         [] {
             std::ofstream(kConfigFileName).close();
             fs::resize_file(kConfigFileName, 3ull << 30);
         }},
    };
    Pack("fit.ppu", FirmwarePackage470()); // a name the file could have meant
    for (const auto &[name, make] : cases) {
        SCOPED_TRACE(name);
        make();
        Start({ThreePartTerminal("K470A01")});
        const auto &boxes = Window().MessageBoxes();
        ASSERT_EQ(boxes.size(), 2u); // the welcome and the preparation box only
        for (const auto &box : boxes)
            EXPECT_EQ(box.text.find("TVXUpgrade.ini"), std::string::npos) << box.text;
        EXPECT_EQ(Dialog().batch.batchCount, 0u);
        EXPECT_EQ(Dialog().currentStep, StepSelectDevice);
        EXPECT_EQ(Window().ListRowCount(D::deviceList), 1);
        TearDown();
        SetUp();
        Pack("fit.ppu", FirmwarePackage470());
    }
}
