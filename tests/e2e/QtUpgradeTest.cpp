// One whole upgrade on real Qt widgets offscreen: the simulator on the real
// clock with short timings, its bus watched from the event loop, every box
// answered and every step taken through the widgets as a person would.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QTableWidget>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <set>

#include "DriveFixture.h"
#include "QtDialogWindow.h"
#include "SimulatedBusWatcher.h"
#include "SimulatorControl.h"
#include "TVXDFUUpgrade.h"
#include "UpgradeTexts.h"

namespace {

template <class W> W *Widget(tvx::QtDialogWindow &window, int id)
{
    return qobject_cast<W *>(window.ControlWidget(id));
}

void Click(tvx::QtDialogWindow &window, int id) { Widget<QAbstractButton>(window, id)->click(); }

} // namespace

TEST_F(DriveTest, WholeUpgradeOnRealWidgetsEndsWithFinish)
{
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

    auto qtWindow = tvx::QtDialogWindow::FromTemplate(tvx::kWizardTemplateId);
    ASSERT_TRUE(qtWindow);
    tvx::QtDialogWindow &w = *qtWindow;
    MonitorMemory monitor;
    CTVXUpgradeDlg wizard(w, monitor);
    tvx::SimulatedBusWatcher watcher(ListVORNDevices);
    watcher.Poll();
    QTimer bus;
    QObject::connect(&bus, &QTimer::timeout, [&] { watcher.Poll(); });
    bus.start(50);

    const std::vector<std::function<void()>> steps = {
        [&] {
            auto *list = Widget<QTableWidget>(w, D::deviceList);
            ASSERT_EQ(list->rowCount(), 1);
            list->selectRow(0);
            Click(w, D::nextButton);
        },
        [&] {
            EXPECT_EQ(Widget<QComboBox>(w, D::packageCombo)->currentText(), "fit.ppu");
            Click(w, D::nextButton);
        },
        [&] { Click(w, D::nextButton); }, // the backup step, no backup
    };
    std::size_t next = 0;
    std::vector<std::string> boxes;
    std::set<std::string> statusTexts, spinnerFrames;
    std::set<int> positions;
    bool finished = false;
    int ticks = 0;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        if (++ticks > 3000) { // a run that never gets there must not hang the test
            w.EndDialog(-2);
        } else if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes.push_back(box->windowTitle().toStdString());
            box->button(QMessageBox::Ok)->click();
        } else if (w.Widget()->isVisible() && next < steps.size()) {
            // Out of this tick: a step may open a box that waits for the next ticks.
            QTimer::singleShot(0, steps[next++]);
        } else if (next == steps.size()) {
            statusTexts.insert(w.ControlText(D::statusText));
            spinnerFrames.insert(w.ControlText(D::slashText));
            if (Widget<QProgressBar>(w, D::progressBar)->isVisible())
                positions.insert(Widget<QProgressBar>(w, D::progressBar)->value());
            if (w.ControlWidget(D::finishButton)->isVisible() && w.ControlWidget(D::finishButton)->isEnabled()) {
                finished = true;
                Click(w, D::finishButton);
            }
        }
    });
    person.start(10);
    EXPECT_EQ(wizard.DoModal(), tvx::IDOK);
    EXPECT_TRUE(finished);

    EXPECT_EQ(boxes.size(), 5u); // welcome, preparation, ready, start, success
    EXPECT_EQ(boxes.back(), kSuccessCaption);
    for (unsigned id : {162u, 164u})
        EXPECT_EQ(statusTexts.count(EnglishText(id)), 1u) << id;
    EXPECT_EQ(statusTexts.count(EnglishText(185) + EnglishText(184)), 1u);
    EXPECT_EQ(statusTexts.count(std::string(kFirmwareSucceededText) + "\n\n Firmware Version: V 4.7.0 "), 1u);
    const std::string typed = EnglishText(165).substr(0, 2);
    EXPECT_TRUE(std::any_of(statusTexts.begin(), statusTexts.end(),
                            [&](const std::string &text) { return text.size() == 3 && text.starts_with(typed); }))
        << "the installation text typed during manifestation";
    EXPECT_GE(spinnerFrames.size(), 4u); // the turning bar, and empty at the end
    EXPECT_TRUE(positions.count(100));
    EXPECT_GE(positions.size(), 3u) << "the bar moved through the download";
    uint32_t firmware, loader;
    ReadTerminal("K470Q01", &firmware, &loader);
    EXPECT_EQ(firmware, 0x01040700u);
}

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
