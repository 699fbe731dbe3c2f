// The window layer the wizard drives: exactly the operations it needs of a
// platform. The wizard logic never sees a toolkit type; QtDialogWindow builds
// real widgets, ScriptedWindow records state for tests and the driver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tvx {

// Message-box types and answers keep their Win32 values: the wizard's rules
// are written in them.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_SYSTEMMODAL = 0x1000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// List-view item state bit of a selected row.
inline constexpr unsigned LVIS_SELECTED = 0x2;

// Check-box states.
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// File-dialog options.
inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x2;
inline constexpr unsigned OFN_HIDEREADONLY = 0x4;
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;

// Device-change event codes.
inline constexpr unsigned DBT_DEVICEARRIVAL = 0x8000;
inline constexpr unsigned DBT_DEVICEREMOVECOMPLETE = 0x8004;

struct FontSpec {
    std::string face;
    int height = 0; // logical height as the dialog font is given
    int weight = 400;
};

struct FileDialogSpec {
    bool save = false;
    std::string defaultExtension; // "ppu"
    std::string fileName;         // "*.ppu"
    std::string filter;           // "PPU Files (*.ppu) |*.ppu|All Files (*.*) |*.*||"
    unsigned options = 0;         // OFN_...
    std::string startFolder;      // "" = current directory
};

// The dialog's handlers; the window calls them on the UI thread.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // Returns false when it set the focus itself.
    virtual bool OnInitDialog() = 0;
    // Buttons, including IDOK (1) and IDCANCEL (2): Escape and the window's
    // close command arrive as a click on IDCANCEL, Enter as a click on the
    // default button, each only while that button is visible and enabled.
    virtual void OnButtonClicked(int id) = 0;
    virtual void OnComboSelChange(int id) = 0;
    virtual void OnListItemChanged(int id, int row, unsigned oldState, unsigned newState) = 0;
    virtual void OnTimer(unsigned id) = 0;
    virtual void OnDeviceChange(unsigned eventCode, const void *record) = 0;
    virtual void OnSysCommand(unsigned id) = 0;
};

class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Runs the dialog modally: OnInitDialog, then events until EndDialog.
    // ScriptedWindow runs OnInitDialog and returns; its owner feeds events.
    // Returns the end code, or -1 while a scripted dialog is still open.
    virtual int RunModal(DialogHandler &handler) = 0;
    // A new modal dialog from another template (the About box), owned by
    // this one while it runs.
    virtual std::unique_ptr<DialogWindow> CreateDialog(int templateId) = 0;
    virtual void EndDialog(int result) = 0;

    // Controls by id.
    virtual void ShowControl(int id, bool show) = 0;
    virtual bool IsControlVisible(int id) const = 0;
    virtual void EnableControl(int id, bool enable) = 0;
    virtual bool IsControlEnabled(int id) const = 0;
    virtual void SetControlText(int id, const std::string &text) = 0;
    virtual std::string ControlText(int id) const = 0;
    virtual void FocusControl(int id) = 0;
    virtual int CheckState(int id) const = 0;
    virtual void SetCheckState(int id, int state) = 0;
    virtual void SetControlFont(int id, const FontSpec &font) = 0;
    virtual void SetControlImage(int id, int imageResourceId) = 0;

    // Combo boxes.
    virtual void ComboReset(int id) = 0;
    virtual int ComboAddString(int id, const std::string &text) = 0;
    // Adds the current folder's entries for the pattern as Windows
    // lists a folder ("[..]", files, "[sub]").
    virtual void ComboAddDirectory(int id, const std::string &pattern) = 0;
    virtual int ComboSelection(int id) const = 0; // -1 = none
    virtual void ComboSetSelection(int id, int index) = 0;
    virtual int ComboCount(int id) const = 0;
    virtual std::string ComboItemText(int id, int index) const = 0;

    // List view.
    virtual int ListColumnCount(int id) const = 0;
    virtual void ListInsertColumn(int id, int column, const std::string &text) = 0;
    virtual int ListColumnWidthToHeader(int id, int column) = 0; // returns the width set
    virtual void ListSetColumnWidth(int id, int column, int width) = 0;
    virtual int ListInsertRow(int id, const std::vector<std::string> &texts) = 0;
    virtual void ListDeleteAllRows(int id) = 0;
    virtual int ListRowCount(int id) const = 0;
    virtual int ListFirstSelectedRow(int id) const = 0; // -1 = none
    virtual std::string ListItemText(int id, int row, int column) const = 0;
    virtual void ListSelectRow(int id, int row) = 0;

    // Progress bar.
    virtual void SetProgressRange(int id, int low, int high) = 0;
    virtual void SetProgressPosition(int id, int position) = 0;
    virtual int ProgressPosition(int id) const = 0;

    // Window.
    virtual void SetCaption(const std::string &caption) = 0;
    virtual void SetIcon(int iconResourceId) = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // Adds a separator and the entry; false when the window has no system menu.
    virtual bool AddSystemMenuEntry(unsigned commandId, const std::string &text) = 0;

    virtual int MessageBox(const std::string &text, const std::string &caption, unsigned type) = 0;
    // Returns the chosen path, or "" when cancelled.
    virtual std::string FileDialog(const FileDialogSpec &spec) = 0;

    // Timers: returns the id on success, 0 on failure.
    virtual unsigned SetTimer(unsigned id, unsigned periodMs) = 0;
    virtual void KillTimer(unsigned id) = 0;
};

} // namespace tvx
