#include "tests/support/UpgradeSoak.h"

#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/WizardFixture.h"
#include "tools/tvx-drive/Driver.h"

namespace tvx::soak {
namespace {

constexpr const char *kTerminalId = "K470S01";
constexpr uint32_t kFirmwareOfPackage = 0x01040700u;

const char kScenario[] =
    R"({"terminals": [{"id": "K470S01", "model": "VORN 470 M online", "vendorCode": "KOTRX",
    "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "deviceType": 470,
    "identNumber": 12345, "imageSize": 16384, "pin": ["adjust-display"],
    "timing": {"initMs": 300, "pinMs": 400, "restartMs": 300, "manifestMs": 800}}]})";

long ResidentKb()
{
    long pages = 0, resident = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int OpenFiles()
{
    DIR *folder = opendir("/proc/self/fd");
    if (!folder)
        return -1;
    int count = 0;
    while (const dirent *entry = readdir(folder))
        if (entry->d_name[0] != '.')
            ++count;
    closedir(folder);
    return count - 1; // the listing's own descriptor
}

bool Fail(std::string *error, const std::string &reason)
{
    *error = reason;
    return false;
}

} // namespace

ProcessFigures MeasureProcess()
{
    ProcessFigures figures;
    figures.residentKb = ResidentKb();
    figures.heapInUse = mallinfo2().uordblks;
    figures.openFiles = OpenFiles();
    return figures;
}

UpgradeSoak::UpgradeSoak()
{
    folder_ = MakeTemporaryFolder("tvx-soak");
    if (folder_.empty())
        return;
    packagePath_ = folder_ + "/fit.ppu";
    backupPath_ = folder_ + "/previous.bak";
    TestPackage package;
    package.parts = {ThreePartFirmware(0x040700, 0x010402, 12346)};
    package.loaderVersions = {"1.4.2"};
    package.firmwareVersions = {"4.6.0"};
    WriteTestPackage(packagePath_, package);
}

UpgradeSoak::~UpgradeSoak()
{
    if (!folder_.empty())
        std::filesystem::remove_all(folder_);
}

bool UpgradeSoak::RunOnce(std::string *error)
{
    if (folder_.empty())
        return Fail(error, "no folder of its own");
    std::filesystem::remove(backupPath_);
    if (!tvxdfu::sim::UseScenarioJson(kScenario))
        return Fail(error, "the scenario was refused");

    std::ostringstream transcript;
    drive::Driver driver(transcript);
    std::istringstream script("select 0\nnext\npackage " + packagePath_ + "\nnext\nbackup " + backupPath_ +
                              "\nnext\nwait-idle 120\n");
    for (std::string line; std::getline(script, line);) {
        drive::Command command;
        std::string reason;
        if (!drive::ParseCommand(line, &command, &reason))
            return Fail(error, reason);
        driver.Run(command);
    }
    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        if (driver.Window().IsTimerActive(timer))
            return Fail(error, "timer " + std::to_string(timer) + " still armed when the wizard waits");
    drive::Command finish;
    std::string reason;
    drive::ParseCommand("finish", &finish, &reason);
    driver.Run(finish);
    if (!driver.Ended() || driver.Window().EndCode() != IDOK)
        return Fail(error, "the wizard did not end with Finish:\n" + transcript.str());
    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        if (driver.Window().IsTimerActive(timer))
            return Fail(error, "timer " + std::to_string(timer) + " still armed after Finish");

    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    if (GetwBCDDeviceFWVersion(kTerminalId, 16, &firmware, &loader, &type, &extra, ident) != 0 ||
        firmware != kFirmwareOfPackage)
        return Fail(error, "the terminal does not hold the package's firmware");
    std::error_code ignored;
    if (std::filesystem::file_size(backupPath_, ignored) != 16384 + 16)
        return Fail(error, "the backup is missing or incomplete");
    return true;
}

} // namespace tvx::soak
