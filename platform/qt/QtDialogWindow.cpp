#include "platform/qt/QtDialogWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <set>

#include "platform/DirectoryListing.h"
#include "platform/ScreenReaderNames.h"
#include "platform/qt/FileDialogFilter.h"
#include "platform/qt/GroupFrame.h"
#include "res/art/ArtResources.h"

namespace tvx {

// The dialog's top-level widget: routes Escape, Enter, the close command and
// the context menu to the window's command handling.
class DialogWidget final : public QDialog {
public:
    DialogWidget(QtDialogWindow &window, QWidget *parent, Qt::WindowFlags flags)
        : QDialog(parent, flags), window_(window)
    {
    }

protected:
    // Past QDialog's own handling, which would accept or reject the dialog
    // on Enter and Escape without the window's command handling.
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->modifiers() & ~Qt::KeypadModifier) {
            QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call)
            return;
        }
        switch (event->key()) {
        case Qt::Key_Escape:
            window_.CancelCommand();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            window_.DefaultButtonCommand();
            break;
        default:
            QWidget::keyPressEvent(event); // NOLINT(bugprone-parent-virtual-call)
        }
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (window_.ended_) {
            event->accept();
            return;
        }
        event->ignore();
        window_.CancelCommand();
    }
    void reject() override { window_.CancelCommand(); }
    void contextMenuEvent(QContextMenuEvent *event) override { window_.ShowSystemMenu(event->globalPos()); }

private:
    QtDialogWindow &window_;
};

namespace {

QString Utf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

// As a static control shows it, without its mnemonic marks.
QString StaticDisplayText(const std::string &text, unsigned style)
{
    return Utf8(ShownControlText(text, style));
}

QPixmap ArtPixmap(int resourceId)
{
    const char *path = ArtResourcePath(resourceId);
    return path ? QPixmap(QString::fromLatin1(path)) : QPixmap();
}

} // namespace

