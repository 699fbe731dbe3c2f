#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

#include "platform/qt/DialogUnits.h"
#include "platform/qt/FileDialogFilter.h"
#include "platform/qt/GroupFrame.h"
#include "platform/qt/QtDialogWindow.h"
#include "platform/qt/UdevMonitor.h"
#include "tests/platform-qt/WhenModal.h"

using namespace tvx;

namespace {

constexpr int kPicture = 1036, kGroup = 1002, kList = 1003, kCheck = 1012, kStatus = 1015, kCombo = 1004,
              kProgress = 1005, kNext = 1010, kLabel = 1017;

// A small dialog with one control of every kind, Cancel and Finish sharing a place.
const ControlTemplate kFixtureControls[] = {
    {kPicture, ControlKind::StaticPicture, "", "", 7, 5, 150, 27, StyleCentered | StyleRealSizeImage},
    {kGroup, ControlKind::GroupBox, "", "Step", 7, 35, 250, 100, 0},
    {kList, ControlKind::ListView, "", "", 20, 47, 220, 50, StyleBorder | StyleReportSingleSel},
    {kCheck, ControlKind::CheckBox, "", "Make a &copy", 20, 100, 100, 13, StyleAutoCheckBox | StyleHidden},
    {kStatus, ControlKind::Static, "", "Static", 20, 60, 200, 30, StyleCentered | StyleHidden},
    {kCombo, ControlKind::ComboBox, "", "", 20, 81, 150, 47, StyleDropDownList | StyleVScroll | StyleHidden},
    {kProgress, ControlKind::ProgressBar, "", "", 20, 118, 220, 12, StyleSmooth | StyleBorder},
    {kLabel, ControlKind::Static, "", "Fish &&Chips", 20, 140, 100, 8, 0},
    {-1, ControlKind::Static, "", "no id", 130, 140, 60, 8, StyleNoPrefix},
    {kNext, ControlKind::Button, "", "&Next >", 140, 155, 50, 14, StyleDisabled},
    {IDCANCEL, ControlKind::Button, "", "&Cancel", 200, 155, 50, 14, 0},
    {IDOK, ControlKind::Button, "", "&Finish", 200, 155, 50, 14, StyleHidden | StyleDisabled},
};
const DialogTemplate kFixture = {4711, "Fixture", "MS Sans Serif",  8,
                                 265,  175,       kFixtureControls, std::size(kFixtureControls)};

// Records every event as a line of text; the script runs once the window is up.
class Recorder : public DialogHandler {
public:
    explicit Recorder(QtDialogWindow &window) : window_(window) {}

    // Runs the window modally with the script; the dialog ends with 0 unless the script ended it.
    int Run(std::function<void()> script)
    {
        script_ = std::move(script);
        return window_.RunModal(*this);
    }

    bool OnInitDialog() override
    {
        if (onInit)
            onInit();
        QTimer::singleShot(0, [this] {
            QVERIFY(QTest::qWaitForWindowExposed(window_.Widget()));
            window_.Widget()->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window_.Widget()));
            script_();
            if (window_.Widget()->isVisible())
                window_.EndDialog(0);
        });
        return true;
    }
    void OnButtonClicked(int id) override { events.push_back("button " + std::to_string(id)); }
    void OnComboSelChange(int id) override { events.push_back("combo " + std::to_string(id)); }
    void OnListItemChanged(int id, int row, unsigned oldState, unsigned newState) override
    {
        events.push_back("list " + std::to_string(id) + " row " + std::to_string(row) + " " +
                         std::to_string(oldState) + "->" + std::to_string(newState));
    }
    void OnTimer(unsigned id) override
    {
        events.push_back("timer " + std::to_string(id));
        if (onTimer)
            onTimer(id);
    }
    void OnDeviceChange(unsigned, const void *) override {}
    void OnSysCommand(unsigned id) override { events.push_back("syscommand " + std::to_string(id)); }

    std::vector<std::string> events;
    std::function<void()> onInit;
    std::function<void(unsigned)> onTimer;

