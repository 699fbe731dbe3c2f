// The ways out of the wizard, and the busy state that keeps the wait cursor.
#include "wizard/CTVXUpgradeDlg.h"

#include <initializer_list>

void CTVXUpgradeDlg::UnregisterNotifications()
{
    // Each registration is given back once, whichever way out comes first.
    tvx::UnregisterDeviceNotification(readerNotification);
    readerNotification = nullptr;
    tvx::UnregisterDeviceNotification(usbNotification);
    usbNotification = nullptr;
}

void CTVXUpgradeDlg::StopTimers()
{
    // Changes: run.
    // A tick that still arrives finds its id cleared and does nothing.
    for (unsigned *id : {&run.progressTimerId, &run.spinnerTimerId, &run.returnTimerId}) {
        if (*id != 0)
            window.KillTimer(*id);
        *id = 0;
    }
}

void CTVXUpgradeDlg::OnOK()
{
    StopTimers();
    UnregisterNotifications();
    sleepLock.Release();
    window.EndDialog(tvx::IDOK);
}

void CTVXUpgradeDlg::OnCancel()
{
    StopTimers();
    UnregisterNotifications();
    sleepLock.Release();
    window.ShowControl(hintText, false);
    window.EndDialog(tvx::IDCANCEL);
}

void CTVXUpgradeDlg::CancelWithMessage(int kind)
{
    StopTimers();
    UnregisterNotifications();
    sleepLock.Release();
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
