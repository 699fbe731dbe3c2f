// Qt's own texts follow the language the string table is chosen by: the
// buttons of a box and the file dialog's labels in German and French.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <cstdlib>

#include "platform/Language.h"
#include "platform/qt/QtDialogWindow.h"
#include "platform/qt/StockTranslations.h"
#include "res/Resources.h"
#include "tests/platform-qt/WhenModal.h"

using namespace tvx;

namespace {

QString WithoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

class StockTranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void boxAndFileDialogSpeakTheLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QString>("fileNameLabel");
        QTest::newRow("German") << "de_DE.UTF-8"
                                << "Abbrechen"
                                << "Dateiname:";
        QTest::newRow("French") << "fr_FR.UTF-8"
                                << "Annuler"
                                << "Nom de fichier :";
        QTest::newRow("English") << "en_US.UTF-8"
                                 << "Cancel"
                                 << "File name:";
        QTest::newRow("other") << "it_IT.UTF-8"
                               << "Cancel"
                               << "File name:";
    }

    void boxAndFileDialogSpeakTheLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QString, cancel);
        QFETCH(QString, fileNameLabel);
        ::setenv("LC_ALL", locale.toUtf8().constData(), 1);
        const auto translations = InstallStockTranslations(GetSystemDefaultLangID());
        auto window = QtDialogWindow::FromTemplate(kWizardTemplateId);
        QVERIFY(window);

        QStringList boxButtons;
        WhenModal<QMessageBox>([&](QMessageBox *box) {
            for (QAbstractButton *button : box->buttons())
                boxButtons << WithoutMnemonic(button->text());
            box->button(QMessageBox::Cancel)->click();
        });
        QCOMPARE(window->MessageBox("?", "TVXUpgrade", MB_OKCANCEL), IDCANCEL);
        boxButtons.sort();
        QStringList expected{"OK", cancel};
        expected.sort();
        QCOMPARE(boxButtons, expected);

        QStringList labels;
        QString dialogCancel;
        WhenModal<QFileDialog>([&](QFileDialog *dialog) {
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                labels << WithoutMnemonic(label->text());
            const auto *buttons = dialog->findChild<QDialogButtonBox *>();
            dialogCancel = WithoutMnemonic(buttons->button(QDialogButtonBox::Cancel)->text());
            dialog->reject();
        });
        window->FileDialog(
            FileDialogSpec{false, "ppu", "*.ppu", "PPU Files (*.ppu) |*.ppu||", OFN_FILEMUSTEXIST, ""});
        QCOMPARE(dialogCancel, cancel);
        QVERIFY2(labels.contains(fileNameLabel), qPrintable(labels.join(", ")));
    }
};

QTEST_MAIN(StockTranslationsTest)
#include "StockTranslationsTest.moc"
