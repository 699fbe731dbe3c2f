#include "tests/e2e/QtWizardRun.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"
#include "platform/SimulatedBusWatcher.h"

namespace {

// A run that never gets to its end must not hang the test.
constexpr int kTickLimit = 3000;

} // namespace

void QtWizardRun::SetUp()
{
    DriveTest::SetUp();
    tvxdfu::sim::SetClock({});
    ASSERT_TRUE(tvxdfu::sim::UseScenarioJson(
        R"({"terminals": [{"id": "K470Q01", "model": "VORN 470 M online", "vendorCode": "KOTRX",
            "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "deviceType": 470,
            "pin": ["adjust-display"],
            "timing": {"initMs": 200, "pinMs": 300, "restartMs": 400, "manifestMs": 1500,
                       "downloadBytesPerSecond": 16384}}]})"));
    TestPackage package = FirmwarePackage470();
    package.parts[0].image.size = 8192; // half a second of download
    Pack("fit.ppu", package);
    window = tvx::QtDialogWindow::FromTemplate(tvx::kWizardTemplateId);
    ASSERT_TRUE(window);
}

std::vector<std::function<void()>> QtWizardRun::StepsToTheUpgrade()
{
    tvx::QtDialogWindow &w = *window;
    return {
        [&w] {
            auto *list = Widget<QTableWidget>(w, D::deviceList);
            ASSERT_EQ(list->rowCount(), 1);
            list->selectRow(0);
            Click(w, D::nextButton);
        },
        [&w] {
            EXPECT_EQ(Widget<QComboBox>(w, D::packageCombo)->currentText(), "fit.ppu");
            Click(w, D::nextButton);
        },
        [&w] { Click(w, D::nextButton); }, // the backup step, no backup
    };
}

int QtWizardRun::Run(const std::vector<std::function<void()>> &steps, const std::function<void()> &watch)
{
    tvx::QtDialogWindow &w = *window;
    MonitorMemory monitor;
    CTVXUpgradeDlg wizard(w, monitor);
    tvx::SimulatedBusWatcher watcher(ListVORNDevices);
    watcher.Poll();
    QTimer bus;
    QObject::connect(&bus, &QTimer::timeout, [&] { watcher.Poll(); });
    bus.start(50);

    std::size_t next = 0;
    int ticks = 0;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        if (++ticks > kTickLimit) {
            w.EndDialog(-2);
        } else if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes.push_back(box->windowTitle().toStdString());
            box->button(QMessageBox::Ok)->click();
        } else if (w.Widget()->isVisible() && next < steps.size()) {
            // Out of this tick: a step may open a box that waits for the next ticks.
            QTimer::singleShot(0, steps[next++]);
        } else if (next == steps.size()) {
            watch();
        }
    });
    person.start(10);
    return wizard.DoModal();
}