QtDialogWindow::QtDialogWindow(const DialogTemplate &dialogTemplate, QWidget *parent)
    : template_(dialogTemplate), units_{},
      dialog_(new DialogWidget(*this, parent,
                               (parent ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                                   Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                   Qt::WindowCloseButtonHint))
{
    const QFont font = DialogFont(dialogTemplate.fontFace, dialogTemplate.fontPointSize);
    dialog_->setFont(font);
    units_ = BaseUnitsOf(font);
    dialog_->setFixedSize(DialogUnitsToPixelsX(dialogTemplate.width, units_),
                          DialogUnitsToPixelsY(dialogTemplate.height, units_));
    dialog_->setWindowTitle(QString::fromUtf8(dialogTemplate.caption ? dialogTemplate.caption : ""));
    for (std::size_t i = 0; i < dialogTemplate.controlCount; ++i)
        CreateControl(dialogTemplate.controls[i]);
    PaintSharedPlacesOpaque(dialogTemplate);
    ConnectLabels();
}

// Statics that share one place (the upload and download texts) are opaque,
// as on Windows, so the one shown last hides the other instead
// of both texts running over each other.
void QtDialogWindow::PaintSharedPlacesOpaque(const DialogTemplate &dialogTemplate)
{
    const ControlTemplate *first = dialogTemplate.controls;
    const ControlTemplate *last = first + dialogTemplate.controlCount;
    for (const ControlTemplate *a = first; a != last; ++a)
        for (const ControlTemplate *b = first; b != last; ++b)
            if (a != b && a->kind == ControlKind::Static && b->kind == ControlKind::Static && a->x == b->x &&
                a->y == b->y && a->width == b->width && a->height == b->height)
                if (QWidget *widget = ControlWidget(a->id))
                    widget->setAutoFillBackground(true);
}

// A label that names one control is its buddy, so that a screen reader
// relates the two; every control gets its name.
void QtDialogWindow::ConnectLabels()
{
    for (const auto &[id, control] : controls_) {
        const ControlLabel *label = FindControlLabel(template_.id, id);
        if (label && label->line == -1)
            if (auto *labelWidget = As<QLabel>(label->label, ControlKind::Static))
                labelWidget->setBuddy(control.widget);
    }
    UpdateAccessibleNames(kEveryControl);
}

QString QtDialogWindow::AccessibleName(int id) const
{
    const auto textOf = [this](int control) {
        const ControlEntry *entry = Find(control);
        return entry ? entry->text : std::string();
    };
    return Utf8(ScreenReaderName(template_, id, textOf, Utf8(dialog_->windowTitle())));
}

void QtDialogWindow::UpdateAccessibleNames(int changedId)
{
    for (const auto &[id, control] : controls_) {
        const ControlLabel *label = FindControlLabel(template_.id, id);
        if (changedId != kEveryControl && id != changedId && !(label && label->label == changedId))
            continue;
        // Unchanged names are not set again: each setting is an event for the screen reader.
        const QString name = AccessibleName(id);
        if (control.widget->accessibleName() != name)
            control.widget->setAccessibleName(name);
    }
}

QtDialogWindow::~QtDialogWindow()
{
    delete dialog_;
}

std::unique_ptr<QtDialogWindow> QtDialogWindow::FromTemplate(int templateId, QWidget *parent)
{
    const DialogTemplate *found = FindDialogTemplate(templateId);
    return found ? std::make_unique<QtDialogWindow>(*found, parent) : nullptr;
}

QDialog *QtDialogWindow::Widget() const
{
    return dialog_;
}

QWidget *QtDialogWindow::ControlWidget(int id) const
{
    const auto *control = Find(id);
    return control ? control->widget : nullptr;
}

void QtDialogWindow::CreateControl(const ControlTemplate &t)
{
    const QRect rect = DialogUnitsToPixels(t.x, t.y, t.width, t.height, units_);
    QWidget *widget = nullptr;
    switch (t.kind) {
    case ControlKind::StaticPicture:
    case ControlKind::Static: {
        auto *label = new QLabel(dialog_);
        label->setTextFormat(Qt::PlainText);
        Qt::Alignment alignment = (t.style & StyleCentered) ? Qt::AlignHCenter : Qt::AlignLeft;
        if (t.kind == ControlKind::StaticPicture) {
            alignment |= Qt::AlignVCenter;
        } else {
            alignment |= (t.style & StyleVCentered) ? Qt::AlignVCenter : Qt::AlignTop;
            label->setWordWrap(!(t.style & StyleVCentered)); // a vertically centred static is one line
            label->setText(StaticDisplayText(t.text, t.style));
        }
        label->setAlignment(alignment);
        if (t.style & StyleBorder)
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
        widget = label;
        break;
    }
    case ControlKind::GroupBox:
        widget = new GroupFrame(QString::fromUtf8(t.text), dialog_);
        break;
    case ControlKind::ListView: {
        auto *table = new QTableWidget(0, 0, dialog_);
        table->verticalHeader()->hide();
        table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
        table->horizontalHeader()->setSectionsClickable(false);
        table->horizontalHeader()->setHighlightSections(false);
        table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        table->setShowGrid(false);
        table->setWordWrap(false);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setTabKeyNavigation(false);
        if (!(t.style & StyleBorder))
            table->setFrameShape(QFrame::NoFrame);
        const int id = t.id;
        QObject::connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, dialog_,
                         [this, id](const QItemSelection &selected, const QItemSelection &deselected) {
                             if (listNotificationsMuted_ || !handler_)
                                 return;
                             const auto rowsOf = [](const QItemSelection &selection) {
                                 std::set<int> rows;
                                 for (const QItemSelectionRange &range : selection)
                                     for (int row = range.top(); row <= range.bottom(); ++row)
                                         rows.insert(row);
                                 return rows;
                             };
                             // The row losing the selection is told first, as the list view does.
                             for (int row : rowsOf(deselected))
                                 handler_->OnListItemChanged(id, row, LVIS_SELECTED, 0);
                             for (int row : rowsOf(selected))
                                 handler_->OnListItemChanged(id, row, 0, LVIS_SELECTED);
                         });
        widget = table;
        break;
    }
    case ControlKind::CheckBox: {
        auto *check = new QCheckBox(QString::fromUtf8(t.text), dialog_);
        const int id = t.id;
        QObject::connect(check, &QAbstractButton::clicked, dialog_, [this, id] { Click(id); });
        widget = check;
        break;
    }
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox(dialog_);
        // The template height includes the dropped-down list; the closed box
        // is as high as the font asks.
        const int closedHeight = combo->sizeHint().height();
        const int itemHeight = std::max(1, combo->fontMetrics().height());
        combo->setMaxVisibleItems(std::max(1, (rect.height() - closedHeight) / itemHeight));
        const int id = t.id;
        QObject::connect(combo, &QComboBox::activated, dialog_, [this, id] {
            if (handler_)
                handler_->OnComboSelChange(id);
        });
        widget = combo;
        break;
    }
    case ControlKind::Button: {
        auto *button = new QPushButton(QString::fromUtf8(t.text), dialog_);
        // Enter is handled by the dialog, for whichever button is the default.
        button->setAutoDefault(false);
        button->setDefault(t.style & StyleDefaultButton);
        const int id = t.id;
        QObject::connect(button, &QAbstractButton::clicked, dialog_, [this, id] { Click(id); });
        widget = button;
        break;
    }
    case ControlKind::ProgressBar: {
        auto *progress = new QProgressBar(dialog_);
        progress->setRange(0, 100);
        progress->setValue(0);
        progress->setTextVisible(false);
        widget = progress;
        break;
    }
    }
    if (t.kind == ControlKind::ComboBox)
        widget->setGeometry(rect.x(), rect.y(), rect.width(), widget->sizeHint().height());
    else
        widget->setGeometry(rect);
    widget->setVisible(!(t.style & StyleHidden));
    widget->setEnabled(!(t.style & StyleDisabled));
    if (t.id != -1)
        controls_[t.id] = {t.kind, t.style, widget, t.text};
}

