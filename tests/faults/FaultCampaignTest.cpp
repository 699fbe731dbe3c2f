// Every fault a simulated terminal can script, run through the headless
// driver from the device step to the end: the state the wizard is left in,
// and that nothing was lost on the way. The package file keeps its bytes; a
// backup is either complete (the previous image and a valid DFU suffix) or
// absent, an earlier file of its name untouched; a refused start writes
// nothing; and success is claimed only for a terminal that reports the
// package's version.
#include "tests/support/DriveFixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "device/UpgradeTexts.h"
#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"
#include "dfulib/suffix/DfuSuffix.h"

class FaultCampaign;

namespace {

constexpr const char *kTerminalId = "K470A01";
constexpr std::size_t kImageSize = 8192;

// The terminal's versions as the library reports them, before and after
// the package's firmware part.
struct Versions {
    uint32_t firmwareBefore;
    uint32_t loaderBefore;
    uint32_t firmwareOfPackage;
    uint32_t loaderAfter;
};
constexpr Versions kThreePart = {0x01040600u, 0x01010402u, 0x01040700u, 0x01010402u};
// The BCD terminal takes a three-part firmware part and its versions' form.
constexpr Versions kBcd = {0x0302u, 0x0111u, 0x01031400u, 0x01010B00u};
constexpr const char *kPackageName = "fit.ppu";
// The backup goes into a folder of its own, which a row may take away.
constexpr const char *kBackupFolder = "backup";
constexpr const char *kBackupName = "previous.bak";
// What an earlier backup of the same name holds before the run.
const std::string kEarlierBackup = "an earlier backup, to be kept unless replaced by a complete one";

// What the terminal holds after the run.
enum Written {
    Nothing,  // no part was started: the terminal as it was
    Failed,   // a part started and failed: old versions and image
    Upgraded, // the package's firmware
};

// What lies at the backup path after the run.
enum BackupLeft {
    NoBackup,       // none was asked for
    EarlierKept,    // the earlier file, untouched
    Complete,       // the previous image with a valid suffix
    FolderTaken,    // the row replaced the backup folder by a file
    TargetIsFolder, // the row put a folder at the backup path
};

// The buttons a person can click at the end.
enum Buttons { CancelOnly, FinishOnly, CancelAndNext };

struct FaultRow {
    std::string name;
    std::string fault; // keys added to the terminal's scenario entry
    bool bcd = false;  // a VORN 460 with BCD versions in place of the three-part 470
    TestPackage package = FirmwarePackage470();
    // Run just before the last Next (`meddleAfterMs` < 0) or that long after it.
    std::function<void(FaultCampaign &)> meddle = nullptr;
    int meddleAfterMs = -1;
    std::string during;     // driver script run right after the last Next
    std::string afterwards; // driver script run once the wizard waits
    // Expected end state.
    std::vector<std::string> boxes; // the boxes after the two confirmations
    WizardStep step = StepUpgrade;
    Buttons buttons = CancelOnly;
    Written written = Failed;
    BackupLeft backup = NoBackup; // anything but NoBackup: asked for, an earlier file in place
};

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::set<std::string> NamesIn(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A three-part VORN 470 (firmware 4.6.0, loader 1.4.2) or a BCD VORN 460
// (firmware 3.02, loader 1.11) whose read-back and download each take about
// a second, so that it can be pulled out during either; `fault` adds keys to
// its scenario entry.
std::string Terminal(bool bcd, const std::string &fault)
{
    const std::string kind =
        bcd ? R"("model": "VORN 460 M", "versionFormat": "bcd", "firmware": "0x0302", "loader": "0x0111",
                 "deviceType": 460)"
            : R"("model": "VORN 470 M online", "versionFormat": "three-part", "firmware": "4.6.0",
                 "loader": "1.4.2", "deviceType": 470)";
    return std::string(R"("id": ")") + kTerminalId + R"(", "vendorCode": "KOTRX", "identNumber": 12345, )" +
           kind +
           R"(, "imageSize": 8192, "productId": 1136,
              "timing": {"initMs": 300, "pinMs": 400, "restartMs": 300, "manifestMs": 800,
                         "uploadBytesPerSecond": 8192, "downloadBytesPerSecond": 2048})" +
           (fault.empty() ? "" : ", " + fault);
}

