#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/ScriptedWindow.h"
#include "res/Resources.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

using tvx::IDCANCEL;
using tvx::IDOK;

enum Language { English, German, French };

struct PerLanguage {
    const char *english, *german, *french;
    const char *In(Language language) const
    {
        return language == German ? german : language == French ? french : english;
    }
};

struct BoxCase {
    const char *name;
    std::function<void(CTVXUpgradeDlg &)> show;
    PerLanguage title;
    unsigned style[3]; // English, German, French
    PerLanguage textPart;
};

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
    }
    void TearDown() override { unsetenv("LANG"); }

    const tvx::ScriptedWindow::MessageBoxRecord &LastBox() const { return window.MessageBoxes().back(); }

    tvx::ScriptedWindow window{tvx::kWizardTemplateId};
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog{window, monitor};
};

const BoxCase kBoxes[] = {
    {"welcome",
     [](CTVXUpgradeDlg &d) { d.ShowWelcomeBox(); },
     {"VORN smartcard terminal firmware upgrade tool", "VORN 470 M online Firmware-Update Assistent",
      "Outil de mise à jour de lecteurs de cartes VORN"},
     {4129, 4129, 4129},
     {"\n\n•  Activate the desktop-mode in the terminal\n\n•  Ensure that the drivers for the  VORN 400 "
      "series are "
      "properly installed\n\nIf all conditions are  fulfilled, please click [OK] to start the "
      "firmware-upgrade "
      "process.\n\nIf you are not sure, please abort the firmware upgrade process by clicking [CANCEL].",
      "VORN 470 M online Firmware-Update Assistent\n\nWillkommen zum Firmware-Update Assistenten für das "
      "mobile\nVORN 470 online Kartenterminal.\n\nDieses Software-Tool",
      "e-Health de la serie VORN 400\nMerci de vérifier les points suivants avant de continuer le processus "
      "de mise à "
      "jour:\n\n•  Activez le mode \"stationaire\" dans le terminal\n\n"}},
    {"preparation",
     [](CTVXUpgradeDlg &d) { d.ShowPreparationBox(); },
     {"Please prepare the terminal for the upgrade procedure", "Durchführung des VORN 470 M online Updates",
      "Merci de preparer le terminal pour la procédure de mise à jour"},
     {4160, 4160, 4160},
     {"Step 2:\nPlease select the detected device in the next step.",
      "aufmerksam durch, damit es nicht zu Fehlern während des \nUpdates kommt.",
      "Etape 2:\nSelectionnez l'élément detecté dans la fenêtre suivante."}},
    {"abort kind 0",
     [](CTVXUpgradeDlg &d) { d.ShowAbortBox(0); },
     {"Firmware upgrade aborted", "Abbruch des Firmware-Update Assistenten",
      "Mise à jour du firmware annulée"},
     {4160, 4096, 4160},
     {"Firmware upgrade aborted\n\n", "   -   Es ist ein Verbindungsfehler aufgetreten.\n",
      "Mise à jour du firmware annulée\n\n"}},
    {"abort kind 1",
     [](CTVXUpgradeDlg &d) { d.ShowAbortBox(1); },
     {"Firmware upgrade aborted.", "Firmware-Update Assistenten abgebrochen.",
      "Mise à jour du firmware annulée."},
     {4096, 4096, 4096},
     {"Firmware upgrade aborted\n\nYou quit the firmware-upgrade process!",
      "Sie haben den Firmware-Update Assistenten beendet.\n",
      "Vous avez quitté la procédure de mise à jour du firmware !"}},
    {"ready",
     [](CTVXUpgradeDlg &d) { d.ShowReadyBox(); },
     {"The device is ready for the firmware-upgrade",
      "Das eHealth Kartenterminal ist bereit für das Upgrade.",
      "Le terminal est prêt pour sa mise à jour firmware"},
     {4161, 4161, 4161},
     {"NOTICE:\n\n  • An abortion during the upgrade-process could destroy the card-reader irreversible. "
      "Don’t "
      "abort the upgrade-process , disconnect the  terminal",
      "WICHTIGE HINWEISE:\n\nWährend des Aufspielens",
      "La mise à jour du fimware du terminal va pouvoir commencer."}},
    {"start",
     [](CTVXUpgradeDlg &d) { d.ShowStartBox(); },
     {"Firmware-upgrade start", "Start des Firmware-Upgrades.", "Début de la mise à jour du firmware"},
     {4161, 4161, 4161},
     {"Firmware-upgrade start\n\nNotice: By clicking [OK] the firmware-upgrade will start and is not "
      "reversible!\n\nAre you really sure you want to upgrade the firmware now?",
      "Start des Firmware-Upgrades.\n\nHINWEIS:\nDurch Klicken auf OK wird mit dem Firmware-Upgrade begonnen "
      "und "
      "kann nicht mehr rückgängig gemacht werden.\n\nSind Sie sicher, dass Sie das Firmware-Upgrade jetzt "
      "starten "
      "wollen?",
      "Début de la mise à jour du firmware\n\nNote: En selectionnant [OK] la mise à jour firmware va "
      "commencer. "
      "Cette action n'est pas réversible.\n\nEtes vous sûr de vouloir démarrer la mise à jour maintenant ?"}},
    {"success",
     [](CTVXUpgradeDlg &d) { d.ShowSuccessBox(); },
     {"Firmware upgrade successful", "Das Update des VORN 470 M online war erfolgreich!",
      "Le firmware a été mis à jour avec succès !"},
     {4160, 4160, 4160},
     {"Congratulations!\n\nThe new firmware is successfully installed to your device.",
      "gehen Sie in das Service-Menü des Gerätes und \nüberprüfen Sie unter dem Menüpunkt 3 \"Status\"\n",
      "Félicitations !\n\nLe nouveau firmware est correctement installé sur votre terminal."}},
    {"device abort",
     [](CTVXUpgradeDlg &d) { d.ShowDeviceAbortBox(); },
     {"Configurations-Update aborted", "Abbruch der Installation", "Interruption de l'installation"},
     {4160, 4160, 4160},
     {"Some patient data could remain in the terminal, please make sure it is deleted",
      " - Es befinden sich noch Patientendaten im Speicher\n   des Gerätes.\n",
      "S'il reste des données patient dans le terminal, veuillez les effacer svp"}},
    {"product mismatch",
     [](CTVXUpgradeDlg &d) { d.ShowProductMismatchBox(); },
     {"Configurations-Update aborted", "Abbruch der Installation", "Interruption de l'installation"},
     {4160, 4160, 4160},
     {"Product ID does not match!",
      "Die ausgewählte Update Datei passt nicht zum angeschlossenen Gerät!\n\nBeginnen Sie den Updatevorgang "
      "erneut "
      "und wählen Sie die passende Update Datei aus.",
      "ID du produit incorrect!"}},
    {"version refused",
     [](CTVXUpgradeDlg &d) { d.ShowVersionRefusedBox(); },
     {"Firmware upgrade aborted", "Abbruch der Installation", "Interruption de l'installation"},
     {4160, 4160, 4160},
     {"first upgrade by using FW3.02_VORN_460_M_plus.ppu and then upgrade by using "
      "FW3.19_VORN_460_M_plus.ppu",
      "ist ein Firmware-Update mit diesem\nFirmware - Update Assistenten nicht möglich.\n",
      "il faut le mettre à jour d'abord avec le package FW3.02_VORN_460_M_plus.ppu puis utiliser "
      "FW3.19_VORN_460_M_plus.ppu"}},
};

