// The window layer without a screen, for tests and the headless driver: every
// control's state is recorded, message boxes and file dialogs are answered
// from queues, and timers fire only when the owner advances a virtual clock.
// User actions (clicks, selections, Escape) reach the handler only where a
// person could perform them on a real window.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialogWindow.h"
#include "res/Resources.h"

namespace tvx {

class ScriptedWindow final : public DialogWindow {
public:
    struct Control {
        std::optional<ControlKind> kind; // none for a control made on first use
        unsigned style = 0;
        bool visible = true;
        bool enabled = true;
        std::string text;
        int check = BST_UNCHECKED;
        std::optional<FontSpec> font;
        int image = 0; // resource id, 0 = none
        // Combo box.
        std::vector<std::string> items;
        int selection = -1;
        // List view.
        std::vector<std::string> columns;
        std::vector<int> columnWidths;
        std::vector<std::vector<std::string>> rows;
        int selectedRow = -1;
        // Progress bar.
        int rangeLow = 0;
        int rangeHigh = 100;
        int position = 0;
    };

    struct MessageBoxRecord {
        std::string text;
        std::string caption;
        unsigned type;
        int answer;
    };

    // What a dialog made by CreateDialog showed, kept by its parent.
    struct ChildDialogRecord {
        int templateId;
        std::string caption;
        std::map<int, std::string> texts; // by control id
        std::map<int, int> images;        // by control id
        int endCode;
    };

    // The controls of the template with that id; with no such template the
    // window starts empty and makes each control when it is first used.
    explicit ScriptedWindow(int templateId, ScriptedWindow *parent = nullptr);
    ScriptedWindow(const ScriptedWindow &) = delete;
    ScriptedWindow &operator=(const ScriptedWindow &) = delete;

    // ---- DialogWindow ----
    // Runs OnInitDialog; returns the end code when it ended the dialog,
    // otherwise -1 (the dialog stays open and the owner feeds events). A
    // child dialog is closed with OK as its user would.
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

    // ---- What a person does; false when it could not be done ----
    // Only a visible, enabled control of an open window responds. An
    // automatic check box toggles before its click is reported.
    bool ClickButton(int id);
    bool SelectComboItem(int id, int index);
    // Reports the row losing the selection, then the row gaining it.
    bool SelectListRow(int id, int row);
    // Escape and the close command: a click on Cancel while it is usable (a
    // window without a Cancel button closes anyway).
    bool PressEscape();
    bool SysCommand(unsigned id);

    // ---- Queued answers ----
    // One answer per box, IDOK when the queue is empty. A box with only OK
    // answers IDOK however it is closed; 0 is a box that failed to show.
    void QueueMessageBoxAnswer(int answer);
    void QueueFileDialogPath(const std::string &path); // empty queue: ""
    void SetHasSystemMenu(bool has) { hasSystemMenu_ = has; }

    // ---- Virtual clock ----
    // Moves the clock on by ms, firing due timers in time order (those due
    // at the same moment in the order they were set); a periodic timer fires
    // again each period. The step hook runs with the new time before the
    // timers of each moment fire, and once more at the end of the advance.
    void AdvanceBy(uint64_t ms);
    uint64_t Now() const { return now_; }
    void SetStepHook(std::function<void(uint64_t nowMs)> hook) { stepHook_ = std::move(hook); }
    bool IsTimerActive(unsigned id) const { return timers_.count(id) != 0; }
    unsigned TimerPeriod(unsigned id) const;

    // ---- Recorded state ----
    const Control *FindControl(int id) const; // nullptr when there is none
    std::optional<FontSpec> ControlFont(int id) const;
    int ControlImage(int id) const;
    int FocusedControl() const { return focused_; }
    std::string ListColumnText(int id, int column) const;
    int ListColumnWidth(int id, int column) const;
    int ProgressLow(int id) const;
    int ProgressHigh(int id) const;
    const std::string &Caption() const { return caption_; }
    int Icon() const { return icon_; }
    bool WaitCursor() const { return waitCursor_; }
    unsigned SystemMenuCommand() const { return systemMenuCommand_; } // 0 = no entry
    const std::string &SystemMenuText() const { return systemMenuText_; }
    const std::vector<MessageBoxRecord> &MessageBoxes() const { return messageBoxes_; }
    const std::vector<FileDialogSpec> &FileDialogs() const { return fileDialogs_; }
    const std::vector<ChildDialogRecord> &ChildDialogs() const { return childDialogs_; }
    bool IsOpen() const { return handler_ && !ended_; }
    bool IsEnded() const { return ended_; }
    int EndCode() const { return endCode_; }

private:
    struct Timer {
        unsigned period;
        uint64_t due;
        uint64_t order; // when it was set, to break ties
    };

    Control *Find(int id); // makes the control on first use when there is no template
    Control *Find(int id, ControlKind kind);
    const Control *Find(int id, ControlKind kind) const;
    bool Usable(int id) const;
    void ChangeListSelection(int id, Control &list, int row);
    void RecordInParent();

    int templateId_;
    bool lazyControls_ = true;
    ScriptedWindow *parent_;
    std::map<int, Control> controls_;
    DialogHandler *handler_ = nullptr;
    bool ended_ = false;
    int endCode_ = -1;
    int focused_ = 0;
    std::string caption_;
    int icon_ = 0;
    bool waitCursor_ = false;
    bool hasSystemMenu_ = true;
    unsigned systemMenuCommand_ = 0;
    std::string systemMenuText_;
    std::deque<int> messageBoxAnswers_;
    std::deque<std::string> fileDialogPaths_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::vector<FileDialogSpec> fileDialogs_;
    std::vector<ChildDialogRecord> childDialogs_;
    std::map<unsigned, Timer> timers_;
    uint64_t timerOrder_ = 0;
    uint64_t now_ = 0;
    std::function<void(uint64_t)> stepHook_;
};

} // namespace tvx