const QtDialogWindow::ControlEntry *QtDialogWindow::Find(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

const QtDialogWindow::ControlEntry *QtDialogWindow::Find(int id, ControlKind kind) const
{
    const auto *control = Find(id);
    return control && control->kind == kind ? control : nullptr;
}

template <class W>
W *QtDialogWindow::As(int id, ControlKind kind) const
{
    const auto *control = Find(id, kind);
    return control ? static_cast<W *>(control->widget) : nullptr;
}

// --- running the dialog -----------------------------------------------------

int QtDialogWindow::RunModal(DialogHandler &handler)
{
    handler_ = &handler;
    ended_ = false;
    result_ = -1;
    // A handler that set the focus itself returns false; otherwise the window
    // gives the focus to its first control when it is shown.
    handler.OnInitDialog();
    if (!ended_) {
        if (dialog_->parentWidget())
            dialog_->setWindowModality(Qt::WindowModal);
        dialog_->show();
        QEventLoop loop;
        loop_ = &loop;
        if (!ended_)
            loop.exec();
        loop_ = nullptr;
    }
    dialog_->hide();
    for (auto &[id, timer] : timers_)
        timer->stop();
    handler_ = nullptr;
    return result_;
}

std::unique_ptr<DialogWindow> QtDialogWindow::CreateDialog(int templateId)
{
    return FromTemplate(templateId, dialog_);
}

void QtDialogWindow::EndDialog(int result)
{
    ended_ = true;
    result_ = result;
    dialog_->hide();
    if (loop_)
        loop_->quit();
}

// --- commands -----------------------------------------------------------------

bool QtDialogWindow::ButtonUsable(int id) const
{
    const auto *control = Find(id);
    return control && control->widget->isVisibleTo(dialog_) && control->widget->isEnabledTo(dialog_);
}

void QtDialogWindow::Click(int id)
{
    if (handler_)
        handler_->OnButtonClicked(id);
}

void QtDialogWindow::CancelCommand()
{
    // A dialog without a Cancel button (the About box) still closes on Escape.
    if (!Find(IDCANCEL) || ButtonUsable(IDCANCEL))
        Click(IDCANCEL);
}

void QtDialogWindow::DefaultButtonCommand()
{
    // A focused push button is the default while it has the focus; otherwise
    // the template's default button, otherwise the OK command.
    int id = IDOK;
    const auto focused = std::find_if(controls_.begin(), controls_.end(), [&](const auto &entry) {
        return entry.second.kind == ControlKind::Button && entry.second.widget->hasFocus();
    });
    const auto templateDefault = std::find_if(controls_.begin(), controls_.end(), [](const auto &entry) {
        return entry.second.kind == ControlKind::Button && (entry.second.style & StyleDefaultButton);
    });
    if (focused != controls_.end())
        id = focused->first;
    else if (templateDefault != controls_.end())
        id = templateDefault->first;
    if (!Find(id) || ButtonUsable(id))
        Click(id);
}

void QtDialogWindow::SystemCommand(unsigned id)
{
    if (handler_)
        handler_->OnSysCommand(id);
}

void QtDialogWindow::ShowSystemMenu(const QPoint &globalPosition)
{
    if (systemMenuText_.empty())
        return;
    QMenu menu(dialog_);
    QAction *entry = menu.addAction(Utf8(systemMenuText_));
    if (menu.exec(globalPosition) == entry)
        SystemCommand(systemMenuCommand_);
}

bool QtDialogWindow::AddSystemMenuEntry(unsigned commandId, const std::string &text)
{
    // There is no system menu to extend here: the entry goes into the
    // window's context menu and onto its mnemonic as a shortcut (Alt+O).
    if (text.empty() || !systemMenuText_.empty())
        return false;
    systemMenuCommand_ = commandId;
    systemMenuText_ = text;
    const QKeySequence keys = QKeySequence::mnemonic(Utf8(text));
    if (!keys.isEmpty()) {
        auto *shortcut = new QShortcut(keys, dialog_);
        QObject::connect(shortcut, &QShortcut::activated, dialog_,
                         [this] { SystemCommand(systemMenuCommand_); });
    }
    return true;
}

// --- controls -----------------------------------------------------------------

void QtDialogWindow::ShowControl(int id, bool show)
{
    if (const auto *control = Find(id)) {
        control->widget->setVisible(show);
        if (show)
            control->widget->raise(); // over a control that shares its place
    }
}

bool QtDialogWindow::IsControlVisible(int id) const
{
    const auto *control = Find(id);
    return control && control->widget->isVisibleTo(dialog_);
}

void QtDialogWindow::EnableControl(int id, bool enable)
{
    if (const auto *control = Find(id))
        control->widget->setEnabled(enable);
}

bool QtDialogWindow::IsControlEnabled(int id) const
{
    const auto *control = Find(id);
    return control && control->widget->isEnabledTo(dialog_);
}

void QtDialogWindow::SetControlText(int id, const std::string &text)
{
    auto it = controls_.find(id);
    if (it == controls_.end())
        return;
    ControlEntry &control = it->second;
    switch (control.kind) {
    case ControlKind::Static:
        static_cast<QLabel *>(control.widget)->setText(StaticDisplayText(text, control.style));
        break;
    case ControlKind::GroupBox:
        static_cast<GroupFrame *>(control.widget)->SetTitle(Utf8(text));
        break;
    case ControlKind::CheckBox:
    case ControlKind::Button:
        static_cast<QAbstractButton *>(control.widget)->setText(Utf8(text));
        break;
    default:
        return; // pictures, lists, combo boxes and progress bars show no text of their own
    }
    control.text = text;
    UpdateAccessibleNames(id);
}

std::string QtDialogWindow::ControlText(int id) const
{
    const auto *control = Find(id);
    if (!control)
        return {};
    if (control->kind == ControlKind::ComboBox)
        return Utf8(static_cast<QComboBox *>(control->widget)->currentText());
    return control->text;
}

void QtDialogWindow::FocusControl(int id)
{
    if (const auto *control = Find(id))
        control->widget->setFocus(Qt::OtherFocusReason);
}

int QtDialogWindow::CheckState(int id) const
{
    const auto *check = As<QCheckBox>(id, ControlKind::CheckBox);
    if (!check)
        return BST_UNCHECKED;
    switch (check->checkState()) {
    case Qt::Checked:
        return BST_CHECKED;
    case Qt::PartiallyChecked:
        return BST_INDETERMINATE;
    default:
        return BST_UNCHECKED;
    }
}

void QtDialogWindow::SetCheckState(int id, int state)
{
    auto *check = As<QCheckBox>(id, ControlKind::CheckBox);
    if (!check)
        return;
    if (state == BST_INDETERMINATE)
        check->setTristate(true);
    check->setCheckState(state == BST_CHECKED         ? Qt::Checked
                         : state == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                      : Qt::Unchecked);
}

void QtDialogWindow::SetControlFont(int id, const FontSpec &spec)
{
    const auto *control = Find(id);
    if (!control)
        return;
    QFont font(Utf8(spec.face));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight, 1, 1000)));
    if (spec.height != 0) {
        // A positive height is the character cell (the font's full line
        // height), a negative one the character height alone.
        const int height = std::abs(spec.height);
        font.setPixelSize(height);
        if (spec.height > 0) {
            const int cell = QFontMetrics(font).height();
            if (cell > height)
                font.setPixelSize(std::max(1, height * height / cell));
        }
    }
    control->widget->setFont(font);
}