// The package that fits the BCD terminal: its loader is listed, so only the
// firmware part (three-part 3.20.0, loader 1.11.0) is written.
TestPackage FirmwarePackage460()
{
    TestPackage package;
    package.terminalType = "460";
    package.parts = {BcdPart("Bootloader", 0x0302, 0x0111), ThreePartFirmware(0x031400, 0x010B00, 46002)};
    package.loaderVersions = {"1.11"};
    package.firmwareVersions = {"3.02"};
    return package;
}

} // namespace

class FaultCampaign : public DriveTest {
public:
    std::string BackupFolder() const { return folder + "/" + kBackupFolder; }
    std::string BackupPath() const { return BackupFolder() + "/" + kBackupName; }

protected:
    void RunRow(const FaultRow &row);
    // Whether the wizard tells of success: its box, its Finish button or its status text.
    bool ClaimsSuccess() const;
    void CheckNothingLost(const FaultRow &row);
    void CheckBackup(const FaultRow &row);
    uint32_t TerminalFirmware() const;
    static Versions VersionsOf(const FaultRow &row) { return row.bcd ? kBcd : kThreePart; }

    std::string packageBytes_;
};

void FaultCampaign::RunRow(const FaultRow &row)
{
    Start({Terminal(row.bcd, row.fault)});
    Pack(kPackageName, row.package);
    packageBytes_ = ReadFile(folder + "/" + kPackageName);
    const bool backup = row.backup != NoBackup;
    if (backup) {
        std::filesystem::create_directory(BackupFolder());
        std::ofstream(BackupPath(), std::ios::binary) << kEarlierBackup;
    }

    Drive(std::string("select 0\nnext\npackage ") + kPackageName + "\nnext\n" +
          (backup ? "backup " + BackupPath() : "backup off"));
    if (row.meddle && row.meddleAfterMs < 0)
        row.meddle(*this);
    const std::size_t before = BoxCount();
    Drive("next");
    if (row.meddle && row.meddleAfterMs >= 0) {
        Drive("wait " + std::to_string(row.meddleAfterMs / 1000.0));
        row.meddle(*this);
    }
    if (!row.during.empty())
        Drive(row.during);
    Follow();
    if (!row.afterwards.empty()) {
        Drive(row.afterwards);
        Follow();
    }

    std::vector<std::string> boxes = Boxes(before);
    std::erase(boxes, std::string(kReadyCaption));
    std::erase(boxes, std::string(kStartCaption));
    EXPECT_EQ(boxes, row.boxes);
    EXPECT_EQ(Dialog().currentStep, row.step);
    EXPECT_EQ(Usable(D::finishButton), row.buttons == FinishOnly);
    EXPECT_EQ(Usable(D::cancelButton), row.buttons != FinishOnly);
    EXPECT_EQ(Usable(D::nextButton), row.buttons == CancelAndNext);
    EXPECT_FALSE(Window().IsEnded());
    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        EXPECT_FALSE(Window().IsTimerActive(timer)) << "timer " << timer << " still armed";
    EXPECT_EQ(ClaimsSuccess(), row.buttons == FinishOnly);
    if (ClaimsSuccess()) {
        EXPECT_EQ(TerminalFirmware(), VersionsOf(row).firmwareOfPackage)
            << "success told of a terminal without the package's version";
    }
    CheckNothingLost(row);
}

bool FaultCampaign::ClaimsSuccess() const
{
    return Count(kSuccessCaption) > 0 || Usable(D::finishButton) ||
           Text(D::statusText).find(kFirmwareSucceededText) != std::string::npos ||
           Text(D::statusText).find(kConfigurationSucceededText) != std::string::npos;
}

