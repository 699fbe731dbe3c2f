// The window's events, each handed to the operation that deals with it.
#include "wizard/CTVXUpgradeDlg.h"

void CTVXUpgradeDlg::OnButtonClicked(int id)
{
    switch (id) {
    case finishButton:
        OnOK();
        break;
    case cancelButton:
        OnCancel();
        break;
    case searchButton:
        OnSearchClicked();
        break;
    case backButton:
        OnBackClicked();
        break;
    case backupCheck:
        OnBackupCheckClicked();
        break;
    case nextButton:
        OnNextClicked();
        break;
    default:
        break;
    }
}

void CTVXUpgradeDlg::OnComboSelChange(int id)
{
    if (id == packageCombo)
        OnPackageSelChange();
    else if (id == backupCombo)
        OnBackupSelChange();
}

void CTVXUpgradeDlg::OnListItemChanged(int id, int row, unsigned oldState, unsigned newState)
{
    if (id == deviceList)
        OnDeviceSelectionChanged(row, oldState, newState);
}

void CTVXUpgradeDlg::OnTimer(unsigned id)
{
    switch (id) {
    case ProgressTimer:
        OnProgressTimer();
        break;
    case SpinnerTimer:
        OnSpinnerTimer(false);
        break;
    case ReturnTimer:
        OnReturnTimer();
        break;
    default:
        break;
    }
}
