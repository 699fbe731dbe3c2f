// The window layer on native Windows controls: a dialog created from a
// template table as an in-memory dialog template, run modally with the
// dialog manager's keyboard handling. Every text crosses the W calls as
// UTF-16. windows.h stays out of this header: its macros rename members
// of DialogWindow (MessageBox, CreateDialog).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"
#include "res/Resources.h"

struct HWND__;
struct HFONT__;
struct HBITMAP__;
struct HICON__;

namespace tvx {

class Win32DialogWindow final : public DialogWindow {
public:
    using Handle = HWND__ *;

    // owner: the window this one is modal over, or nullptr for a window of
    // its own in the task bar. The controls exist from here on, hidden
    // until RunModal shows the dialog.
    explicit Win32DialogWindow(const DialogTemplate &dialogTemplate, Handle owner = nullptr);
    ~Win32DialogWindow() override;
    Win32DialogWindow(const Win32DialogWindow &) = delete;
    Win32DialogWindow &operator=(const Win32DialogWindow &) = delete;

    // nullptr when there is no template of that id or no window could be made.
    static std::unique_ptr<Win32DialogWindow> FromTemplate(int templateId, Handle owner = nullptr);

    Handle Window() const { return window_; }
    Handle Control(int id) const; // nullptr for an unknown id

    // Device arrival and removal of USB devices, as WM_DEVICECHANGE brings
    // them, go to the registered recipients (PostDeviceInterfaceEvent).
    // False when the system refused the registration.
    bool ReceiveDeviceChanges();

    // While a reason is set, the end of the session is refused with it (a
    // terminal is being written); "" allows it again.
    void BlockSessionEnd(const std::string &reason);

    int RunModal(DialogHandler &handler) override;
    std::unique_ptr<DialogWindow> CreateDialog(int templateId) override;
    void EndDialog(int result) override;

    void ShowControl(int id, bool show) override;
    bool IsControlVisible(int id) const override;
    void EnableControl(int id, bool enable) override;
    bool IsControlEnabled(int id) const override;
    void SetControlText(int id, const std::string &text) override;
    std::string ControlText(int id) const override;
    void FocusControl(int id) override;
    int CheckState(int id) const override;
    void SetCheckState(int id, int state) override;
    void SetControlFont(int id, const FontSpec &font) override;
    void SetControlImage(int id, int imageResourceId) override;

    void ComboReset(int id) override;
    int ComboAddString(int id, const std::string &text) override;
    void ComboAddDirectory(int id, const std::string &pattern) override;
    int ComboSelection(int id) const override;
    void ComboSetSelection(int id, int index) override;
    int ComboCount(int id) const override;
    std::string ComboItemText(int id, int index) const override;

    int ListColumnCount(int id) const override;
    void ListInsertColumn(int id, int column, const std::string &text) override;
    int ListColumnWidthToHeader(int id, int column) override;
    void ListSetColumnWidth(int id, int column, int width) override;
    int ListInsertRow(int id, const std::vector<std::string> &texts) override;
    void ListDeleteAllRows(int id) override;
    int ListRowCount(int id) const override;
    int ListFirstSelectedRow(int id) const override;
    std::string ListItemText(int id, int row, int column) const override;
    void ListSelectRow(int id, int row) override;

    void SetProgressRange(int id, int low, int high) override;
    void SetProgressPosition(int id, int position) override;
    int ProgressPosition(int id) const override;

    void SetCaption(const std::string &caption) override;
    void SetIcon(int iconResourceId) override;
    void SetWaitCursor(bool on) override;
    bool AddSystemMenuEntry(unsigned commandId, const std::string &text) override;

    int MessageBox(const std::string &text, const std::string &caption, unsigned type) override;
    std::string FileDialog(const FileDialogSpec &spec) override;

    unsigned SetTimer(unsigned id, unsigned periodMs) override;
    void KillTimer(unsigned id) override;

    // The dialog procedure's work; public for the procedure only.
    long long HandleMessage(unsigned message, unsigned long long wParam, long long lParam, bool *handled);

private:
    struct ControlEntry {
        ControlKind kind;
        unsigned style;
        Handle window;
    };

    const ControlEntry *Find(int id, ControlKind kind) const;
    const ControlEntry *Find(int id) const;
    long long Send(int id, ControlKind kind, unsigned message, unsigned long long wParam = 0,
                   long long lParam = 0) const;
    bool ButtonUsable(int id) const;
    void Command(int id, unsigned code);
    void ListNotification(const void *header);
    bool QueryEndSession();
    // Names each control for screen readers as the Qt window does; only
    // changed names are set again, each setting being an event for them.
    void NameControlsForScreenReaders();

    const DialogTemplate &template_;
    Handle owner_;
    Handle window_ = nullptr;
    std::map<int, ControlEntry> controls_;
    DialogHandler *handler_ = nullptr;
    bool ended_ = false;
    int result_ = -1;
    bool waitCursor_ = false;
    bool listNotificationsMuted_ = false;
    unsigned systemMenuCommand_ = 0;
    std::string sessionBlockReason_;
    void *deviceNotification_ = nullptr;
    std::map<int, HFONT__ *> fonts_;
    std::vector<HBITMAP__ *> bitmaps_;
    std::vector<HICON__ *> icons_;
    bool comStarted_ = false;
    void *accessibility_ = nullptr; // IAccPropServices, nullptr where there is none
    std::map<int, std::string> names_;
};

} // namespace tvx
