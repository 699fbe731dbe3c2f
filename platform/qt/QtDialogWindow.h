// The window layer on real Qt widgets, built from a dialog template table.
#pragma once

#include <limits>
#include <map>
#include <memory>
#include <string>

#include "platform/DialogWindow.h"
#include "platform/qt/DialogUnits.h"
#include "res/Resources.h"

class QDialog;
class QEventLoop;
class QTimer;
class QWidget;

namespace tvx {

class DialogWidget;

class QtDialogWindow final : public DialogWindow {
public:
    // parent: the window this one is modal over, or nullptr for a top-level
    // window shown in the task bar.
    explicit QtDialogWindow(const DialogTemplate &dialogTemplate, QWidget *parent = nullptr);
    ~QtDialogWindow() override;
    QtDialogWindow(const QtDialogWindow &) = delete;
    QtDialogWindow &operator=(const QtDialogWindow &) = delete;

    // nullptr when there is no template of that id.
    static std::unique_ptr<QtDialogWindow> FromTemplate(int templateId, QWidget *parent = nullptr);

    QDialog *Widget() const;
    QWidget *ControlWidget(int id) const; // nullptr for an unknown id
    const BaseUnits &Units() const { return units_; }

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

private:
    friend class DialogWidget;

    struct ControlEntry {
        ControlKind kind;
        unsigned style;
        QWidget *widget;
        std::string text; // as last set, '&' prefixes included
    };

    void CreateControl(const ControlTemplate &control);
    void PaintSharedPlacesOpaque(const DialogTemplate &dialogTemplate);

    // Screen readers: each control named by its caption or by its label.
    void ConnectLabels();
    QString AccessibleName(int id) const;
    // The names that depend on the control `changedId`.
    void UpdateAccessibleNames(int changedId);
    static constexpr int kEveryControl = std::numeric_limits<int>::min();
    const ControlEntry *Find(int id, ControlKind kind) const;
    const ControlEntry *Find(int id) const;
    template <class W>
    W *As(int id, ControlKind kind) const;

    // Keyboard and window commands, as a click on the button they stand for.
    void CancelCommand();
    void DefaultButtonCommand();
    void SystemCommand(unsigned id);
    void ShowSystemMenu(const QPoint &globalPosition);
    bool ButtonUsable(int id) const;
    void Click(int id);

    const DialogTemplate &template_;
    BaseUnits units_;
    DialogWidget *dialog_;
    std::map<int, ControlEntry> controls_;
    std::map<unsigned, QTimer *> timers_;
    DialogHandler *handler_ = nullptr;
    QEventLoop *loop_ = nullptr;
    bool ended_ = false;
    int result_ = -1;
    bool listNotificationsMuted_ = false;
    unsigned systemMenuCommand_ = 0;
    std::string systemMenuText_;
};

} // namespace tvx
