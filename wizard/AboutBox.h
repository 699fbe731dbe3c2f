// The About box: product name, program version and a picture, opened from
// the wizard window's system-menu entry.
#pragma once

#include "platform/DialogWindow.h"

class CAboutDlg : public tvx::DialogHandler {
public:
    enum Control : int {
        pictureControl = 1038,
        textControl = 1047,
    };

    explicit CAboutDlg(tvx::DialogWindow &dialogWindow) : window(dialogWindow) {}

    int DoModal() { return window.RunModal(*this); }

    bool OnInitDialog() override;
    void OnButtonClicked(int id) override;
    void OnComboSelChange(int) override {}
    void OnListItemChanged(int, int, unsigned, unsigned) override {}
    void OnTimer(unsigned) override {}
    void OnDeviceChange(unsigned, const void *) override {}
    void OnSysCommand(unsigned) override {}

    tvx::DialogWindow &window;
};