// The language is read at each display: one dialog object sees all of them.
TEST_F(MessageBoxes, EachBoxInEachLanguage)
{
    const struct {
        const char *lang;
        Language expected;
    } locales[] = {
        {"de_DE.UTF-8", German},  {"fr_FR.UTF-8", French}, {"en_US.UTF-8", English},
        {"it_IT.UTF-8", English}, {"de_CH.UTF-8", German}, {"", English},
    };
    for (const auto &locale : locales) {
        setenv("LANG", locale.lang, 1);
        for (const BoxCase &box : kBoxes) {
            SCOPED_TRACE(std::string(box.name) + " with LANG=" + locale.lang);
            box.show(dialog);
            const auto &shown = LastBox();
            EXPECT_EQ(shown.caption, box.title.In(locale.expected));
            EXPECT_EQ(shown.type, box.style[locale.expected]);
            EXPECT_NE(shown.text.find(box.textPart.In(locale.expected)), std::string::npos) << shown.text;
            EXPECT_EQ(shown.text.find('{'), std::string::npos) << "unreplaced contact: " << shown.text;
        }
    }
}

TEST_F(MessageBoxes, AbortBoxesNameTheServiceContact)
{
    const struct {
        const char *lang;
        int kind;
        bool hotline;
    } cases[] = {
        {"en_GB.UTF-8", 0, true}, {"en_GB.UTF-8", 1, true},  {"fr_FR.UTF-8", 0, true},
        {"fr_FR.UTF-8", 1, true}, {"de_DE.UTF-8", 0, false}, {"de_DE.UTF-8", 1, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " kind " + std::to_string(c.kind));
        setenv("LANG", c.lang, 1);
        dialog.ShowAbortBox(c.kind);
        const std::string &text = LastBox().text;
        EXPECT_EQ(text.find(tvx::kServiceHotline) != std::string::npos, c.hotline) << text;
        EXPECT_NE(text.find(tvx::kServiceWebAddress), std::string::npos) << text;
    }
    // The German texts end with the web address after their last line break.
    setenv("LANG", "de_DE.UTF-8", 1);
    dialog.ShowAbortBox(0);
    EXPECT_EQ(LastBox().text.substr(LastBox().text.rfind('\n') + 1), tvx::kServiceWebAddress);
}

TEST_F(MessageBoxes, ConfirmingBoxesReturnOneOnlyForOk)
{
    const struct {
        const char *name;
        int (CTVXUpgradeDlg::*show)();
    } boxes[] = {
        {"welcome", &CTVXUpgradeDlg::ShowWelcomeBox},
        {"ready", &CTVXUpgradeDlg::ShowReadyBox},
        {"start", &CTVXUpgradeDlg::ShowStartBox},
    };
    for (const auto &box : boxes) {
        SCOPED_TRACE(box.name);
        window.QueueMessageBoxAnswer(IDOK);
        EXPECT_EQ((dialog.*box.show)(), 1);
        window.QueueMessageBoxAnswer(IDCANCEL);
        EXPECT_EQ((dialog.*box.show)(), 0);
        window.QueueMessageBoxAnswer(0); // a box closed without an answer
        EXPECT_EQ((dialog.*box.show)(), 0);
    }
    // The preparation box has only OK: however it is closed, it confirms.
    window.QueueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(dialog.ShowPreparationBox(), 1);
}

} // namespace