private:
    QtDialogWindow &window_;
    std::function<void()> script_;
};

using Events = std::vector<std::string>;

} // namespace

// Shows both event lists when a comparison fails.
template <>
char *QTest::toString(const std::vector<std::string> &events)
{
    std::string joined;
    for (const std::string &event : events)
        joined += (joined.empty() ? "" : ", ") + event;
    return qstrdup(joined.c_str());
}

namespace {

QLabel *LabelShowing(QWidget *parent, const QString &text)
{
    for (QLabel *label : parent->findChildren<QLabel *>())
        if (label->text() == text)
            return label;
    return nullptr;
}

} // namespace

class QtDialogWindowTest : public QObject {
    Q_OBJECT

private slots:
    void dialogUnitsScaleByTheFontsBaseUnits_data();
    void dialogUnitsScaleByTheFontsBaseUnits();
    void controlsSitAtTheirTemplatePlaceInTheirTemplateState();
    void wizardTemplateIsBuiltAsItsTableSays();
    void textsKeepTheirPrefixRulesAndCheckBoxToggles();
    void listViewReportsSelectionChangesAsItemStates();
    void comboBoxAddsWithoutSelectingAndReportsUserChoice();
    void escapeCloseAndEnterActOnlyThroughUsableButtons();
    void aboutEntryIsInTheContextMenuAndOnAltO();
    void aboutBoxIsAModalChildClosedByEscapeAndEnter();
    void timersTickByIdUntilKilled();
    void messageBoxAnswers_data();
    void messageBoxAnswers();
    void messageBoxShowsItsTextExactly();
    void fileDialogFiltersAreConverted_data();
    void fileDialogFiltersAreConverted();
    void saveDialogAsksBeforeReplacingOnlyWhenTold();
    void openDialogReturnsTheFileAndMovesTheCurrentFolder();
    void picturesAndIconComeFromTheArtwork();
    void udevEventsBecomeInterfacePaths_data();
    void udevEventsBecomeInterfacePaths();
};

void QtDialogWindowTest::dialogUnitsScaleByTheFontsBaseUnits_data()
{
    QTest::addColumn<int>("du");
    QTest::addColumn<int>("baseWidth");
    QTest::addColumn<int>("baseHeight");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("zero") << 0 << 6 << 13 << 0 << 0;
    QTest::newRow("one character cell") << 4 << 6 << 13 << 6 << 7;
    QTest::newRow("rounds halves up") << 7 << 6 << 13 << 11 << 11;
    QTest::newRow("wizard width and height") << 485 << 6 << 13 << 728 << 788;
    QTest::newRow("wide font") << 471 << 7 << 16 << 824 << 942;
}

void QtDialogWindowTest::dialogUnitsScaleByTheFontsBaseUnits()
{
    QFETCH(int, du);
    QFETCH(int, baseWidth);
    QFETCH(int, baseHeight);
    QFETCH(int, x);
    QFETCH(int, y);
    const BaseUnits units{baseWidth, baseHeight};
    QCOMPARE(DialogUnitsToPixelsX(du, units), x);
    QCOMPARE(DialogUnitsToPixelsY(du, units), y);
}

namespace {

// Every control of the template at its converted place, shown and enabled as
// the template says; a combo box keeps its width, its closed height is the font's.
void CheckAgainstTemplate(const QtDialogWindow &window, const DialogTemplate &t)
{
    const BaseUnits units = window.Units();
    QVERIFY(units.width > 0 && units.height > 0);
    QCOMPARE(window.Widget()->size(),
             QSize(DialogUnitsToPixelsX(t.width, units), DialogUnitsToPixelsY(t.height, units)));
    for (std::size_t i = 0; i < t.controlCount; ++i) {
        const ControlTemplate &c = t.controls[i];
        if (c.id == -1)
            continue;
        QWidget *widget = window.ControlWidget(c.id);
        QVERIFY2(widget, qPrintable(QString::number(c.id)));
        const QRect expected = DialogUnitsToPixels(c.x, c.y, c.width, c.height, units);
        const QRect actual = widget->geometry();
        if (c.kind == ControlKind::ComboBox) {
            QCOMPARE(actual.topLeft(), expected.topLeft());
            QCOMPARE(actual.width(), expected.width());
        } else {
            QCOMPARE(actual, expected);
        }
        QCOMPARE(window.IsControlVisible(c.id), !(c.style & StyleHidden));
        QCOMPARE(window.IsControlEnabled(c.id), !(c.style & StyleDisabled));
    }
}

} // namespace