void QtDialogWindow::SetControlImage(int id, int imageResourceId)
{
    auto *label = As<QLabel>(id, ControlKind::StaticPicture);
    if (!label)
        return;
    QPixmap pixmap = ArtPixmap(imageResourceId);
    // Shown at its own size; only a picture larger than its place (a small
    // dialog font) is scaled down to fit.
    if (!pixmap.isNull() && (pixmap.width() > label->width() || pixmap.height() > label->height()))
        pixmap = pixmap.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    label->setPixmap(pixmap);
}

// --- combo boxes --------------------------------------------------------------

void QtDialogWindow::ComboReset(int id)
{
    if (auto *combo = As<QComboBox>(id, ControlKind::ComboBox))
        combo->clear();
}

int QtDialogWindow::ComboAddString(int id, const std::string &text)
{
    auto *combo = As<QComboBox>(id, ControlKind::ComboBox);
    if (!combo)
        return -1;
    const int previousSelection = combo->currentIndex();
    combo->addItem(Utf8(text));
    // Adding does not select, whereas Qt selects the first item added.
    if (previousSelection == -1)
        combo->setCurrentIndex(-1);
    return combo->count() - 1;
}

void QtDialogWindow::ComboAddDirectory(int id, const std::string &pattern)
{
    for (const std::string &entry : ListDirectoryEntries(".", pattern))
        ComboAddString(id, entry);
}