uint32_t FaultCampaign::TerminalFirmware() const
{
    uint32_t firmware = 0, loader = 0, type = 0;
    uint16_t extra = 0;
    char ident[130] = {};
    return GetwBCDDeviceFWVersion(kTerminalId, 16, &firmware, &loader, &type, &extra, ident) == 0 ? firmware
                                                                                                  : 0;
}

void FaultCampaign::CheckNothingLost(const FaultRow &row)
{
    EXPECT_TRUE(ReadFile(folder + "/" + kPackageName) == packageBytes_) << "the package file changed";
    CheckBackup(row);
    if (row.written == Nothing) {
        uint32_t bytes = 0, percent = 0, phase = 0;
        int32_t status = 0;
        EXPECT_EQ(GetUpgradeStatus(&bytes, &percent, &phase, &status), UPG_HOST_ERROR)
            << "a part was started";
        EXPECT_EQ(tvxdfu::sim::ConfigurationChangeCount(), 0u);
    }

    // Long enough for a restarting terminal to return and the return timer
    // to give up; one that left is plugged in again to be asked. Whatever
    // the wizard makes of its return, it claims no success it cannot see.
    Drive("wait 65");
    tvxdfu::sim::PlugTerminal(kTerminalId);
    Drive("wait 5");
    uint32_t firmware = 0, loader = 0;
    ReadTerminal(kTerminalId, &firmware, &loader);
    const Versions versions = VersionsOf(row);
    EXPECT_EQ(firmware, row.written == Upgraded ? versions.firmwareOfPackage : versions.firmwareBefore);
    EXPECT_EQ(loader, row.written == Upgraded ? versions.loaderAfter : versions.loaderBefore);
    if (ClaimsSuccess()) {
        EXPECT_EQ(firmware, versions.firmwareOfPackage)
            << "success told of a terminal without the package's version";
    }
}

void FaultCampaign::CheckBackup(const FaultRow &row)
{
    std::set<std::string> expected = {kPackageName};
    if (row.backup != NoBackup)
        expected.insert(kBackupFolder);
    EXPECT_EQ(NamesIn(folder), expected) << "files left beside the package";
    switch (row.backup) {
    case NoBackup:
    case FolderTaken: // nothing was written where the folder was
        return;
    case TargetIsFolder:
        EXPECT_EQ(NamesIn(BackupFolder()), std::set<std::string>{kBackupName})
            << "files left beside the backup";
        EXPECT_TRUE(std::filesystem::is_empty(BackupPath()));
        return;
    case EarlierKept:
        EXPECT_EQ(NamesIn(BackupFolder()), std::set<std::string>{kBackupName})
            << "files left beside the backup";
        break;
    case Complete: // the earlier backup stays beside the new one
        EXPECT_EQ(NamesIn(BackupFolder()),
                  (std::set<std::string>{kBackupName, kBackupName + std::string("~")}))
            << "files left beside the backup";
        EXPECT_EQ(ReadFile(BackupPath() + "~"), kEarlierBackup) << "the earlier backup was not kept";
        break;
    }

    const std::string bytes = ReadFile(BackupPath());
    if (row.backup == EarlierKept) {
        EXPECT_EQ(bytes, kEarlierBackup) << "the earlier backup was touched";
        return;
    }
    ASSERT_EQ(bytes.size(), kImageSize + tvx::kDfuSuffixLength);
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.data());
    tvx::DfuSuffix suffix;
    ASSERT_TRUE(tvx::ReadDfuSuffix(data, bytes.size(), &suffix));
    EXPECT_TRUE(tvx::DfuSuffixCrcMatches(data, bytes.size()));
    EXPECT_EQ(suffix.idVendor, tvx::kVornVendorId);
    EXPECT_EQ(suffix.idProduct, 1136);
    // The image before the upgrade: its header states the old firmware.
    if (row.bcd) {
        EXPECT_EQ(suffix.bcdDevice, 0x0302);
        EXPECT_EQ(data[224] | data[225] << 8, 0x0302);
    } else {
        EXPECT_EQ(data[352] | data[353] << 8 | data[354] << 16, 0x040600);
    }
}

