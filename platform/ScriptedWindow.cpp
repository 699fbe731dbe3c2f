#include "platform/ScriptedWindow.h"

#include <algorithm>
#include <utility>

#include "platform/DirectoryListing.h"

namespace tvx {

namespace {

// The scripted window has no font: a header is as wide as a fixed-pitch
// text of 6 pixels a character plus the header's margins.
constexpr int kCharWidth = 6;
constexpr int kHeaderMargin = 12;

bool HasCancelButton(unsigned messageBoxType)
{
    return (messageBoxType & 0xF) != MB_OK;
}

} // namespace

ScriptedWindow::ScriptedWindow(int templateId, ScriptedWindow *parent)
    : templateId_(templateId), parent_(parent)
{
    const DialogTemplate *found = FindDialogTemplate(templateId);
    if (!found)
        return;
    lazyControls_ = false;
    caption_ = found->caption;
    for (std::size_t i = 0; i < found->controlCount; ++i) {
        const ControlTemplate &t = found->controls[i];
        if (t.id == -1)
            continue; // a control without id cannot be addressed
        Control &control = controls_[t.id];
        control.kind = t.kind;
        control.style = t.style;
        control.visible = !(t.style & StyleHidden);
        control.enabled = !(t.style & StyleDisabled);
        control.text = t.text;
    }
}

// --- running the dialog -------------------------------------------------------

int ScriptedWindow::RunModal(DialogHandler &handler)
{
    handler_ = &handler;
    ended_ = false;
    endCode_ = -1;
    handler.OnInitDialog();
    if (parent_) {
        if (!ended_)
            ClickButton(IDOK);
        if (!ended_)
            EndDialog(IDOK);
        RecordInParent();
    }
    return ended_ ? endCode_ : -1;
}

void ScriptedWindow::RecordInParent()
{
    ChildDialogRecord record{templateId_, caption_, {}, {}, endCode_};
    for (const auto &[id, control] : controls_) {
        record.texts[id] = control.text;
        if (control.image)
            record.images[id] = control.image;
    }
    parent_->childDialogs_.push_back(std::move(record));
}

std::unique_ptr<DialogWindow> ScriptedWindow::CreateDialog(int templateId)
{
    return std::make_unique<ScriptedWindow>(templateId, this);
}

void ScriptedWindow::EndDialog(int result)
{
    ended_ = true;
    endCode_ = result;
    // The window is gone, and its timers with it.
    timers_.clear();
}

// --- controls -----------------------------------------------------------------

ScriptedWindow::Control *ScriptedWindow::Find(int id)
{
    const auto it = controls_.find(id);
    if (it != controls_.end())
        return &it->second;
    return lazyControls_ ? &controls_[id] : nullptr;
}

ScriptedWindow::Control *ScriptedWindow::Find(int id, ControlKind kind)
{
    Control *control = Find(id);
    return control && (!control->kind || *control->kind == kind) ? control : nullptr;
}

const ScriptedWindow::Control *ScriptedWindow::Find(int id, ControlKind kind) const
{
    const Control *control = FindControl(id);
    return control && (!control->kind || *control->kind == kind) ? control : nullptr;
}

const ScriptedWindow::Control *ScriptedWindow::FindControl(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

void ScriptedWindow::ShowControl(int id, bool show)
{
    if (Control *control = Find(id))
        control->visible = show;
}

bool ScriptedWindow::IsControlVisible(int id) const
{
    const Control *control = FindControl(id);
    return control ? control->visible : lazyControls_;
}

void ScriptedWindow::EnableControl(int id, bool enable)
{
    if (Control *control = Find(id))
        control->enabled = enable;
}

bool ScriptedWindow::IsControlEnabled(int id) const
{
    const Control *control = FindControl(id);
    return control ? control->enabled : lazyControls_;
}

void ScriptedWindow::SetControlText(int id, const std::string &text)
{
    if (Control *control = Find(id))
        control->text = text;
}

std::string ScriptedWindow::ControlText(int id) const
{
    const Control *control = FindControl(id);
    return control ? control->text : std::string();
}

void ScriptedWindow::FocusControl(int id)
{
    if (Find(id))
        focused_ = id;
}

int ScriptedWindow::CheckState(int id) const
{
    const Control *control = FindControl(id);
    return control ? control->check : BST_UNCHECKED;
}

void ScriptedWindow::SetCheckState(int id, int state)
{
    if (Control *control = Find(id))
        control->check = state;
}

void ScriptedWindow::SetControlFont(int id, const FontSpec &font)
{
    if (Control *control = Find(id))
        control->font = font;
}

std::optional<FontSpec> ScriptedWindow::ControlFont(int id) const
{
    const Control *control = FindControl(id);
    return control ? control->font : std::nullopt;
}

void ScriptedWindow::SetControlImage(int id, int imageResourceId)
{
    if (Control *control = Find(id, ControlKind::StaticPicture))
        control->image = imageResourceId;
}

int ScriptedWindow::ControlImage(int id) const
{
    const Control *control = FindControl(id);
    return control ? control->image : 0;
}

// --- combo boxes --------------------------------------------------------------

void ScriptedWindow::ComboReset(int id)
{
    if (Control *combo = Find(id, ControlKind::ComboBox)) {
        combo->items.clear();
        combo->selection = -1;
    }
}

int ScriptedWindow::ComboAddString(int id, const std::string &text)
{
    Control *combo = Find(id, ControlKind::ComboBox);
    if (!combo)
        return -1;
    combo->items.push_back(text);
    return static_cast<int>(combo->items.size()) - 1;
}

void ScriptedWindow::ComboAddDirectory(int id, const std::string &pattern)
{
    for (const std::string &entry : ListDirectoryEntries(".", pattern))
        ComboAddString(id, entry);
}

int ScriptedWindow::ComboSelection(int id) const
{
    const Control *combo = Find(id, ControlKind::ComboBox);
    return combo ? combo->selection : -1;
}

void ScriptedWindow::ComboSetSelection(int id, int index)
{
    if (Control *combo = Find(id, ControlKind::ComboBox))
        combo->selection = index >= 0 && index < static_cast<int>(combo->items.size()) ? index : -1;
}

int ScriptedWindow::ComboCount(int id) const
{
    const Control *combo = Find(id, ControlKind::ComboBox);
    return combo ? static_cast<int>(combo->items.size()) : 0;
}

std::string ScriptedWindow::ComboItemText(int id, int index) const
{
    const Control *combo = Find(id, ControlKind::ComboBox);
    if (!combo || index < 0 || index >= static_cast<int>(combo->items.size()))
        return {};
    return combo->items[static_cast<std::size_t>(index)];
}

// --- list view ----------------------------------------------------------------

int ScriptedWindow::ListColumnCount(int id) const
{
    const Control *list = Find(id, ControlKind::ListView);
    return list ? static_cast<int>(list->columns.size()) : 0;
}

void ScriptedWindow::ListInsertColumn(int id, int column, const std::string &text)
{
    Control *list = Find(id, ControlKind::ListView);
    if (!list)
        return;
    const auto at = static_cast<std::size_t>(std::clamp(column, 0, static_cast<int>(list->columns.size())));
    list->columns.insert(list->columns.begin() + static_cast<std::ptrdiff_t>(at), text);
    list->columnWidths.insert(list->columnWidths.begin() + static_cast<std::ptrdiff_t>(at), 0);
    for (auto &row : list->rows)
        if (row.size() >= at)
            row.insert(row.begin() + static_cast<std::ptrdiff_t>(at), std::string());
}

int ScriptedWindow::ListColumnWidthToHeader(int id, int column)
{
    Control *list = Find(id, ControlKind::ListView);
    if (!list || column < 0 || column >= static_cast<int>(list->columns.size()))
        return 0;
    const auto at = static_cast<std::size_t>(column);
    const int width = static_cast<int>(list->columns[at].size()) * kCharWidth + kHeaderMargin;
    list->columnWidths[at] = width;
    return width;
}

void ScriptedWindow::ListSetColumnWidth(int id, int column, int width)
{
    Control *list = Find(id, ControlKind::ListView);
    if (list && column >= 0 && column < static_cast<int>(list->columns.size()))
        list->columnWidths[static_cast<std::size_t>(column)] = width;
}

int ScriptedWindow::ListColumnWidth(int id, int column) const
{
    const Control *list = Find(id, ControlKind::ListView);
    if (!list || column < 0 || column >= static_cast<int>(list->columns.size()))
        return 0;
    return list->columnWidths[static_cast<std::size_t>(column)];
}

std::string ScriptedWindow::ListColumnText(int id, int column) const
{
    const Control *list = Find(id, ControlKind::ListView);
    if (!list || column < 0 || column >= static_cast<int>(list->columns.size()))
        return {};
    return list->columns[static_cast<std::size_t>(column)];
}

int ScriptedWindow::ListInsertRow(int id, const std::vector<std::string> &texts)
{
    Control *list = Find(id, ControlKind::ListView);
    if (!list)
        return -1;
    // A row holds a text for each column; texts beyond the columns are dropped.
    std::vector<std::string> row(list->columns.size());
    std::copy_n(texts.begin(), std::min(texts.size(), row.size()), row.begin());
    list->rows.push_back(std::move(row));
    return static_cast<int>(list->rows.size()) - 1;
}

void ScriptedWindow::ListDeleteAllRows(int id)
{
    // Deleted rows are not reported as deselected.
    if (Control *list = Find(id, ControlKind::ListView)) {
        list->rows.clear();
        list->selectedRow = -1;
    }
}

int ScriptedWindow::ListRowCount(int id) const
{
    const Control *list = Find(id, ControlKind::ListView);
    return list ? static_cast<int>(list->rows.size()) : 0;
}

int ScriptedWindow::ListFirstSelectedRow(int id) const
{
    const Control *list = Find(id, ControlKind::ListView);
    return list ? list->selectedRow : -1;
}

std::string ScriptedWindow::ListItemText(int id, int row, int column) const
{
    const Control *list = Find(id, ControlKind::ListView);
    if (!list || row < 0 || row >= static_cast<int>(list->rows.size()))
        return {};
    const auto &texts = list->rows[static_cast<std::size_t>(row)];
    return column >= 0 && column < static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(column)]
                                                                  : std::string();
}

void ScriptedWindow::ChangeListSelection(int id, Control &list, int row)
{
    const int previous = list.selectedRow;
    if (previous == row)
        return;
    list.selectedRow = row;
    // As a list view reports it: the row losing the selection first.
    if (!handler_)
        return;
    if (previous != -1)
        handler_->OnListItemChanged(id, previous, LVIS_SELECTED, 0);
    handler_->OnListItemChanged(id, row, 0, LVIS_SELECTED);
}

void ScriptedWindow::ListSelectRow(int id, int row)
{
    Control *list = Find(id, ControlKind::ListView);
    if (list && row >= 0 && row < static_cast<int>(list->rows.size()))
        ChangeListSelection(id, *list, row);
}

// --- progress bar -------------------------------------------------------------

void ScriptedWindow::SetProgressRange(int id, int low, int high)
{
    if (Control *progress = Find(id, ControlKind::ProgressBar)) {
        progress->rangeLow = low;
        progress->rangeHigh = high;
        progress->position = std::clamp(progress->position, low, std::max(low, high));
    }
}

void ScriptedWindow::SetProgressPosition(int id, int position)
{
    if (Control *progress = Find(id, ControlKind::ProgressBar))
        progress->position =
            std::clamp(position, progress->rangeLow, std::max(progress->rangeLow, progress->rangeHigh));
}

int ScriptedWindow::ProgressPosition(int id) const
{
    const Control *progress = Find(id, ControlKind::ProgressBar);
    return progress ? progress->position : 0;
}

int ScriptedWindow::ProgressLow(int id) const
{
    const Control *progress = Find(id, ControlKind::ProgressBar);
    return progress ? progress->rangeLow : 0;
}

int ScriptedWindow::ProgressHigh(int id) const
{
    const Control *progress = Find(id, ControlKind::ProgressBar);
    return progress ? progress->rangeHigh : 0;
}

// --- window -------------------------------------------------------------------

void ScriptedWindow::SetCaption(const std::string &caption)
{
    caption_ = caption;
}

void ScriptedWindow::SetIcon(int iconResourceId)
{
    icon_ = iconResourceId;
}

void ScriptedWindow::SetWaitCursor(bool on)
{
    waitCursor_ = on;
}

bool ScriptedWindow::AddSystemMenuEntry(unsigned commandId, const std::string &text)
{
    if (!hasSystemMenu_)
        return false;
    systemMenuCommand_ = commandId;
    systemMenuText_ = text;
    return true;
}

int ScriptedWindow::MessageBox(const std::string &text, const std::string &caption, unsigned type)
{
    int answer = IDOK;
    if (!messageBoxAnswers_.empty()) {
        answer = messageBoxAnswers_.front();
        messageBoxAnswers_.pop_front();
    }
    // A box with only OK answers OK however it is closed; 0 stands for a box
    // that could not be shown at all.
    if (!HasCancelButton(type) && answer != 0)
        answer = IDOK;
    messageBoxes_.push_back({text, caption, type, answer});
    return answer;
}

void ScriptedWindow::QueueMessageBoxAnswer(int answer)
{
    messageBoxAnswers_.push_back(answer);
}

std::string ScriptedWindow::FileDialog(const FileDialogSpec &spec)
{
    fileDialogs_.push_back(spec);
    if (fileDialogPaths_.empty())
        return {};
    std::string path = std::move(fileDialogPaths_.front());
    fileDialogPaths_.pop_front();
    return path;
}

void ScriptedWindow::QueueFileDialogPath(const std::string &path)
{
    fileDialogPaths_.push_back(path);
}

// --- timers and the virtual clock -----------------------------------------------

unsigned ScriptedWindow::SetTimer(unsigned id, unsigned periodMs)
{
    if (ended_)
        return 0;
    // Setting a running timer again restarts it with the new period; a zero
    // period would never let the clock move on.
    const unsigned period = std::max(periodMs, 1u);
    timers_[id] = Timer{period, now_ + period, timerOrder_++};
    return id;
}

void ScriptedWindow::KillTimer(unsigned id)
{
    timers_.erase(id);
}

unsigned ScriptedWindow::TimerPeriod(unsigned id) const
{
    const auto it = timers_.find(id);
    return it == timers_.end() ? 0 : it->second.period;
}

void ScriptedWindow::AdvanceBy(uint64_t ms)
{
    const uint64_t target = now_ + ms;
    uint64_t hooked = now_;
    for (;;) {
        const auto next = std::min_element(timers_.begin(), timers_.end(), [](const auto &a, const auto &b) {
            return a.second.due != b.second.due ? a.second.due < b.second.due
                                                : a.second.order < b.second.order;
        });
        if (next == timers_.end() || next->second.due > target)
            break;
        const unsigned id = next->first;
        if (next->second.due > now_) {
            now_ = next->second.due;
            if (stepHook_) {
                stepHook_(now_);
                hooked = now_;
            }
            continue; // the hook may have changed the timers or ended the dialog
        }
        next->second.due += next->second.period;
        if (handler_)
            handler_->OnTimer(id);
    }
    now_ = target;
    if (stepHook_ && hooked != now_)
        stepHook_(now_);
}

// --- what a person does ---------------------------------------------------------

bool ScriptedWindow::Usable(int id) const
{
    const Control *control = FindControl(id);
    if (!control && lazyControls_)
        return IsOpen();
    return IsOpen() && control && control->visible && control->enabled;
}

bool ScriptedWindow::ClickButton(int id)
{
    if (!Usable(id))
        return false;
    Control *control = Find(id);
    if (control->kind == ControlKind::CheckBox && (control->style & StyleAutoCheckBox))
        control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    handler_->OnButtonClicked(id);
    return true;
}

bool ScriptedWindow::SelectComboItem(int id, int index)
{
    Control *combo = Find(id, ControlKind::ComboBox);
    if (!Usable(id) || !combo || index < 0 || index >= static_cast<int>(combo->items.size()))
        return false;
    combo->selection = index;
    handler_->OnComboSelChange(id);
    return true;
}

bool ScriptedWindow::SelectListRow(int id, int row)
{
    Control *list = Find(id, ControlKind::ListView);
    if (!Usable(id) || !list || row < 0 || row >= static_cast<int>(list->rows.size()))
        return false;
    ChangeListSelection(id, *list, row);
    return true;
}

bool ScriptedWindow::PressEscape()
{
    if (!IsOpen())
        return false;
    // A window without a Cancel button (the About box) still closes on Escape.
    if (FindControl(IDCANCEL) && !Usable(IDCANCEL))
        return false;
    handler_->OnButtonClicked(IDCANCEL);
    return true;
}

bool ScriptedWindow::SysCommand(unsigned id)
{
    if (!IsOpen())
        return false;
    handler_->OnSysCommand(id);
    return true;
}

} // namespace tvx