int QtDialogWindow::ComboSelection(int id) const
{
    const auto *combo = As<QComboBox>(id, ControlKind::ComboBox);
    return combo ? combo->currentIndex() : -1;
}

void QtDialogWindow::ComboSetSelection(int id, int index)
{
    if (auto *combo = As<QComboBox>(id, ControlKind::ComboBox))
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int QtDialogWindow::ComboCount(int id) const
{
    const auto *combo = As<QComboBox>(id, ControlKind::ComboBox);
    return combo ? combo->count() : 0;
}

std::string QtDialogWindow::ComboItemText(int id, int index) const
{
    const auto *combo = As<QComboBox>(id, ControlKind::ComboBox);
    return combo && index >= 0 && index < combo->count() ? Utf8(combo->itemText(index)) : std::string();
}

// --- list view ----------------------------------------------------------------

int QtDialogWindow::ListColumnCount(int id) const
{
    const auto *table = As<QTableWidget>(id, ControlKind::ListView);
    return table ? table->columnCount() : 0;
}

void QtDialogWindow::ListInsertColumn(int id, int column, const std::string &text)
{
    auto *table = As<QTableWidget>(id, ControlKind::ListView);
    if (!table)
        return;
    column = std::clamp(column, 0, table->columnCount());
    table->insertColumn(column);
    auto *header = new QTableWidgetItem(Utf8(text));
    header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->setHorizontalHeaderItem(column, header);
}

int QtDialogWindow::ListColumnWidthToHeader(int id, int column)
{
    auto *table = As<QTableWidget>(id, ControlKind::ListView);
    if (!table || column < 0 || column >= table->columnCount())
        return 0;
    int width = table->horizontalHeader()->sectionSizeHint(column);
    // The last column also takes up the width the others leave free.
    if (column == table->columnCount() - 1) {
        int others = 0;
        for (int c = 0; c < column; ++c)
            others += table->columnWidth(c);
        width = std::max(width, table->maximumViewportSize().width() - others);
    }
    table->setColumnWidth(column, width);
    return width;
}

void QtDialogWindow::ListSetColumnWidth(int id, int column, int width)
{
    if (auto *table = As<QTableWidget>(id, ControlKind::ListView))
        table->setColumnWidth(column, width);
}

int QtDialogWindow::ListInsertRow(int id, const std::vector<std::string> &texts)
{
    auto *table = As<QTableWidget>(id, ControlKind::ListView);
    if (!table)
        return -1;
    const int row = table->rowCount();
    table->insertRow(row);
    const int columns = std::min(static_cast<int>(texts.size()), table->columnCount());
    for (int column = 0; column < columns; ++column)
        table->setItem(row, column, new QTableWidgetItem(Utf8(texts[static_cast<std::size_t>(column)])));
    return row;
}

void QtDialogWindow::ListDeleteAllRows(int id)
{
    auto *table = As<QTableWidget>(id, ControlKind::ListView);
    if (!table)
        return;
    // Deleted rows are not reported as deselected.
    listNotificationsMuted_ = true;
    table->setRowCount(0);
    listNotificationsMuted_ = false;
}

int QtDialogWindow::ListRowCount(int id) const
{
    const auto *table = As<QTableWidget>(id, ControlKind::ListView);
    return table ? table->rowCount() : 0;
}

int QtDialogWindow::ListFirstSelectedRow(int id) const
{
    const auto *table = As<QTableWidget>(id, ControlKind::ListView);
    if (!table)
        return -1;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex &index : rows)
        if (first == -1 || index.row() < first)
            first = index.row();
    return first;
}

