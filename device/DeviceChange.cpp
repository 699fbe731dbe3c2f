// Device arrival and removal: keeps the list current, passes events about
// the terminal being written to the library, and reads the terminal when it
// comes back after a part.
#include "wizard/CTVXUpgradeDlg.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "device/UpgradeTexts.h"
#include "versions/Versions.h"

namespace {

constexpr std::size_t kPathOffset = offsetof(tvx::DeviceInterfaceRecord, dbcc_name);

void ToLowerInPlace(char *text)
{
    for (; *text; ++text)
        *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

std::string ToLower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The record's path, or nothing when it is not terminated inside the record.
bool RecordPath(const tvx::DeviceInterfaceRecord *record, std::string *path)
{
    if (record->dbcc_size <= kPathOffset)
        return false;
    const std::size_t room = record->dbcc_size - kPathOffset;
    const std::size_t length = strnlen(record->dbcc_name, room);
    if (length >= room)
        return false;
    path->assign(record->dbcc_name, length);
    return true;
}

} // namespace

void CTVXUpgradeDlg::OnDeviceChange(unsigned eventCode, const void *record)
{
    // Changes: terminal.
    const auto *interfaceRecord = static_cast<const tvx::DeviceInterfaceRecord *>(record);
    if (!interfaceRecord || interfaceRecord->dbcc_devicetype != tvx::DBT_DEVTYP_DEVICEINTERFACE)
        return;
    terminal.selectedDeviceNumber = 0;

    if (run.upgradeStage == StageRunning) {
        ForwardDeviceChange(eventCode, interfaceRecord);
    } else if (run.upgradeStage == StageRestarting) {
        if (run.downloadComplete != 1)
            return;
        RefreshDeviceList();
        if (SelectedTerminalRow() >= 0)
            ReadReturnedTerminal(true);
    } else {
        RefreshDeviceList();
        // A terminal that returns after the monitor gave up waiting for it.
        if (run.downloadComplete == 1 && run.finalVersionRead == 0 && eventCode == tvx::DBT_DEVICEARRIVAL &&
            SelectedTerminalRow() >= 0)
            ReadReturnedTerminal(false);
    }
}

void CTVXUpgradeDlg::ForwardDeviceChange(unsigned eventCode, const tvx::DeviceInterfaceRecord *record)
{
    // Changes: terminal.
    std::string path;
    if (!RecordPath(record, &path))
        return;
    path = ToLower(path);
    ToLowerInPlace(terminal.selectedDeviceId);
    const std::size_t vendor = path.find("vid_0d7b");
    if (vendor == std::string::npos)
        return;
    bool concernsTerminal = path.find(terminal.selectedDeviceId, vendor) != std::string::npos;
    if (!concernsTerminal) {
        // A device without a serial number of its own gets an instance id
        // with '&' from the platform: it may be the terminal in loader mode.
        const std::size_t first = path.find('#', vendor);
        const std::size_t second = first == std::string::npos ? first : path.find('#', first + 1);
        concernsTerminal = second != std::string::npos &&
                           path.substr(first + 1, second - first).find('&') != std::string::npos;
    }
    if (concernsTerminal)
        ConfigurationChange(eventCode, record);
}

void CTVXUpgradeDlg::ReadReturnedTerminal(bool returnCheck)
{
    // Changes: terminal, run.
    uint32_t firmware = 0, loader = 0;
    const uint32_t read = AskSelectedTerminal(&firmware, &loader, &terminal.deviceType);
    if (read != 0 || (firmware == 0xFFFFFFFFu && loader == 0xFFFFFFFFu))
        return; // the return timer, if armed, tries again

    // The type was stored as the terminal answered; the versions as after a part.
    StoreVersionsAfterPart(firmware, loader, 0);
    // A middle part is not judged by the package's final versions: a
    // pretreatment or loader part leaves the firmware as it was.
    const bool lastPart = batch.batchRemaining + package.partsRemaining == 0;
    bool failed = run.upgradeFailure != 0;
    if (lastPart && terminal.threePartVersion != 1) {
        int comparison = 0;
        if (!CompareValidBcdVersions(run.expectedFirmwareVersion, afterPart.deviceFirmwareVersion,
                                     &comparison))
            return;
        if (comparison == -1)
            failed = true;
        else if (comparison == 1)
            failed =
                failed || package.packageFirmwareVersion != 0 ||
                CompareBcdVersions(terminal.firmwareVersionBefore, afterPart.deviceFirmwareVersion) != 0 ||
                CompareBcdVersions(run.expectedLoaderVersion, afterPart.deviceLoaderVersion) == -1;
    }
    // The run's last part gets the same final check as on the other paths:
    // the comparison above alone passes a BCD terminal that kept its old
    // firmware when the part stated no version of its own.
    if (!failed && lastPart)
        failed = !VersionsMatchAfterUpgrade(false);

    std::string result = run.pendingResultText;
    if (failed) {
        window.SetControlText(hintText, localText(192));
        result = kFirmwareFailedText;
    }
    window.SetControlText(statusText, result + VersionLineAfterPart());
    if (terminal.threePartVersion == 1 || returnCheck)
        ShowVersionAfterPart();
    else
        window.SetControlText(versionAfterText, BcdVersionAfterRefresh());

    run.finalVersionRead = 1;
    run.upgradeStage = StageIdle;
    if (run.returnTimerId != 0) {
        window.KillTimer(run.returnTimerId);
        run.returnTimerId = 0;
    }
    // After the wizard said it gave up, the user may be unplugging the
    // terminal: further parts are written only when asked for again.
    if (!returnCheck && !failed && batch.batchRemaining + package.partsRemaining != 0)
        OfferRemainingParts();
    else
        ShowClosingButtons(failed ? 1 : 0);
    if (busy)
        SetBusy(false);
}

std::string CTVXUpgradeDlg::BcdVersionAfterRefresh() const
{
    std::string text = "V" + ShortBcdVersion(afterPart.deviceFirmwareVersion) + " ";
    const std::string loader = "+ Loader V" + ShortBcdVersion(afterPart.deviceLoaderVersion) + " ";
    if (package.loaderOnlyPackage == 1)
        text += " " + loader;
    else if (IsValidBcdVersion(afterPart.deviceLoaderVersion) && afterPart.deviceLoaderVersion != 0)
        text += loader;
    return text;
}
