// The upgrade sequence of one part: re-read the terminal, run the checks in
// their fixed order, confirm once per run, hand the part to the library.
#include "wizard/CTVXUpgradeDlg.h"

#include <utility>

#include "versions/Versions.h"

void CTVXUpgradeDlg::StartUpgrade(PackageEntry *part)
{
    // Changes: package.
    if (!part)
        return;
    package.currentPart = part;

    PartNode *startNode = nullptr;
    UpgradeResult code = ReReadDeviceVersion();
    if (code == 0)
        code = CheckCatalogAndHeader();
    if (code == 0)
        code = CheckPackageFitsDevice();
    if (code == 0)
        code = CheckSupportedVersions();
    if (code == 0)
        code = SelectStartPart(part, &startNode);
    if (code == 0)
        code = CheckLoaderMode();
    if (code == 0)
        code = ConfirmUpgradeStart();
    if (code == 0)
        code = TVXDeviceFirmwareUpgrade(terminal.selectedDeviceId, 16, part,
                                        package.backupPath.empty() ? nullptr : package.backupPath.c_str());
    ReportUpgradeResult(code, code == UPG_RESTART_WITH_PART ? startNode : nullptr);
}

void CTVXUpgradeDlg::BeginPart()
{
    // Changes: run, afterPart.
    // Carried over: the start confirmation, asked once per run, and the
    // stage the upgrade step set. No timer of the last part is inherited.
    StopTimers();
    RunningPart next;
    next.startConfirmed = run.startConfirmed;
    next.upgradeStage = run.upgradeStage;
    next.expectedFirmwareVersion = package.packageFirmwareVersion;
    next.expectedLoaderVersion = package.packageLoaderVersion;
    run = std::move(next);
    afterPart = {};
}

UpgradeResult CTVXUpgradeDlg::ReReadDeviceVersion()
{
    // Changes: terminal, run, afterPart.
    BeginPart();
    SetBusy(true);

    // A device event cleared the selection: the terminal must still be listed.
    if (terminal.selectedDeviceNumber == 0 && SelectedTerminalRow() < 0)
        return UPG_DEVICE_REMOVED;

    window.EnableControl(cancelButton, false);
    window.EnableControl(nextButton, false);
    window.ShowControl(hintText, false);
    if (!window.IsControlVisible(statusText))
        window.ShowControl(statusText, true);
    window.SetControlText(statusText, localText(162));

    uint32_t firmware = 0, loader = 0, type = 0;
    const uint32_t result = AskSelectedTerminal(&firmware, &loader, &type);
    if (result != 0)
        return result;
    if (type != 0)
        terminal.deviceType = type & ~1u; // an odd type marks the second vendor's variant

    if (terminal.threePartVersion != 1) {
        if (firmware != 0)
            terminal.firmwareVersionBefore = static_cast<uint16_t>(firmware);
        terminal.loaderVersionBefore = static_cast<uint16_t>(loader);
        if (!IsValidBcdVersion(terminal.firmwareVersionBefore)) {
            localMessageBox(159, tvx::MB_ICONERROR);
            return 0xFFFFFFFFu;
        }
        if (!IsValidBcdVersion(static_cast<uint16_t>(loader)))
            terminal.loaderVersionBefore = 0;
        window.SetControlText(statusText, window.ControlText(statusText) + "\n\n Firmware Version: V" +
                                              ShortBcdVersion(terminal.firmwareVersionBefore) + " ");
    } else {
        uint32_t identNumber = 0;
        if (firmware > 0 && ReadDeviceIdentNumber(terminal.deviceIdentText, &identNumber) == 0)
            terminal.deviceIdentNumber = identNumber;
        std::string line;
        if (terminal.firmwareVersion3 != 0)
            line = "\n\n Firmware Version: V " + ShortVersion3(terminal.firmwareVersion3);
        else if (terminal.loaderVersion3 != 0)
            line = "\n\n Loader Version: V " + ShortVersion3(terminal.loaderVersion3);
        window.SetControlText(statusText, window.ControlText(statusText) + line);
    }
    return 0;
}

UpgradeResult CTVXUpgradeDlg::ConfirmUpgradeStart()
{
    // Changes: run.
    if (run.startConfirmed != 1) {
        if (ShowReadyBox() != 1 || ShowStartBox() != 1)
            return UPG_USER_CANCELLED;
        run.startConfirmed = 1;
    }
    // Taken before every part, so that a run that goes on after the lock was
    // given back holds it again; the end of the run gives it back.
    sleepLock.Hold(
        ByLanguage("The firmware of a card terminal is being written. An interruption can leave the "
                   "terminal unusable.",
                   "Die Firmware eines Kartenterminals wird geschrieben. Eine Unterbrechung kann das "
                   "Terminal unbrauchbar machen.",
                   "Le firmware d'un lecteur de cartes est en cours d'écriture. Une interruption peut "
                   "rendre le lecteur inutilisable."));
    return 0;
}