void QtDialogWindowTest::controlsSitAtTheirTemplatePlaceInTheirTemplateState()
{
    QtDialogWindow window(kFixture);
    CheckAgainstTemplate(window, kFixture);
    // The base units are those of the font the dialog actually uses.
    const BaseUnits fontUnits = BaseUnitsOf(window.Widget()->font());
    QCOMPARE(window.Units().width, fontUnits.width);
    QCOMPARE(window.Units().height, fontUnits.height);
    QVERIFY(qobject_cast<QTableWidget *>(window.ControlWidget(kList)));
    QVERIFY(qobject_cast<QComboBox *>(window.ControlWidget(kCombo)));
    QVERIFY(qobject_cast<QProgressBar *>(window.ControlWidget(kProgress)));
    QCOMPARE(dynamic_cast<GroupFrame *>(window.ControlWidget(kGroup))->Title(), QString("Step"));
    QCOMPARE(window.ListColumnCount(kList), 0);
    QCOMPARE(window.ProgressPosition(kProgress), 0);
    QCOMPARE(window.ComboSelection(kCombo), -1);
    QCOMPARE(window.ControlWidget(999), nullptr);
}

void QtDialogWindowTest::wizardTemplateIsBuiltAsItsTableSays()
{
    const DialogTemplate *wizard = FindDialogTemplate(kWizardTemplateId);
    if (!wizard)
        QSKIP("the wizard's template table is not in this build");
    auto window = QtDialogWindow::FromTemplate(kWizardTemplateId);
    QVERIFY(window);
    CheckAgainstTemplate(*window, *wizard);
    // The wizard opens on the device step: list shown, Next shown but disabled.
    QVERIFY(window->IsControlVisible(1003));
    QVERIFY(window->IsControlVisible(1010) && !window->IsControlEnabled(1010));
    QVERIFY(window->IsControlVisible(IDCANCEL) && !window->IsControlVisible(IDOK));

    // The upload and download texts share one place: the one shown last is
    // seen, not both run together.
    window->Widget()->show();
    window->ShowControl(1001, true);
    window->ShowControl(1000, true);
    QWidget *download = window->ControlWidget(1000);
    QVERIFY(download->autoFillBackground() && window->ControlWidget(1001)->autoFillBackground());
    QCOMPARE(window->Widget()->childAt(download->geometry().center()), download);
    window->ShowControl(1001, true);
    QCOMPARE(window->Widget()->childAt(download->geometry().center()), window->ControlWidget(1001));
}

