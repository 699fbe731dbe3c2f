// The wizard window's life: construction, the one-time initialisation when it
// opens, and its destruction.
#include "package/Package.h"
#include "res/Resources.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

constexpr const char *kAboutEntryText = "Inf&o VORN 470 M online Firmware-Update...";

void SetUpDeviceList(CTVXUpgradeDlg &dlg)
{
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

CTVXUpgradeDlg::CTVXUpgradeDlg(tvx::DialogWindow &dialogWindow, MonitorMemory &memory,
                               tvx::SleepInhibitor &inhibitor)
    : window(dialogWindow), monitor(memory), sleepLock(inhibitor), bannerBitmap(tvx::kBannerBitmapId),
      appIcon(tvx::kAppIconId)
{
}

CTVXUpgradeDlg::~CTVXUpgradeDlg()
{
    // A dialog destroyed while still open must not be left registered for
    // device events that would reach a dead object.
    UnregisterNotifications();
    sleepLock.Release();
    FreePackage(package.loadedPackage);
}

int CTVXUpgradeDlg::DoModal()
{
    return window.RunModal(*this);
}

bool CTVXUpgradeDlg::OnInitDialog()
{
    // Changes: terminal, package, run, afterPart, busy; the configuration
    // file read below sets batch and may choose the first package.
    FreePackage(package.loadedPackage);
    terminal = {};
    package = {};
    run = {};
    afterPart = {};
    busy = 0;

    window.SetControlImage(bannerPicture, bannerBitmap);

    languageOffset = ComputeLanguageOffset();
    window.SetCaption(
        ByLanguage("VORN 470 M online Firmware-Update Wizard", "VORN 470 M online Firmware-Update Assistent",
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

    if (window.ListColumnCount(deviceList) == 0)
        SetUpDeviceList(*this);

    window.ComboReset(packageCombo);

    ApplyConfiguration();
    if (package.packagePath.size() >= 4) {
        // A batch begins with a package chosen: its backup goes beside it.
        package.backupPath = package.packagePath.substr(0, package.packagePath.size() - 4) + "bak.bak";
        window.ComboAddString(backupCombo, package.backupPath);
        window.ComboSetSelection(backupCombo, window.ComboCount(backupCombo) - 1);
    }

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
