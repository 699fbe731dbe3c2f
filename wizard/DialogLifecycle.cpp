// The wizard window's life: construction, the one-time initialisation when it
// opens, and its destruction.
#include <cstring>

#include "CTVXUpgradeDlg.h"
#include "Package.h"
#include "Resources.h"

namespace {

constexpr const char *kAboutEntryText = "Inf&o VORN 470 M online Firmware-Update...";

// The device, version and progress state a fresh dialog starts with.
void ResetDeviceState(CTVXUpgradeDlg &dlg)
{
    dlg.selectedDeviceNumber = 0;
    dlg.selectedProductInfo.clear();
    dlg.threePartVersion = 0;
    dlg.deviceInDfuMode = 0;
    dlg.secondVendorDevice = 0;
    dlg.deviceType = 0;
    dlg.deviceExtraValue = 0;
    std::memset(dlg.deviceIdentText, 0, sizeof dlg.deviceIdentText);
    dlg.firmwareVersionBefore = 0;
    dlg.loaderVersionBefore = 0;
    dlg.firmwareVersion3 = 0;
    dlg.loaderVersion3 = 0;
    dlg.firmwareVersionText.clear();
    dlg.loaderVersionText.clear();

    dlg.packageFirmwareText.clear();
    dlg.packageLoaderText.clear();
    dlg.packageFirmwareVersion3 = 0;
    dlg.packageLoaderVersion3 = 0;
    dlg.packageIdentNumber = 0;
    dlg.deviceIdentNumber = 0;
    dlg.loaderListed = 0;
    dlg.loaderStageNeeded = 0;

    dlg.expectedFirmwareVersion = 0;
    dlg.expectedLoaderVersion = 0;
    dlg.upgradeStage = StageIdle;
    dlg.downloadComplete = 0;
    dlg.finalVersionRead = 0;
    dlg.manifesting = 0;
    dlg.returnAttempts = 0;
    dlg.upgradeFailure = 0;
    dlg.pendingResultText.clear();
    dlg.progressTimerId = 0;
    dlg.spinnerTimerId = 0;
    dlg.returnTimerId = 0;

    dlg.deviceFirmwareVersion = 0;
    dlg.deviceLoaderVersion = 0;
    dlg.deviceFirmwareVersion3 = 0;
    dlg.deviceLoaderVersion3 = 0;
    dlg.deviceFirmwareText.clear();
    dlg.deviceLoaderText.clear();
    dlg.busy = 0;
}

void SetUpDeviceList(CTVXUpgradeDlg &dlg)
{
    std::memset(dlg.selectedDeviceId, 0, sizeof dlg.selectedDeviceId);
    // Registered once for the dialog's life; a failed registration leaves a
    // null handle and the wizard goes on without hot-plug events.
    dlg.readerNotification = tvx::RegisterDeviceNotification(dlg, tvx::kSmartCardReaderInterface);
    dlg.usbNotification = tvx::RegisterDeviceNotification(dlg, tvx::kUsbDeviceInterface);

    tvx::DialogWindow &window = dlg.window;
    constexpr int list = CTVXUpgradeDlg::deviceList;
    window.ListInsertColumn(list, 0, dlg.localText(96));
    window.ListInsertColumn(list, 1, dlg.localText(97));
    window.ListInsertColumn(list, 2, dlg.localText(98));
    window.ListColumnWidthToHeader(list, 0);
    // The product text is the long one: four times its header's width.
    const int productWidth = window.ListColumnWidthToHeader(list, 1);
    window.ListSetColumnWidth(list, 1, static_cast<uint16_t>(productWidth * 4));
    window.ListColumnWidthToHeader(list, 2);
    dlg.RefreshDeviceList();
}

} // namespace

CTVXUpgradeDlg::CTVXUpgradeDlg(tvx::DialogWindow &window, MonitorMemory &monitor, tvx::SleepInhibitor &sleepLock)
    : window(window), monitor(monitor), sleepLock(sleepLock), bannerBitmap(tvx::kBannerBitmapId), appIcon(tvx::kAppIconId)
{
}

CTVXUpgradeDlg::~CTVXUpgradeDlg()
{
    // A dialog destroyed while still open must not be left registered for
    // device events that would reach a dead object.
    UnregisterNotifications();
    sleepLock.Release();
    FreePackage(loadedPackage);
}

int CTVXUpgradeDlg::DoModal() { return window.RunModal(*this); }

bool CTVXUpgradeDlg::OnInitDialog()
{
    ResetDeviceState(*this);

    window.SetControlImage(bannerPicture, bannerBitmap);

    languageOffset = ComputeLanguageOffset();
    window.SetCaption(ByLanguage("VORN 470 M online Firmware-Update Wizard",
                                 "VORN 470 M online Firmware-Update Assistent",
                                 "Assistant de mise à jour configuration pour lecteurs de carte VORN eHealth"));

    window.AddSystemMenuEntry(kAboutCommandId, kAboutEntryText); // a window without one skips it
    window.SetIcon(appIcon);

    window.SetControlText(stepGroup, localText(170));
    window.SetControlText(infoGroup, localText(175));
    window.SetControlText(backupCheck, localText(176));
    window.SetControlText(infoLabels, localText(177));
    window.SetControlText(searchButton, localText(178));
    window.SetControlText(nextButton, localText(179));
    window.SetControlText(hintText, localText(183));
    window.SetControlText(finishButton, localText(181));
    window.SetControlText(cancelButton, localText(182));
    window.SetControlText(downloadFileText, "");
    window.SetControlText(partCounterText, "");

    packageLoaderVersion = 0;
    loaderOnlyPackage = 0;
    loadedPackage = nullptr;
    startConfirmed = 0;

    if (window.ListColumnCount(deviceList) == 0)
        SetUpDeviceList(*this);

    window.ComboReset(packageCombo);
    packageFirmwareVersion = 0xFFFF;
    packagePath.clear();
    backupPath.clear();

    ApplyConfiguration();
    if (packagePath.size() >= 4) {
        // A batch begins with a package chosen: its backup goes beside it.
        backupPath = packagePath.substr(0, packagePath.size() - 4) + "bak.bak";
        window.ComboAddString(backupCombo, backupPath);
        window.ComboSetSelection(backupCombo, window.ComboCount(backupCombo) - 1);
    }

    dfuAttributes = 0;
    window.SetControlText(statusText, "");
    window.ShowControl(uploadText, false);
    window.SetControlText(downloadText, "");
    window.ShowControl(downloadText, false);
    window.SetControlText(slashText, "");
    window.ShowControl(slashText, false);

    window.SetProgressRange(progressBar, 0, 100);
    window.SetProgressPosition(progressBar, 0);

    statusFont = tvx::FontSpec{"Arial", 12, 400};
    window.SetControlFont(statusText, statusFont);

    window.FocusControl(deviceList);

    if (ShowWelcomeBox() != 1 || ShowPreparationBox() != 1)
        CancelWithMessage(0);
    return false;
}