void QtDialogWindowTest::textsKeepTheirPrefixRulesAndCheckBoxToggles()
{
    QtDialogWindow window(kFixture);
    auto *label = qobject_cast<QLabel *>(window.ControlWidget(kLabel));
    QCOMPARE(label->text(), QString("Fish &Chips"));
    QCOMPARE(window.ControlText(kLabel), std::string("Fish &&Chips"));
    QVERIFY(LabelShowing(window.Widget(), "no id"));

    window.SetControlText(kStatus, "Ready\n\n <b>V 4.6.0</b> & more");
    QCOMPARE(qobject_cast<QLabel *>(window.ControlWidget(kStatus))->textFormat(), Qt::PlainText);
    QCOMPARE(qobject_cast<QLabel *>(window.ControlWidget(kStatus))->text(),
             QString("Ready\n\n <b>V 4.6.0</b>  more"));
    window.SetControlText(kNext, "Wei&ter >");
    QCOMPARE(window.ControlText(kNext), std::string("Wei&ter >"));
    window.SetControlText(kGroup, "Schritt 2");
    QCOMPARE(dynamic_cast<GroupFrame *>(window.ControlWidget(kGroup))->Title(), QString("Schritt 2"));

    FontSpec arial{"Arial", 12, 400};
    window.SetControlFont(kStatus, arial);
    QVERIFY(QFontMetrics(window.ControlWidget(kStatus)->font()).height() <= 12);
    QCOMPARE(window.ControlWidget(kStatus)->font().weight(), QFont::Normal);

    QCOMPARE(window.CheckState(kCheck), BST_UNCHECKED);
    window.SetCheckState(kCheck, BST_CHECKED);
    QCOMPARE(window.CheckState(kCheck), BST_CHECKED);

    Recorder recorder(window);
    recorder.Run([&] {
        window.ShowControl(kCheck, true);
        QTest::mouseClick(window.ControlWidget(kCheck), Qt::LeftButton);
        QCOMPARE(window.CheckState(kCheck), BST_UNCHECKED);
        window.SetWaitCursor(true);
        QCOMPARE(window.Widget()->cursor().shape(), Qt::WaitCursor);
        window.SetWaitCursor(false);
        QCOMPARE(window.Widget()->cursor().shape(), Qt::ArrowCursor);
    });
    QCOMPARE(recorder.events, (Events{"button 1012"}));
}

