// The wizard window on real Qt widgets, offscreen: its opening boxes are
// answered as a person would, then its initial state is read from the widgets.
#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cstdlib>

#include "dfulib/sim/SimulatorControl.h"
#include "platform/qt/QtDialogWindow.h"
#include "wizard/CTVXUpgradeDlg.h"

using D = CTVXUpgradeDlg;

class WizardWindowQtTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ::setenv("LANG", "de_DE.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        QVERIFY(tvxdfu::sim::UseScenarioJson(R"({"terminals": [{"id": "T470", "model": "VORN 470 M online",
            "vendorCode": "KOTRX", "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2",
            "deviceType": 470}]})"));
    }

    void opensWithTheTemplateStatesAndGermanTexts()
    {
        auto window = tvx::QtDialogWindow::FromTemplate(tvx::kWizardTemplateId);
        QVERIFY(window);
        MonitorMemory monitor;
        CTVXUpgradeDlg dialog(*window, monitor);

        QStringList boxTitles;
        bool inspected = false;
        QTimer driver;
        int ticks = 0;
        connect(&driver, &QTimer::timeout, [&] {
            if (++ticks > 500) // a window that never shows must not hang the run
                window->EndDialog(-2);
            else if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxTitles << box->windowTitle();
                box->button(QMessageBox::Ok)->click();
            } else if (window->Widget()->isVisible() && !inspected) {
                inspected = true;
                Inspect(*window);
                qobject_cast<QAbstractButton *>(window->ControlWidget(D::cancelButton))->click();
            }
        });
        driver.start(20);
        QCOMPARE(dialog.DoModal(), tvx::IDCANCEL);
        QVERIFY(inspected);
        QCOMPARE(boxTitles, (QStringList{"VORN 470 M online Firmware-Update Assistent",
                                         "Durchführung des VORN 470 M online Updates"}));
        QCOMPARE(dialog.readerNotification, nullptr);
    }

private:
    static void Inspect(tvx::QtDialogWindow &window)
    {
        QCOMPARE(window.Widget()->windowTitle(), QString("VORN 470 M online Firmware-Update Assistent"));
        QVERIFY(!window.Widget()->windowIcon().isNull());
        const auto *banner = qobject_cast<QLabel *>(window.ControlWidget(D::bannerPicture));
        QVERIFY(banner && !banner->pixmap().isNull());

        const int shown[] = {D::deviceList, D::nextButton, D::cancelButton, D::stepGroup, D::infoGroup};
        const int hidden[] = {D::packageCombo, D::backupCombo, D::searchButton, D::backupCheck,
                              D::statusText,   D::progressBar, D::uploadText,   D::downloadText,
                              D::slashText,    D::hintText,    D::backButton,   D::finishButton};
        for (int id : shown)
            QVERIFY2(window.ControlWidget(id)->isVisible(), qPrintable(QString::number(id)));
        for (int id : hidden)
            QVERIFY2(!window.ControlWidget(id)->isVisible(), qPrintable(QString::number(id)));
        QVERIFY(!window.ControlWidget(D::nextButton)->isEnabled());
        QVERIFY(window.ControlWidget(D::cancelButton)->isEnabled());

        QCOMPARE(QString::fromStdString(window.ControlText(D::stepGroup)),
                 QString("Bitte wählen Sie ein Gerät aus:"));
        QCOMPARE(QString::fromStdString(window.ControlText(D::nextButton)), QString("&Weiter >"));
        QCOMPARE(QString::fromStdString(window.ControlText(D::cancelButton)), QString("&Abbrechen"));
        QCOMPARE(window.ControlWidget(D::statusText)->font().family(), QString("Arial"));

        auto *list = qobject_cast<QTableWidget *>(window.ControlWidget(D::deviceList));
        QVERIFY(list);
        QCOMPARE(list->columnCount(), 3);
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(list->item(0, 2)->text(), QString("T470"));
        QCOMPARE(window.Widget()->focusWidget(), list);
    }
};

QTEST_MAIN(WizardWindowQtTest)
#include "WizardWindowQtTest.moc"
