// The upgrade sequence of one part: re-read the terminal, run the checks in
// their fixed order, confirm once per run, hand the part to the library.
#include "CTVXUpgradeDlg.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "TextFormat.h"
#include "Versions.h"

namespace {

void ToUpperInPlace(char *text)
{
    for (; *text; ++text)
        *text = static_cast<char>(std::toupper(static_cast<unsigned char>(*text)));
}

} // namespace

void CTVXUpgradeDlg::StartUpgrade(PackageEntry *part)
{
    if (!part)
        return;
    currentPart = part;

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
        code = TVXDeviceFirmwareUpgrade(selectedDeviceId, 16, part,
                                        backupPath.empty() ? nullptr : backupPath.c_str());
    ReportUpgradeResult(code, code == UPG_RESTART_WITH_PART ? startNode : nullptr);
}

UpgradeResult CTVXUpgradeDlg::ReReadDeviceVersion()
{
    pendingResultText.clear();
    returnAttempts = 0;
    upgradeFailure = 0;
    expectedFirmwareVersion = packageFirmwareVersion;
    expectedLoaderVersion = packageLoaderVersion;
    downloadComplete = 0;
    finalVersionRead = 0;
    SetBusy(true);

    if (selectedDeviceNumber == 0) {
        // A device event cleared the selection: find the terminal by its ID.
        bool found = false;
        for (int row = 0; row < window.ListRowCount(deviceList) && !found; ++row) {
            std::string rowId = window.ListItemText(deviceList, row, 2).substr(0, 16);
            std::transform(rowId.begin(), rowId.end(), rowId.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            ToUpperInPlace(selectedDeviceId);
            found = rowId.find(selectedDeviceId) != std::string::npos;
        }
        if (!found)
            return UPG_DEVICE_REMOVED;
    }

    window.EnableControl(cancelButton, false);
    window.EnableControl(nextButton, false);
    window.ShowControl(hintText, false);
    if (!window.IsControlVisible(statusText))
        window.ShowControl(statusText, true);
    window.SetControlText(statusText, localText(162));

    uint32_t firmware = 0, loader = 0, type = 0;
    const uint32_t result = GetwBCDDeviceFWVersion(selectedDeviceId, 16, &firmware, &loader, &type,
                                                   &deviceExtraValue, deviceIdentText);
    deviceIdentText[sizeof deviceIdentText - 1] = '\0';
    if (result != 0)
        return result;
    if (type != 0)
        deviceType = type & ~1u; // an odd type marks the second vendor's variant

    if (threePartVersion != 1) {
        if (firmware != 0)
            firmwareVersionBefore = static_cast<uint16_t>(firmware);
        loaderVersionBefore = static_cast<uint16_t>(loader);
        if (!IsValidBcdVersion(firmwareVersionBefore)) {
            localMessageBox(159, tvx::MB_ICONERROR);
            return 0xFFFFFFFFu;
        }
        if (!IsValidBcdVersion(static_cast<uint16_t>(loader)))
            loaderVersionBefore = 0;
        window.SetControlText(statusText, window.ControlText(statusText) +
                                              Format("\n\n Firmware Version: V%x.%.2hx ",
                                                     firmwareVersionBefore >> 8u,
                                                     static_cast<unsigned short>(firmwareVersionBefore & 0xFFu)));
    } else {
        uint32_t identNumber = 0;
        if (firmware > 0 && ReadDeviceIdentNumber(deviceIdentText, &identNumber) == 0)
            deviceIdentNumber = identNumber;
        std::string line;
        if (firmwareVersion3 != 0)
            line = Format("\n\n Firmware Version: V %d.%d.%d", (firmwareVersion3 >> 16) & 0xFF,
                          (firmwareVersion3 >> 8) & 0xFF, firmwareVersion3 & 0xFF);
        else if (loaderVersion3 != 0)
            line = Format("\n\n Loader Version: V %d.%d.%d", (loaderVersion3 >> 16) & 0xFF,
                          (loaderVersion3 >> 8) & 0xFF, loaderVersion3 & 0xFF);
        window.SetControlText(statusText, window.ControlText(statusText) + line);
    }
    return 0;
}

UpgradeResult CTVXUpgradeDlg::ConfirmUpgradeStart()
{
    if (startConfirmed != 1) {
        if (ShowReadyBox() != 1 || ShowStartBox() != 1)
            return UPG_USER_CANCELLED;
        startConfirmed = 1;
    }
    // Taken before every part, so that a run that goes on after the lock was
    // given back holds it again; the end of the run gives it back.
    sleepLock.Hold(ByLanguage("The firmware of a card terminal is being written. An interruption can leave the "
                              "terminal unusable.",
                              "Die Firmware eines Kartenterminals wird geschrieben. Eine Unterbrechung kann das "
                              "Terminal unbrauchbar machen.",
                              "Le firmware d'un lecteur de cartes est en cours d'écriture. Une interruption peut "
                              "rendre le lecteur inutilisable."));
    return 0;
}
