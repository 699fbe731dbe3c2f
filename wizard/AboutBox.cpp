#include "wizard/AboutBox.h"

#include "res/Resources.h"
#include "wizard/CTVXUpgradeDlg.h"

bool CAboutDlg::OnInitDialog()
{
    // The same texts in every language.
    window.SetControlText(textControl, "VORN 470 M online\nVersion 2.0.0.3");
    window.SetCaption("Info VORN 470 M online Firmware-Update");
    window.SetControlImage(pictureControl, tvx::kAboutBitmapId);
    return true;
}

void CAboutDlg::OnButtonClicked(int id)
{
    // OK, or Escape and the close command, which arrive as Cancel.
    if (id == tvx::IDOK || id == tvx::IDCANCEL)
        window.EndDialog(id);
}

void CTVXUpgradeDlg::OnSysCommand(unsigned id)
{
    // The low four bits of a system command are the platform's own; every
    // other command is the window's default handling.
    if ((id & ~0xFu) != kAboutCommandId)
        return;
    if (auto box = window.CreateDialog(tvx::kAboutTemplateId)) {
        CAboutDlg about(*box);
        about.DoModal();
    }
}