std::string QtDialogWindow::ListItemText(int id, int row, int column) const
{
    const auto *table = As<QTableWidget>(id, ControlKind::ListView);
    const QTableWidgetItem *item = table ? table->item(row, column) : nullptr;
    return item ? Utf8(item->text()) : std::string();
}

void QtDialogWindow::ListSelectRow(int id, int row)
{
    auto *table = As<QTableWidget>(id, ControlKind::ListView);
    if (!table || row < 0 || row >= table->rowCount())
        return;
    const QModelIndex index = table->model()->index(row, 0);
    table->selectionModel()->setCurrentIndex(index,
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// --- progress bar ---------------------------------------------------------------

void QtDialogWindow::SetProgressRange(int id, int low, int high)
{
    if (auto *progress = As<QProgressBar>(id, ControlKind::ProgressBar))
        progress->setRange(low, high);
}

void QtDialogWindow::SetProgressPosition(int id, int position)
{
    if (auto *progress = As<QProgressBar>(id, ControlKind::ProgressBar))
        progress->setValue(std::clamp(position, progress->minimum(), progress->maximum()));
}

int QtDialogWindow::ProgressPosition(int id) const
{
    const auto *progress = As<QProgressBar>(id, ControlKind::ProgressBar);
    return progress ? progress->value() : 0;
}

// --- window -------------------------------------------------------------------

void QtDialogWindow::SetCaption(const std::string &caption)
{
    dialog_->setWindowTitle(Utf8(caption));
    UpdateAccessibleNames(kEveryControl); // pictures are named by the caption
}

void QtDialogWindow::SetIcon(int iconResourceId)
{
    dialog_->setWindowIcon(QIcon(ArtPixmap(iconResourceId)));
}

void QtDialogWindow::SetWaitCursor(bool on)
{
    if (on)
        dialog_->setCursor(Qt::WaitCursor);
    else
        dialog_->unsetCursor();
}

int QtDialogWindow::MessageBox(const std::string &text, const std::string &caption, unsigned type)
{
    QMessageBox box(dialog_);
    box.setTextFormat(Qt::PlainText);
    box.setText(Utf8(text));
    box.setWindowTitle(Utf8(caption));
    switch (type & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    const bool withCancel = (type & 0xF) == MB_OKCANCEL;
    QPushButton *ok = box.addButton(QMessageBox::Ok);
    QPushButton *cancel = withCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
    box.setDefaultButton(ok);
    // Escape and the close button answer Cancel, or OK when that is the only button.
    box.setEscapeButton(withCancel ? cancel : ok);
    if (type & MB_SYSTEMMODAL)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == ok ? IDOK : IDCANCEL;
}

std::string QtDialogWindow::FileDialog(const FileDialogSpec &spec)
{
    QFileDialog dialog(dialog_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!spec.save && (spec.options & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                        : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(spec.options & OFN_OVERWRITEPROMPT));
    // Patterns match without regard to case, as file names do on Windows.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilters(ConvertFileDialogFilter(spec.filter));
    dialog.setDefaultSuffix(Utf8(spec.defaultExtension));
    dialog.setDirectory(spec.startFolder.empty() ? QDir::currentPath() : Utf8(spec.startFolder));
    // A wildcard file name only repeats the filter; a plain one is proposed.
    if (!spec.fileName.empty() && spec.fileName.find_first_of("*?") == std::string::npos)
        dialog.selectFile(Utf8(spec.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    // The file dialogs leave the current directory where the file was chosen.
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
    return Utf8(chosen);
}

unsigned QtDialogWindow::SetTimer(unsigned id, unsigned periodMs)
{
    QTimer *&timer = timers_[id];
    if (!timer) {
        timer = new QTimer(dialog_);
        QObject::connect(timer, &QTimer::timeout, dialog_, [this, id] {
            if (handler_)
                handler_->OnTimer(id);
        });
    }
    timer->start(static_cast<int>(std::min(periodMs, 0x7FFFFFFFu)));
    return id;
}

void QtDialogWindow::KillTimer(unsigned id)
{
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    // The timer may be the one whose tick is being handled.
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

} // namespace tvx
