// Drives a dialog program of another process as a person and the system
// would, by window messages: buttons clicked, list rows selected, texts and
// states read. Where a message carries a pointer, the structure lives in
// the other process's memory.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class WindowDriver {
public:
    explicit WindowDriver(HANDLE process) : process_(process) {}

    // The process's visible dialogs (class #32770), the wizard among them.
    std::vector<HWND> Dialogs(DWORD processId) const;

    static std::string Text(HWND window);
    static bool Usable(HWND control) { return IsWindowVisible(control) && IsWindowEnabled(control); }
    // As the button tells its dialog of a click.
    static void Click(HWND button)
    {
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    }

    int ListRowCount(HWND list) const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::string ListItemText(HWND list, int row, int column) const;
    void ListSelectRow(HWND list, int row) const;

    // The window as it stands on the screen, as a 24-bit BMP file.
    static bool SaveScreenshot(HWND window, const std::string &path);

private:
    HANDLE process_;
};