void QtDialogWindowTest::listViewReportsSelectionChangesAsItemStates()
{
    QtDialogWindow window(kFixture);
    Recorder recorder(window);
    recorder.onInit = [&] {
        window.ListInsertColumn(kList, 0, "Product");
        window.ListInsertColumn(kList, 1, "Version");
        window.ListInsertColumn(kList, 2, "ID number");
        const int first = window.ListColumnWidthToHeader(kList, 0);
        QVERIFY(first >= QFontMetrics(window.ControlWidget(kList)->font()).horizontalAdvance("Product"));
        window.ListSetColumnWidth(kList, 1, 4 * window.ListColumnWidthToHeader(kList, 1));
        // The last column takes up the rest of the list's width.
        const int last = window.ListColumnWidthToHeader(kList, 2);
        auto *table = qobject_cast<QTableWidget *>(window.ControlWidget(kList));
        QCOMPARE(table->columnWidth(2), last);
        QVERIFY(table->columnWidth(0) + table->columnWidth(1) + last >= table->maximumViewportSize().width());
        for (const char *id : {"A1", "B2", "C3"})
            window.ListInsertRow(kList, {"VORN", "1.0", id});
    };
    recorder.Run([&] {
        QCOMPARE(window.ListColumnCount(kList), 3);
        QCOMPARE(window.ListRowCount(kList), 3);
        QCOMPARE(window.ListItemText(kList, 1, 2), std::string("B2"));
        QCOMPARE(window.ListItemText(kList, 7, 2), std::string());
        QCOMPARE(window.ListFirstSelectedRow(kList), -1);
        QVERIFY(recorder.events.empty());

        window.ListSelectRow(kList, 1);
        window.ListSelectRow(kList, 2);
        auto *table = qobject_cast<QTableWidget *>(window.ControlWidget(kList));
        const QRect row0 = table->visualRect(table->model()->index(0, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row0.center());
        QCOMPARE(window.ListFirstSelectedRow(kList), 0);
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(window.ListFirstSelectedRow(kList), 1);

        recorder.events.emplace_back("delete all");
        window.ListDeleteAllRows(kList);
        QCOMPARE(window.ListRowCount(kList), 0);
        QCOMPARE(window.ListFirstSelectedRow(kList), -1);
    });
    const Events expected = {
        "list 1003 row 1 0->2", "list 1003 row 1 2->0", "list 1003 row 2 0->2", "list 1003 row 2 2->0",
        "list 1003 row 0 0->2", "list 1003 row 0 2->0", "list 1003 row 1 0->2", "delete all",
    };
    QCOMPARE(recorder.events, expected);
}

void QtDialogWindowTest::comboBoxAddsWithoutSelectingAndReportsUserChoice()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    for (const char *name : {"b.PPU", "a.ppu", "notes.txt"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(folder.path()).mkdir("sub"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());

    QtDialogWindow window(kFixture);
    window.ComboAddDirectory(kCombo, "*.PPU");
    QDir::setCurrent(previous);
    QCOMPARE(window.ComboCount(kCombo), 4);
    QCOMPARE(window.ComboItemText(kCombo, 0), std::string("[..]"));
    QCOMPARE(window.ComboItemText(kCombo, 1), std::string("a.ppu"));
    QCOMPARE(window.ComboItemText(kCombo, 2), std::string("b.PPU"));
    QCOMPARE(window.ComboItemText(kCombo, 3), std::string("[sub]"));
    QCOMPARE(window.ComboItemText(kCombo, 4), std::string());
    QCOMPARE(window.ComboSelection(kCombo), -1);
    QCOMPARE(window.ComboAddString(kCombo, "/tmp/x.ppu"), 4);
    QCOMPARE(window.ComboSelection(kCombo), -1);

    Recorder recorder(window);
    recorder.Run([&] {
        window.ComboSetSelection(kCombo, 4);
        QCOMPARE(window.ControlText(kCombo), std::string("/tmp/x.ppu"));
        window.ShowControl(kCombo, true);
        window.FocusControl(kCombo);
        QTest::keyClick(window.ControlWidget(kCombo), Qt::Key_Up);
        QCOMPARE(window.ComboSelection(kCombo), 3);
        window.ComboReset(kCombo);
        QCOMPARE(window.ComboCount(kCombo), 0);
        QCOMPARE(window.ComboSelection(kCombo), -1);
    });
    QCOMPARE(recorder.events, (Events{"combo 1004"}));
}

void QtDialogWindowTest::escapeCloseAndEnterActOnlyThroughUsableButtons()
{
    QtDialogWindow window(kFixture);
    Recorder recorder(window);
    int result = recorder.Run([&] {
        QWidget *dialog = window.Widget();
        QTest::keyClick(dialog, Qt::Key_Escape); // Cancel usable: a click on Cancel
        dialog->close();                         // the close command likewise
        QTest::keyClick(dialog, Qt::Key_Return); // Finish hidden: nothing
        window.EnableControl(IDCANCEL, false);
        QTest::keyClick(dialog, Qt::Key_Escape); // Cancel disabled: nothing
        dialog->close();
        QVERIFY(dialog->isVisible());
        window.ShowControl(IDCANCEL, false);
        window.ShowControl(IDOK, true);
        window.EnableControl(IDOK, true);
        QTest::keyClick(dialog, Qt::Key_Enter, Qt::KeypadModifier); // Finish usable
        window.EnableControl(kNext, true);
        window.FocusControl(kNext);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return); // a focused button is the default
        QTest::keyClick(dialog, Qt::Key_N, Qt::AltModifier);    // its mnemonic, clicked after a moment
        QTRY_COMPARE(recorder.events.size(), 5u);
        window.EndDialog(7);
    });
    QCOMPARE(result, 7);
    QVERIFY(!window.Widget()->isVisible());
    QCOMPARE(recorder.events, (Events{"button 2", "button 2", "button 1", "button 1010", "button 1010"}));
}

void QtDialogWindowTest::aboutEntryIsInTheContextMenuAndOnAltO()
{
    QtDialogWindow window(kFixture);
    Recorder recorder(window);
    const std::string entry = "Inf&o VORN 470 M online Firmware-Update...";
    recorder.onInit = [&] { QVERIFY(window.AddSystemMenuEntry(16, entry)); };
    recorder.Run([&] {
        QWidget *dialog = window.Widget();
        QTest::keyClick(dialog, Qt::Key_O, Qt::AltModifier);

        bool menuSeen = false;
        QTimer::singleShot(50, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            menuSeen = true;
            QCOMPARE(menu->actions().size(), 1);
            QCOMPARE(menu->actions().first()->text(), QString::fromStdString(entry));
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(menu->actions().first()).center());
        });
        const QPoint inside(5, dialog->height() - 5);
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
        QApplication::sendEvent(dialog, &rightClick);
        QVERIFY(menuSeen);
    });
    QCOMPARE(recorder.events, (Events{"syscommand 16", "syscommand 16"}));
    QVERIFY(!window.AddSystemMenuEntry(17, ""));
}