namespace {

std::string PhaseFault(const char *phase, int percent, int status)
{
    return std::string(R"("fault": {"phase": ")") + phase + R"(", "atPercent": )" + std::to_string(percent) +
           R"(, "status": )" + std::to_string(status) + "}";
}

FaultRow Row(std::string name, std::string fault, std::vector<std::string> boxes, Written written,
             Buttons buttons = CancelOnly)
{
    FaultRow row;
    row.name = std::move(name);
    row.fault = std::move(fault);
    row.boxes = std::move(boxes);
    row.written = written;
    row.buttons = buttons;
    return row;
}

FaultRow WithBackup(FaultRow row, BackupLeft left)
{
    row.backup = left;
    return row;
}

// The same fault on the BCD terminal, with the package that fits it.
FaultRow OnBcdTerminal(FaultRow row)
{
    row.name += ", BCD terminal";
    row.bcd = true;
    row.package = FirmwarePackage460();
    return row;
}

FaultRow During(FaultRow row, std::string script)
{
    row.during = std::move(script);
    return row;
}

FaultRow Meddling(FaultRow row, int afterMs, std::function<void(FaultCampaign &)> meddle)
{
    row.meddleAfterMs = afterMs;
    row.meddle = std::move(meddle);
    return row;
}

std::string StatusBox(int status)
{
    const int64_t textId = int64_t{status} + 192;
    return textId >= 102 && textId <= 129 ? EnglishText(static_cast<unsigned>(textId)) : kDeviceAbortText;
}

void TakeBackupFolderAway(FaultCampaign &test)
{
    std::filesystem::remove_all(test.BackupFolder());
    std::ofstream(test.BackupFolder()) << "a file where the backup folder was";
}

void PutFolderAtBackupPath(FaultCampaign &test)
{
    std::filesystem::remove(test.BackupPath());
    std::filesystem::create_directory(test.BackupPath());
}

// The BCD terminal given a firmware part whose header states no version: it
// keeps its BCD firmware 3.02 and is not upgraded.
FaultRow BcdTerminalKeepingItsVersion(const char *when, const char *fault)
{
    FaultRow row =
        OnBcdTerminal(Row(std::string("image that states no firmware version, ") + when, fault, {}, Failed));
    row.package.parts.back() = ThreePartFirmware(0, 0x010B00, 46002);
    return row;
}

std::vector<FaultRow> Rows()
{
    const std::string unplug = std::string("unplug ") + kTerminalId;
    const std::string success = kSuccessCaption;
    const std::string unconfirmed = EnglishText(159);
    std::vector<FaultRow> rows = {
        WithBackup(Row("no fault", "", {success}, Upgraded, FinishOnly), Complete),
        Row("PIN prompts, then success", R"("pin": ["adjust-display", "wrong", "wrong"])", {success},
            Upgraded, FinishOnly),
        // A scripted status in every phase.
        Row("initialising fails", PhaseFault("init", 50, -84), {StatusBox(-84)}, Failed),
        Row("PIN entry fails", PhaseFault("pin", 50, -84) + R"(, "pin": ["wrong"])", {StatusBox(-84)},
            Failed),
        WithBackup(Row("read-back fails", PhaseFault("upload", 50, -84), {StatusBox(-84)}, Failed),
                   EarlierKept),
        WithBackup(
            Row("read-back fails at its end", PhaseFault("upload", 100, -84), {StatusBox(-84)}, Failed),
            EarlierKept),
        WithBackup(Row("download fails after the read-back", PhaseFault("download", 10, -84),
                       {StatusBox(-84)}, Failed),
                   Complete),
        Row("manifestation fails", PhaseFault("manifest", 50, -84), {StatusBox(-84)}, Failed),
        // The backup cannot be written: refused at the start, or failing
        // when the read-back is done.
        WithBackup(Meddling(Row("backup folder gone before the start", "", {EnglishText(152)}, Nothing), -1,
                            TakeBackupFolderAway),
                   FolderTaken),
        WithBackup(Meddling(Row("backup folder gone during the read-back", "", {StatusBox(-72)}, Failed), 800,
                            TakeBackupFolderAway),
                   FolderTaken),
        WithBackup(Meddling(Row("a folder at the backup path", "", {StatusBox(-72)}, Failed), 800,
                            PutFolderAtBackupPath),
                   TargetIsFolder),
        // The terminal takes long to return, or never does. Its arrival ends
        // the run without the success box; the return timer's read with it.
        Row("returns after 10 s", R"("fault": {"returnAfterMs": 10000})", {}, Upgraded, FinishOnly),
        Row("returns after 45 s", R"("fault": {"returnAfterMs": 45000})", {}, Upgraded, FinishOnly),
        Row("never returns", R"("fault": {"returns": false})", {unconfirmed}, Upgraded),
    };
    FaultRow late = Row("returns after the wizard gave up", R"("fault": {"returnAfterMs": 100000})",
                        {unconfirmed}, Upgraded, FinishOnly);
    late.afterwards = "wait 60";
    rows.push_back(late);

    // Every status a part can end with, and some no terminal should send.
    for (int status = -90; status <= -63; ++status)
        rows.push_back(Row("download status " + std::to_string(status), PhaseFault("download", 50, status),
                           {StatusBox(status)}, Failed));
    for (int status : {-91, -62, -1, 1, 255, INT32_MIN, INT32_MAX})
        rows.push_back(Row("download status " + std::to_string(status), PhaseFault("download", 50, status),
                           {StatusBox(status)}, Failed));
    // Every way the PIN entry can end without success.
    const std::pair<const char *, int> pinEnds[] = {
        {"error", -69},      {"aborted", -68},     {"timeout-1min", -67}, {"timeout-10min", -66},
        {"timeout-1h", -65}, {"timeout-24h", -64}, {"timeout-entry", -63}};
    for (const auto &[end, status] : pinEnds)
        rows.push_back(Row(std::string("PIN ") + end,
                           std::string(R"("pin": ["adjust-display", ")") + end + "\"]", {StatusBox(status)},
                           Failed));

    // The terminal leaves the bus: scripted, and pulled out by hand in
    // every phase that has a part under way.
    for (int percent : {0, 1, 50, 99, 100})
        rows.push_back(Row("unplugged at " + std::to_string(percent) + " %",
                           R"("fault": {"unplugAtPercent": )" + std::to_string(percent) + "}",
                           {StatusBox(-72)}, Failed));
    rows.push_back(Row("unplugged with status -84", R"("fault": {"unplugAtPercent": 50, "status": -84})",
                       {StatusBox(-84)}, Failed));
    rows.push_back(
        During(Row("pulled out while initialising", "", {StatusBox(-72)}, Failed), "wait 0.1\n" + unplug));
    rows.push_back(
        During(Row("pulled out at a PIN prompt", R"("pin": ["wrong", "wrong"])", {StatusBox(-72)}, Failed),
               "wait 0.5\n" + unplug));
    rows.push_back(WithBackup(
        During(Row("pulled out during the read-back", "", {StatusBox(-72)}, Failed), "wait 0.8\n" + unplug),
        EarlierKept));
    rows.push_back(
        During(Row("pulled out during the download", "", {StatusBox(-72)}, Failed), "wait 0.8\n" + unplug));

    // Start results: nothing is written, an earlier backup stays as it was.
    const std::tuple<const char *, const char *, unsigned, WizardStep, bool> starts[] = {
        {"0xDF550001", "host error", 152, StepUpgrade, false},
        {"0xDF550002", "out of memory", 153, StepUpgrade, false},
        {"0xDF550003", "no device", 154, StepUpgrade, false},
        {"0xDF550004", "vendor mismatch", 155, StepSelectPackage, true},
        {"0xDF550006", "connect failed", 143, StepSelectDevice, true},
        {"0xDF550007", "no descriptor", 144, StepUpgrade, false},
        {"0xDF550009", "no upload", 146, StepBackup, true},
        {"0xDF55000D", "CRC mismatch", 150, StepUpgrade, false},
        {"0xDF550042", "unnamed code of the family", 151, StepUpgrade, false},
        {"0x00000005", "code outside the family", 151, StepUpgrade, false},
    };
    for (const auto &[code, name, text, step, next] : starts) {
        FaultRow row = WithBackup(Row(std::string("start result ") + name,
                                      std::string(R"("fault": {"startResult": ")") + code + "\"}",
                                      {EnglishText(text)}, Nothing, next ? CancelAndNext : CancelOnly),
                                  EarlierKept);
        row.step = step;
        rows.push_back(row);
    }

    // The wizard's own checks refuse the package: nothing is written.
    FaultRow unsupported =
        WithBackup(Row("terminal's version not named by the package", "",
                       {"Your device's current version cannot be upgraded with this PPU package.\n\n"
                        "If you are trying to upgrade a 460M device, please remember that you must "
                        "first upgrade by using FW3.02_VORN_460_M_plus.ppu and then upgrade by "
                        "using FW3.19_VORN_460_M_plus.ppu"},
                       Nothing),
                   EarlierKept);
    unsupported.package.firmwareVersions = {"4.5.1"};
    rows.push_back(unsupported);
    FaultRow bcdHeader = WithBackup(
        Row("firmware part with a BCD header", "", {"Unexpected firmware format"}, Nothing), EarlierKept);
    bcdHeader.package.parts = {BcdPart("Firmware", 0x0470, 0x0142)};
    rows.push_back(bcdHeader);

    // The terminal comes back with another version than the package's: its
    // image states none, so the terminal keeps the one it had.
    // Read at once, and on its late arrival.
    const std::pair<const char *, const char *> returns[] = {
        {"back at once", ""},
        {"back after 10 s", R"("fault": {"returnAfterMs": 10000})"},
        {"back after 45 s", R"("fault": {"returnAfterMs": 45000})"},
    };
    for (const auto &[when, fault] : returns) {
        FaultRow row = Row(std::string("image that states no firmware version, ") + when, fault, {}, Failed);
        row.package.parts = {ThreePartFirmware(0, 0x010402, 12346)};
        rows.push_back(row);
    }
    rows.push_back(BcdTerminalKeepingItsVersion("back at once", ""));

    // The BCD terminal's own paths through the same faults.
    for (const FaultRow &row : {
             WithBackup(Row("no fault", "", {success}, Upgraded, FinishOnly), Complete),
             WithBackup(Row("read-back fails", PhaseFault("upload", 50, -84), {StatusBox(-84)}, Failed),
                        EarlierKept),
             Row("download fails", PhaseFault("download", 50, -84), {StatusBox(-84)}, Failed),
             Row("unplugged at 50 %", R"("fault": {"unplugAtPercent": 50})", {StatusBox(-72)}, Failed),
             Row("returns after 10 s", R"("fault": {"returnAfterMs": 10000})", {}, Upgraded, FinishOnly),
             Row("never returns", R"("fault": {"returns": false})", {unconfirmed}, Upgraded),
         })
        rows.push_back(OnBcdTerminal(row));
    return rows;
}

} // namespace

TEST_F(FaultCampaign, EveryScriptedFaultEndsCleanlyAndLosesNothing)
{
    for (const FaultRow &row : Rows()) {
        SCOPED_TRACE(row.name);
        RunRow(row);
        TearDown();
        SetUp();
    }
}

// A BCD terminal read on its late arrival gets the same final check as one
// read at once: still at its old firmware, it is no success.
TEST_F(FaultCampaign, BcdTerminalBackLateWithoutThePackagesVersionIsNoSuccess)
{
    for (const FaultRow &row :
         {BcdTerminalKeepingItsVersion("back after 10 s", R"("fault": {"returnAfterMs": 10000})"),
          BcdTerminalKeepingItsVersion("back after 45 s", R"("fault": {"returnAfterMs": 45000})")}) {
        SCOPED_TRACE(row.name);
        RunRow(row);
        TearDown();
        SetUp();
    }
}
