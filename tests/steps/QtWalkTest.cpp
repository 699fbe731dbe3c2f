// The walk from the device step to the backup step once on real Qt widgets,
// offscreen, driven through the widgets as a person would.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <vector>

#include "dfulib/sim/SimulatorControl.h"
#include "platform/qt/QtDialogWindow.h"
#include "tests/support/WizardFixture.h"

namespace {

using D = CTVXUpgradeDlg;

template <class W>
W *Widget(tvx::QtDialogWindow &window, int id)
{
    return qobject_cast<W *>(window.ControlWidget(id));
}

} // namespace

using QtWalkTest = WizardTest;

TEST_F(QtWalkTest, DeviceStepToBackupStepOnRealWidgets)
{
    TestPackage package;
    package.parts = {ThreePartFirmware(0x040700, 0x010402)};
    Pack("fit.ppu", package);
    ASSERT_TRUE(tvxdfu::sim::UseScenario("demo"));
    auto qtWindow = tvx::QtDialogWindow::FromTemplate(tvx::kWizardTemplateId);
    ASSERT_TRUE(qtWindow);
    tvx::QtDialogWindow &w = *qtWindow;
    MonitorMemory qtMonitor;
    CTVXUpgradeDlg wizard(w, qtMonitor);

    // One action per step, each run once the window shows that step.
    const std::vector<std::function<void()>> steps = {
        [&] {
            auto *list = Widget<QTableWidget>(w, D::deviceList);
            ASSERT_TRUE(list);
            int row = -1;
            for (int r = 0; r < list->rowCount(); ++r)
                if (list->item(r, 2)->text() == "K470A0001234")
                    row = r;
            ASSERT_GE(row, 0);
            list->selectRow(row);
            EXPECT_EQ(w.ControlText(D::versionBeforeText), "V 4.6.0 + Loader V 1.4.2");
            EXPECT_TRUE(w.ControlWidget(D::nextButton)->isEnabled());
            Widget<QAbstractButton>(w, D::nextButton)->click();
        },
        [&] {
            auto *combo = Widget<QComboBox>(w, D::packageCombo);
            EXPECT_TRUE(combo->isVisible());
            EXPECT_FALSE(w.ControlWidget(D::deviceList)->isVisible());
            ASSERT_EQ(combo->count(), 2);
            EXPECT_EQ(combo->itemText(0), "[..]");
            EXPECT_EQ(combo->currentText(), "fit.ppu");
            Widget<QAbstractButton>(w, D::nextButton)->click();
        },
        [&] {
            EXPECT_EQ(w.ControlText(D::stepGroup), EnglishText(173));
            EXPECT_TRUE(w.ControlWidget(D::backupCheck)->isVisible());
            EXPECT_FALSE(w.ControlWidget(D::backupCombo)->isVisible());
            Widget<QAbstractButton>(w, D::backupCheck)->click();
            EXPECT_TRUE(w.ControlWidget(D::backupCombo)->isVisible());
            EXPECT_TRUE(w.ControlWidget(D::searchButton)->isVisible());
            Widget<QAbstractButton>(w, D::cancelButton)->click();
        },
    };

    std::size_t next = 0;
    int ticks = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (++ticks > 1000) // a window that never gets there must not hang the run
            w.EndDialog(-2);
        else if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click(); // the opening boxes
        else if (w.Widget()->isVisible() && next < steps.size())
            steps[next++]();
    });
    driver.start(10);
    EXPECT_EQ(wizard.DoModal(), tvx::IDCANCEL);
    EXPECT_EQ(next, steps.size());
    EXPECT_EQ(wizard.currentStep, StepBackup);
}