void QtDialogWindowTest::aboutBoxIsAModalChildClosedByEscapeAndEnter()
{
    const DialogTemplate *about = FindDialogTemplate(kAboutTemplateId);
    if (!about)
        QSKIP("the About box's template table is not in this build");
    QtDialogWindow wizard(kFixture);
    QCOMPARE(wizard.CreateDialog(12345), nullptr);
    std::unique_ptr<DialogWindow> created = wizard.CreateDialog(kAboutTemplateId);
    auto *box = dynamic_cast<QtDialogWindow *>(created.get());
    QVERIFY(box);
    QCOMPARE(box->Widget()->parentWidget(), wizard.Widget());
    CheckAgainstTemplate(*box, *about);
    Recorder recorder(*box);
    recorder.Run([&] {
        QCOMPARE(box->Widget()->windowModality(), Qt::WindowModal);
        // No Cancel button: Escape still asks to cancel; Enter is the default OK.
        QTest::keyClick(box->Widget(), Qt::Key_Escape);
        QTest::keyClick(box->Widget(), Qt::Key_Return);
    });
    QCOMPARE(recorder.events, (Events{"button 2", "button 1"}));
}

void QtDialogWindowTest::timersTickByIdUntilKilled()
{
    QtDialogWindow window(kFixture);
    Recorder recorder(window);
    int ticks = 0;
    recorder.onInit = [&] {
        QCOMPARE(window.SetTimer(7, 5), 7u);
        QCOMPARE(window.SetTimer(7, 5), 7u); // the same timer, set again
        QCOMPARE(window.SetTimer(8, 5), 8u);
        window.KillTimer(8);
    };
    recorder.onTimer = [&](unsigned id) {
        if (id == 7 && ++ticks == 3)
            window.KillTimer(7); // from within its own tick
    };
    recorder.Run([&] {
        QTRY_COMPARE(ticks, 3);
        QTest::qWait(50);
    });
    QCOMPARE(recorder.events, (Events{"timer 7", "timer 7", "timer 7"}));
}

void QtDialogWindowTest::messageBoxAnswers_data()
{
    QTest::addColumn<unsigned>("type");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("icon");
    QTest::newRow("OK box, OK") << (MB_OK | MB_ICONINFORMATION) << "ok" << IDOK
                                << int(QMessageBox::Information);
    QTest::newRow("OK box, Escape") << (MB_OK | MB_ICONERROR) << "escape" << IDOK
                                    << int(QMessageBox::Critical);
    QTest::newRow("OK box, close") << (MB_OK | MB_SYSTEMMODAL) << "close" << IDOK << int(QMessageBox::NoIcon);
    QTest::newRow("OK/Cancel, Enter")
        << (MB_OKCANCEL | MB_ICONQUESTION) << "enter" << IDOK << int(QMessageBox::Question);
    QTest::newRow("OK/Cancel, Cancel")
        << (MB_OKCANCEL | MB_ICONQUESTION) << "cancel" << IDCANCEL << int(QMessageBox::Question);
    QTest::newRow("OK/Cancel, Escape")
        << (MB_OKCANCEL | MB_ICONINFORMATION) << "escape" << IDCANCEL << int(QMessageBox::Information);
    QTest::newRow("OK/Cancel, close")
        << (MB_OKCANCEL | MB_ICONERROR) << "close" << IDCANCEL << int(QMessageBox::Critical);
}

