// The ways out of the wizard, and the busy state that keeps the wait cursor.
#include "CTVXUpgradeDlg.h"

void CTVXUpgradeDlg::UnregisterNotifications()
{
    // Each registration is given back once, whichever way out comes first.
    tvx::UnregisterDeviceNotification(readerNotification);
    readerNotification = nullptr;
    tvx::UnregisterDeviceNotification(usbNotification);
    usbNotification = nullptr;
}

void CTVXUpgradeDlg::OnOK()
{
    UnregisterNotifications();
    window.EndDialog(tvx::IDOK);
}

void CTVXUpgradeDlg::OnCancel()
{
    UnregisterNotifications();
    window.ShowControl(hintText, false);
    window.EndDialog(tvx::IDCANCEL);
}

void CTVXUpgradeDlg::CancelWithMessage(int kind)
{
    UnregisterNotifications();
    window.ShowControl(hintText, false);
    ShowAbortBox(kind);
    window.EndDialog(tvx::IDCANCEL);
}

bool CTVXUpgradeDlg::OnSetCursor()
{
    if (!busy)
        return false;
    window.SetWaitCursor(true);
    return true;
}

void CTVXUpgradeDlg::SetBusy(bool on)
{
    busy = on ? 1 : 0;
    window.SetWaitCursor(on);
}
