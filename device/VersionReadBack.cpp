// Reading the terminal after a part: at once, through the return timer up to
// twice, and the final check of the run's last part.
#include "wizard/CTVXUpgradeDlg.h"

#include "device/UpgradeTexts.h"
#include "versions/Versions.h"

namespace {

constexpr uint32_t kThreePartFlag = 0x01000000u;
constexpr uint32_t kUnreadable = 0xFFFFFFFFu;
constexpr uint32_t kMaxReturnAttempts = 2;

} // namespace

bool CTVXUpgradeDlg::ReadTerminalAfterPart(uint32_t *firmware, uint32_t *loader, uint32_t *type)
{
    // Changes: terminal, afterPart.
    afterPart.deviceFirmwareVersion = 0;
    *firmware = *loader = *type = 0;
    const uint32_t result = AskSelectedTerminal(firmware, loader, type);
    return result == 0 && !(*firmware == kUnreadable && *loader == kUnreadable);
}

void CTVXUpgradeDlg::StoreVersionsAfterPart(uint32_t firmware, uint32_t loader, uint32_t type)
{
    // Changes: terminal, afterPart.
    if ((firmware | loader) & kThreePartFlag) {
        terminal.threePartVersion = 1;
        afterPart.deviceFirmwareText = FormatVersion3(firmware);
        afterPart.deviceFirmwareVersion3 = firmware & 0xFFFFFFu;
        afterPart.deviceLoaderText = FormatVersion3(loader);
        afterPart.deviceLoaderVersion3 = loader & 0xFFFFFFu;
        if (type != 0) {
            terminal.secondVendorDevice = type & 1u;
            terminal.deviceType = type & ~1u;
        }
    } else {
        terminal.threePartVersion = 0;
        afterPart.deviceFirmwareVersion = static_cast<uint16_t>(firmware);
        afterPart.deviceLoaderVersion = static_cast<uint16_t>(loader);
        if (type != 0)
            terminal.deviceType = type;
    }
}

std::string CTVXUpgradeDlg::VersionLineAfterPart() const
{
    const bool loader = package.loaderOnlyPackage == 1;
    const std::string version =
        terminal.threePartVersion == 1
            ? " " + ShortVersion3(loader ? afterPart.deviceLoaderVersion3 : afterPart.deviceFirmwareVersion3)
            : ShortBcdVersion(loader ? afterPart.deviceLoaderVersion : afterPart.deviceFirmwareVersion);
    return (loader ? "\n\n Loader Version: V" : "\n\n Firmware Version: V") + version + " ";
}

void CTVXUpgradeDlg::ShowVersionAfterPart()
{
    // Changes: terminal.
    if (terminal.threePartVersion != 1) {
        ShowDeviceVersion(versionAfterText);
        return;
    }
    std::string text = window.ControlText(versionAfterText);
    if (afterPart.deviceFirmwareVersion3 != 0) {
        text = "V " + ShortVersion3(afterPart.deviceFirmwareVersion3) + " ";
        terminal.firmwareVersionText = FormatVersion3(afterPart.deviceFirmwareVersion3);
        terminal.firmwareVersion3 = afterPart.deviceFirmwareVersion3;
    }
    if (afterPart.deviceLoaderVersion3 != 0) {
        const std::string loaderText = "Loader V " + ShortVersion3(afterPart.deviceLoaderVersion3) + " ";
        terminal.loaderVersionText = FormatVersion3(afterPart.deviceLoaderVersion3);
        terminal.loaderVersion3 = afterPart.deviceLoaderVersion3;
        text = (afterPart.deviceFirmwareVersion3 != 0 && package.loaderOnlyPackage != 1)
                   ? text + " + " + loaderText
                   : loaderText;
    }
    window.SetControlText(versionAfterText, text);
}

void CTVXUpgradeDlg::ReadVersionsAfterPart(const std::string &result, int32_t status)
{
    // Changes: run.
    uint32_t firmware, loader, type;
    if (!ReadTerminalAfterPart(&firmware, &loader, &type)) {
        if (run.upgradeFailure == 0) {
            run.pendingResultText = result;
            ++run.returnAttempts;
            run.returnTimerId = window.SetTimer(ReturnTimer, kReturnPeriodMs);
        } else {
            ShowClosingButtons(1);
            SetBusy(false);
        }
        StopSpinner();
        return;
    }
    StoreVersionsAfterPart(firmware, loader, type);
    CloseReadBack(result, false, status != 0);
}

void CTVXUpgradeDlg::OnReturnTimer()
{
    // Changes: run.
    if (run.returnTimerId == 0)
        return; // a tick that was under way when the terminal came back
    window.KillTimer(ReturnTimer);
    run.returnTimerId = 0;
    if (run.finalVersionRead)
        return;

    uint32_t firmware, loader, type;
    if (!ReadTerminalAfterPart(&firmware, &loader, &type)) {
        if (run.returnAttempts < kMaxReturnAttempts) {
            ++run.returnAttempts;
            run.returnTimerId = window.SetTimer(ReturnTimer, kReturnPeriodMs);
            return;
        }
        window.SetControlText(statusText, kStorageUnconfirmedText);
        localMessageBox(159, tvx::MB_ICONERROR);
        run.upgradeStage = StageIdle;
        ShowClosingButtons(1);
        if (busy)
            SetBusy(false);
        return;
    }
    StoreVersionsAfterPart(firmware, loader, type);
    CloseReadBack("", true, run.upgradeFailure != 0);
}

void CTVXUpgradeDlg::CloseReadBack(std::string result, bool afterReturnTimer, bool partFailed)
{
    // Changes: run.
    const bool lastPart = batch.batchRemaining + package.partsRemaining == 0;
    bool checkFailed = false;
    std::string versionLine = " ";
    if (lastPart) {
        checkFailed = !VersionsMatchAfterUpgrade(afterReturnTimer);
        if (checkFailed) {
            window.SetControlText(hintText, localText(192));
            result = afterReturnTimer ? kConfigurationFailedText : kFirmwareFailedText;
        }
        versionLine = VersionLineAfterPart();
    }
    window.SetControlText(statusText, result + versionLine);
    ShowVersionAfterPart();
    StopSpinner();
    run.finalVersionRead = 1;
    run.upgradeStage = StageIdle;
    const bool failed = partFailed || checkFailed;
    ShowClosingButtons(failed ? 1 : 0);
    if (!failed && lastPart) {
        if (afterReturnTimer)
            window.SetControlText(statusText, kConfigurationSucceededText + versionLine);
        ShowSuccessBox();
    }
    SetBusy(false);
}

void CTVXUpgradeDlg::StopSpinner()
{
    // Changes: run.
    if (run.spinnerTimerId != 0)
        window.KillTimer(run.spinnerTimerId);
    run.spinnerTimerId = 0;
}