void QtDialogWindowTest::messageBoxAnswers()
{
    QFETCH(unsigned, type);
    QFETCH(QString, action);
    QFETCH(int, answer);
    QFETCH(int, icon);
    QtDialogWindow window(kFixture);
    int buttons = 0;
    WhenModal<QMessageBox>([&](QMessageBox *box) {
        buttons = static_cast<int>(box->buttons().size());
        QCOMPARE(int(box->icon()), icon);
        QCOMPARE(box->windowTitle(), QString("TVXUpgrade"));
        if (action == "ok")
            box->button(QMessageBox::Ok)->click();
        else if (action == "cancel")
            box->button(QMessageBox::Cancel)->click();
        else if (action == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (action == "enter")
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->close();
    });
    QCOMPARE(window.MessageBox("Question?", "TVXUpgrade", type), answer);
    QCOMPARE(buttons, (type & 0xF) == MB_OKCANCEL ? 2 : 1);
}

void QtDialogWindowTest::messageBoxShowsItsTextExactly()
{
    QtDialogWindow window(kFixture);
    const std::string text = "Willkommen!\n\nBitte <b>nicht</b> trennen & warten:\n  Gerät \"VORN\"";
    bool shown = false;
    WhenModal<QMessageBox>([&](QMessageBox *box) {
        shown = LabelShowing(box, QString::fromStdString(text)) != nullptr;
        box->button(QMessageBox::Ok)->click();
    });
    window.MessageBox(text, "TVXUpgrade", MB_OK);
    QVERIFY(shown);
}

void QtDialogWindowTest::fileDialogFiltersAreConverted_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("converted");
    QTest::newRow("packages") << "PPU Files (*.ppu) |*.ppu|All Files (*.*) |*.*||"
                              << QStringList{"PPU Files (*.ppu)", "All Files (*)"};
    QTest::newRow("backups") << "PPU Backup Files (*.bak) |*.bak|All Files (*.*) |*.*||"
                             << QStringList{"PPU Backup Files (*.bak)", "All Files (*)"};
    QTest::newRow("several patterns, no shown patterns")
        << "Images|*.png;*.bmp||" << QStringList{"Images (*.png *.bmp)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void QtDialogWindowTest::fileDialogFiltersAreConverted()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, converted);
    QCOMPARE(ConvertFileDialogFilter(filter.toStdString()), converted);
}

namespace {

// Types the name into the dialog's file name field and accepts it.
void ChooseInFileDialog(const QString &name)
{
    WhenModal<QFileDialog>([name](QFileDialog *dialog) {
        auto *field = dialog->findChild<QLineEdit *>("fileNameEdit");
        QVERIFY(field);
        field->setText(name);
        QTest::keyClick(field, Qt::Key_Return);
    });
}

} // namespace

void QtDialogWindowTest::saveDialogAsksBeforeReplacingOnlyWhenTold()
{
    QTemporaryDir folder;
    QFile existing(folder.filePath("old.bak"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QtDialogWindow window(kFixture);
    FileDialogSpec spec{true,
                        "bak",
                        "*.bak",
                        "PPU Backup Files (*.bak) |*.bak|All Files (*.*) |*.*||",
                        OFN_HIDEREADONLY,
                        folder.path().toStdString()};
    const QString previous = QDir::currentPath();

    ChooseInFileDialog("old.bak");
    QCOMPARE(window.FileDialog(spec), folder.filePath("old.bak").toStdString());

    spec.options |= OFN_OVERWRITEPROMPT;
    bool asked = false;
    ChooseInFileDialog("old.bak");
    WhenModal<QMessageBox>([&](QMessageBox *box) {
        asked = true;
        box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(window.FileDialog(spec), folder.filePath("old.bak").toStdString());
    QVERIFY(asked);

    ChooseInFileDialog("fresh"); // the default extension is added
    QCOMPARE(window.FileDialog(spec), folder.filePath("fresh.bak").toStdString());
    QDir::setCurrent(previous);
}

void QtDialogWindowTest::openDialogReturnsTheFileAndMovesTheCurrentFolder()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("packages"));
    QFile package(folder.filePath("packages/UPDATE.PPU"));
    QVERIFY(package.open(QIODevice::WriteOnly));
    package.close();
    QtDialogWindow window(kFixture);
    const FileDialogSpec spec{false,
                              "ppu",
                              "*.ppu",
                              "PPU Files (*.ppu) |*.ppu|All Files (*.*) |*.*||",
                              OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                              folder.path().toStdString()};
    const QString previous = QDir::currentPath();

    WhenModal<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
    QCOMPARE(window.FileDialog(spec), std::string());
    QCOMPARE(QDir::currentPath(), previous);

    ChooseInFileDialog("packages/UPDATE.PPU");
    const std::string chosen = window.FileDialog(spec);
    const QString moved = QDir::currentPath();
    QDir::setCurrent(previous);
    QCOMPARE(chosen, folder.filePath("packages/UPDATE.PPU").toStdString());
    QCOMPARE(QDir(moved).canonicalPath(), QDir(folder.filePath("packages")).canonicalPath());
}

void QtDialogWindowTest::picturesAndIconComeFromTheArtwork()
{
    QtDialogWindow window(kFixture);
    auto *picture = qobject_cast<QLabel *>(window.ControlWidget(kPicture));
    for (int id : {kBannerBitmapId, kAboutBitmapId}) {
        window.SetControlImage(kPicture, id);
        const QPixmap shown = picture->pixmap();
        QVERIFY2(!shown.isNull(), qPrintable(QString::number(id)));
        QVERIFY(shown.width() <= picture->width() && shown.height() <= picture->height());
    }
    window.SetControlImage(kPicture, 12345);
    QVERIFY(picture->pixmap().isNull());
    window.SetIcon(kAppIconId);
    QVERIFY(!window.Widget()->windowIcon().isNull());
    window.SetCaption("VORN 470 M online Firmware-Update Assistent");
    QCOMPARE(window.Widget()->windowTitle(), QString("VORN 470 M online Firmware-Update Assistent"));
}

void QtDialogWindowTest::udevEventsBecomeInterfacePaths_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("eventCode"); // 0: no event
    QTest::addColumn<QString>("path");
    const QString tail = "#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
    QTest::newRow("arrival") << "add"
                             << "d7b/470/100"
                             << "0012345678" << int(DBT_DEVICEARRIVAL)
                             << R"(\\?\USB#VID_0D7B&PID_0470#0012345678)" + tail;
    QTest::newRow("removal") << "remove"
                             << "D7B/1234/0"
                             << "AB" << int(DBT_DEVICEREMOVECOMPLETE)
                             << R"(\\?\USB#VID_0D7B&PID_1234#AB)" + tail;
    QTest::newRow("no serial") << "add"
                               << "d7b/460/1"
                               << "" << int(DBT_DEVICEARRIVAL)
                               << R"(\\?\USB#VID_0D7B&PID_0460#5&1-2.3&0&0)" + tail;
    QTest::newRow("other vendor") << "add"
                                  << "46d/c52b/1201"
                                  << "X" << 0 << "";
    QTest::newRow("other action") << "change"
                                  << "d7b/470/100"
                                  << "X" << 0 << "";
    QTest::newRow("malformed") << "add"
                               << "d7b"
                               << "X" << 0 << "";
}

void QtDialogWindowTest::udevEventsBecomeInterfacePaths()
{
    QFETCH(QString, action);
    QFETCH(QString, product);
    QFETCH(QString, serial);
    QFETCH(int, eventCode);
    QFETCH(QString, path);
    const auto event = UsbDeviceEventFrom(action.toUtf8().constData(), product.toUtf8().constData(),
                                          serial.toUtf8().constData(), "1-2.3");
    QCOMPARE(event.has_value(), eventCode != 0);
    if (event) {
        QCOMPARE(int(event->eventCode), eventCode);
        QCOMPARE(QString::fromStdString(event->interfacePath), path);
    }
}

QTEST_MAIN(QtDialogWindowTest)
#include "QtDialogWindowTest.moc"
