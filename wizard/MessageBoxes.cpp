// The wizard's own message boxes: title, text and style per language, chosen
// by the language rule each time a box is shown. "{hotline}" and "{web}" in a
// text stand for the service contact, which a vendor build sets in one place.
#include <string>
#include <string_view>

#include "res/Resources.h"
#include "wizard/CTVXUpgradeDlg.h"

namespace {

using tvx::MB_ICONINFORMATION;
using tvx::MB_ICONQUESTION;
using tvx::MB_OK;
using tvx::MB_OKCANCEL;
using tvx::MB_SYSTEMMODAL;

constexpr unsigned kPlain = MB_SYSTEMMODAL | MB_OK;                                          // 4096
constexpr unsigned kInformation = MB_SYSTEMMODAL | MB_ICONINFORMATION | MB_OK;               // 4160
constexpr unsigned kInformationOkCancel = MB_SYSTEMMODAL | MB_ICONINFORMATION | MB_OKCANCEL; // 4161
constexpr unsigned kQuestionOkCancel = MB_SYSTEMMODAL | MB_ICONQUESTION | MB_OKCANCEL;       // 4129
static_assert(kPlain == 4096 && kInformation == 4160 && kInformationOkCancel == 4161 &&
              kQuestionOkCancel == 4129);

struct BoxText {
    const char *title;
    const char *text;
    unsigned style;
};

struct Box {
    BoxText english, german, french;
};

// clang-format off
constexpr Box kWelcomeBox = {
    {"VORN smartcard terminal firmware upgrade tool",
     "VORN smartcard terminal firmware upgrade tool\n\n"
     "This is the VORN firmware upgrade tool for the mobile e-Health terminals of the VORN 400 series.\n"
     "Please check the following preparations before continuing the firmware upgrade process:\n\n"
     "•  Activate the desktop-mode in the terminal\n\n"
     "•  Ensure that the drivers for the  VORN 400 series are properly installed\n\n"
     "If all conditions are  fulfilled, please click [OK] to start the firmware-upgrade process.\n\n"
     "If you are not sure, please abort the firmware upgrade process by clicking [CANCEL].",
     kQuestionOkCancel},
    {"VORN 470 M online Firmware-Update Assistent",
     "VORN 470 M online Firmware-Update Assistent\n\n"
     "Willkommen zum Firmware-Update Assistenten für das mobile\n"
     "VORN 470 online Kartenterminal.\n\n"
     "Dieses Software-Tool ermöglicht es Ihnen ein Update der\n"
     "Firmware des mobilen VORN 470 M online Kartenterminals\n"
     "vorzunehmen.\n\n"
     "Bitte treffen Sie die folgenden Vorbereitungen, um mit dem\n"
     "Update beginnen zu können:\n\n"
     "1. Gespeicherte Patientendaten sichern\n"
     "Sichern Sie die noch nicht an das Primärsystem übertragenen\n"
     "Patientendaten! Ein Update ist mit im Gerät befindlichen\n"
     "Versichertenstammdaten nicht möglich.\n\n"
     "2. Treiberinstallation auf dem Computer\n"
     "Die Treiber für das Kartenlesegerät müssen auf diesem\n"
     "Computer installiert sein, damit das Gerät richtig\n"
     "erkannt wird.\n\n"
     "Klicken Sie auf ABBRECHEN, um den Update Assistenten zu\n"
     "beenden.",
     kQuestionOkCancel},
    {"Outil de mise à jour de lecteurs de cartes VORN",
     "Outil de mise à jour de lecteurs de cartes VORN\n\n"
     "Ceci est un outil de mise à jour firmware de terminaux mobiles e-Health de la serie VORN 400\n"
     "Merci de vérifier les points suivants avant de continuer le processus de mise à jour:\n\n"
     "•  Activez le mode \"stationaire\" dans le terminal\n\n"
     "•  Assurez vous que les drivers VORN 400 sont correctement installés\n\n"
     "Si toutes les conditions sont réunies, cliquez sur [OK] pour commencer la mise à jour du firmware.\n\n"
     "Sinon vous pouvez annuler la mise à jour en sélectionnant [ANNULER].",
     kQuestionOkCancel},
};

constexpr Box kPreparationBox = {
    {"Please prepare the terminal for the upgrade procedure",
     "Please prepare the terminal for the upgrade procedure\n\n"
     "Step 1:\n"
     "Please make sure that the VORN terminal is in the desktop mode and connect it with the USB-cable to this computer.\n\n"
     "Step 2:\n"
     "Please select the detected device in the next step.",
     kInformation},
    {"Durchführung des VORN 470 M online Updates",
     "Durchführung des VORN 470 M online Updates\n\n"
     "Bitte lesen Sie die Hinweise während des Updates\n"
     "aufmerksam durch, damit es nicht zu Fehlern während des \n"
     "Updates kommt.\n\n"
     "Schritt 1:\n"
     "Bitte verbinden Sie das Kartenlesegerät über das zugehörige\n"
     "USB-Kabel mit diesem Computer.\n\n"
     "Schritt 2:\n"
     "Bitte wählen Sie nach dem Klicken auf OK im folgenden\n"
     "Fenster das angeschlossene Gerät aus und bestätigen Sie\n"
     "die Auswahl mit WEITER.\n\n"
     "Hinweis:\n"
     "Im Verlauf des Updates werden Sie wiederholt zur Eingabe\n"
     "der Admin-PIN ins Gerät aufgefordert.\n"
     "Halten Sie diese für die Eingabe bereit, beobachten Sie\n"
     "während des Updates das Display des Gerätes und befolgen\n"
     "Sie die dort angezeigten Hinweise.",
     kInformation},
    {"Merci de preparer le terminal pour la procédure de mise à jour",
     "Merci de preparer le terminal pour la procédure de mise à jour\n\n"
     "Etape 1:\n"
     "Assurez vous que le terminal est configuré en mode stationnaire et connectez le par cable USB à l'ordinateur\n\n"
     "Etape 2:\n"
     "Selectionnez l'élément detecté dans la fenêtre suivante.",
     kInformation},
};

// Kind 0: the wizard was left at its start or had to stop.
constexpr Box kAbortBoxKind0 = {
    {"Firmware upgrade aborted",
     "Firmware upgrade aborted\n\n"
     "If you need assistance, please contact our service hotline {hotline}. "
     "The current driver package for the VORN 400 series can be downloaded from our web site {web}",
     kInformation},
    {"Abbruch des Firmware-Update Assistenten",
     "Die Installation des Firmware-Updates wurde abgebrochen.\n"
     "Wenn Sie die Installation nicht absichtlich abgebrochen\n"
     "haben, kann dies folgende Ursachen haben:\n"
     "   -   Es ist ein Verbindungsfehler aufgetreten.\n"
     "Überprüfen Sie, ob die Verbindung zwischen Gerät und PC\n"
     "nicht unterbrochen wurde.\n"
     "Wenn Sie beim Firmware-Update Unterstützung benötigen\n"
     "kontaktieren Sie uns. Kontaktdaten finden Sie unter\n"
     "{web}",
     kPlain},
    {"Mise à jour du firmware annulée",
     "Mise à jour du firmware annulée\n\n"
     "Si vous avez besoin d'aide, appelez notre hotline au {hotline}. "
     "Les drivers VORN 400 sont disponibles au téléchargement sur notre site web {web}",
     kInformation},
};

// Kind 1: the user declined the ready or the start box.
constexpr Box kAbortBoxKind1 = {
    {"Firmware upgrade aborted.",
     "Firmware upgrade aborted\n\n"
     "You quit the firmware-upgrade process!\n"
     "For further assistance please call our service hotline {hotline} or visit our web site {web}",
     kPlain},
    {"Firmware-Update Assistenten abgebrochen.",
     "Sie haben den Firmware-Update Assistenten beendet.\n"
     "Wenn Sie beim Update weitere Unterstützung benötigen, kontaktieren Sie uns. "
     "Unsere Kontaktdaten finden Sie unter {web}",
     kPlain},
    {"Mise à jour du firmware annulée.",
     "Mise à jour du firmware annulée\n\n"
     "Vous avez quitté la procédure de mise à jour du firmware !\n"
     "Pour toute assistance, appelez notre centre d'appels au {hotline} ou consultez notre site web {web}",
     kPlain},
};

constexpr Box kReadyBox = {
    {"The device is ready for the firmware-upgrade",
     "The device is ready for the firmware-upgrade\n\n"
     "The firmware upgrade is now ready to be installed on the device.\n\n"
     "NOTICE:\n\n"
     "  • An abortion during the upgrade-process could destroy the card-reader irreversible. "
     "Don’t abort the upgrade-process , disconnect the  terminal from the computer or shut down the "
     "computer during the firmware-upgrade process.\n\n"
     "  • You will be asked for some input acknowledgements during the upgrade-process. "
     "This acknowledgements  will be prompt on the card terminal display. Please pay attention to the "
     "terminal display and follow the instructions on this windows and the terminal screen.",
     kInformationOkCancel},
    {"Das eHealth Kartenterminal ist bereit für das Upgrade.",
     "Das eHealth Kartenterminal ist bereit für das Upgrade.\n\n"
     "Das Firmware-Upgrade kann jetzt beginnen.\n\n"
     "WICHTIGE HINWEISE:\n\n"
     "Während des Aufspielens der neuen Firmware darf die Installation unter keinen Umständen unterbrochen "
     "werden, da das Gerät sonst anschließend u.U. nicht mehr funktionieren wird.\n\n"
     "Brechen Sie die Installation nicht vor der endgültigen Fertigstellung ab. Trennen Sie nicht die "
     "Verbindung des Gerätes zum Computer und schalten Sie den Computer während des Upgrades nicht aus.\n\n"
     "Achten Sie sowohl auf die Hinweise im Gerätedisplay sowie in den folgenden Hinweisfenstern dieses "
     "Installationsassistenten.\n\n"
     "Befolgen Sie die Anweisungen auf dem Gerätedisplay, wenn sie dort erscheinen.",
     kInformationOkCancel},
    {"Le terminal est prêt pour sa mise à jour firmware",
     "Le terminal est prêt pour sa mise à jour firmware\n\n"
     "La mise à jour du fimware du terminal va pouvoir commencer.\n\n"
     "NOTE:\n\n"
     "  • Une interuption prématurée du processus de mise à jour pourrait rendre le lecteur de carte "
     "inutilisable. N'interrompez pas le processus, ne déconnectez pas le terminal de l'ordinateur et "
     "n'éteignez pas l'ordinateur pendant la mise à jour svp.\n\n"
     "  • Merci de suivre les instructions affichées sur cette fenêtre ainsi que sur l'écran du terminal.",
     kInformationOkCancel},
};

constexpr Box kStartBox = {
    {"Firmware-upgrade start",
     "Firmware-upgrade start\n\n"
     "Notice: By clicking [OK] the firmware-upgrade will start and is not reversible!\n\n"
     "Are you really sure you want to upgrade the firmware now?",
     kInformationOkCancel},
    {"Start des Firmware-Upgrades.",
     "Start des Firmware-Upgrades.\n\n"
     "HINWEIS:\n"
     "Durch Klicken auf OK wird mit dem Firmware-Upgrade begonnen und kann nicht mehr rückgängig gemacht werden.\n\n"
     "Sind Sie sicher, dass Sie das Firmware-Upgrade jetzt starten wollen?",
     kInformationOkCancel},
    {"Début de la mise à jour du firmware",
     "Début de la mise à jour du firmware\n\n"
     "Note: En selectionnant [OK] la mise à jour firmware va commencer. Cette action n'est pas réversible.\n\n"
     "Etes vous sûr de vouloir démarrer la mise à jour maintenant ?",
     kInformationOkCancel},
};

constexpr Box kSuccessBox = {
    {"Firmware upgrade successful",
     "Congratulations!\n\nThe new firmware is successfully installed to your device.",
     kInformation},
    {"Das Update des VORN 470 M online war erfolgreich!",
     "Das VORN 470 M online wurde erfolgreich mit der\n"
     "neuen Firmware aktualisiert.\n\n"
     "Nach dem Neustart des Gerätes werden Sie ggf. zum Stecken\n"
     "einer SMC-B oder eines HBA aufgefordert sowie im weiteren\n"
     "Verlauf gebeten das Datum und die Uhrzeit zu prüfen.\n\n"
     "Empfehlung:\n"
     "Zur abschließenden Prüfung der aktualisierten Firmware\n"
     "gehen Sie in das Service-Menü des Gerätes und \n"
     "überprüfen Sie unter dem Menüpunkt 3 \"Status\"\n"
     "die Versionsangaben.\n\n"
     "Weitere Hinweise entnehmen Sie bitte der\n"
     "Bedienungsanleitung des VORN 470 M online und der Installationsanleitung zu diesem Update.",
     kInformation},
    {"Le firmware a été mis à jour avec succès !",
     "Félicitations !\n\nLe nouveau firmware est correctement installé sur votre terminal.",
     kInformation},
};

// The English, German and French titles of the installation aborts are
// shared by the device-abort, product-mismatch and (German) version boxes.
constexpr const char *kInstallAbortTitleEnglish = "Configurations-Update aborted";
constexpr const char *kInstallAbortTitleGerman = "Abbruch der Installation";
constexpr const char *kInstallAbortTitleFrench = "Interruption de l'installation";

constexpr Box kDeviceAbortBox = {
    {kInstallAbortTitleEnglish,
     "Some patient data could remain in the terminal, please make sure it is deleted",
     kInformation},
    {kInstallAbortTitleGerman,
     "Das Firmware-Update konnte nicht gestartet werden.\n\n"
     "Mögliche Ursachen:\n"
     " - Es wurde innerhalb von 30 Sekunden keine oder\n"
     "   eine falsche Admin-PIN am Gerät eingegeben.\n"
     " - Es befinden sich noch Patientendaten im Speicher\n"
     "   des Gerätes.\n",
     kInformation},
    {kInstallAbortTitleFrench,
     "S'il reste des données patient dans le terminal, veuillez les effacer svp",
     kInformation},
};

constexpr Box kProductMismatchBox = {
    {kInstallAbortTitleEnglish, "Product ID does not match!", kInformation},
    {kInstallAbortTitleGerman,
     "Die ausgewählte Update Datei passt nicht zum angeschlossenen Gerät!\n\n"
     "Beginnen Sie den Updatevorgang erneut und wählen Sie die passende Update Datei aus.",
     kInformation},
    {kInstallAbortTitleFrench, "ID du produit incorrect!", kInformation},
};

constexpr Box kVersionRefusedBox = {
    {"Firmware upgrade aborted",
     "Your device's current version cannot be upgraded with this PPU package.\n\n"
     "If you are trying to upgrade a 460M device, please remember that you must first upgrade by using "
     "FW3.02_VORN_460_M_plus.ppu and then upgrade by using FW3.19_VORN_460_M_plus.ppu",
     kInformation},
    {kInstallAbortTitleGerman,
     "Dieses Gerät kann nicht mit der ausgewählten Datei aktualisiert werden. Bitte prüfen Sie die "
     "Firmware-Version im Gerät. Sollte sich auf dem VORN 470 M eine ältere Version als 4.7.0 befinden, "
     "ist ein Firmware-Update mit diesem\nFirmware - Update Assistenten nicht möglich.\n",
     kInformation},
    {kInstallAbortTitleFrench,
     "La version du firmware installée sur votre terminal ne peut être mise à jour avec ce package PPU.\n\n"
     "Si vous êtes en train de mettre à jour un terminal de type 460M, il faut le mettre à jour d'abord "
     "avec le package FW3.02_VORN_460_M_plus.ppu puis utiliser FW3.19_VORN_460_M_plus.ppu",
     kInformation},
};
// clang-format on

void ReplaceAll(std::string &text, std::string_view token, std::string_view replacement)
{
    for (std::size_t at = text.find(token); at != std::string::npos;
         at = text.find(token, at + replacement.size()))
        text.replace(at, token.size(), replacement);
}

// The language rule is applied at each display, as for every literal; the
// markers are distinct objects, so equal texts cannot be mistaken.
const BoxText &InLanguageOfThisMoment(const Box &box)
{
    static constexpr char english = 0, german = 0, french = 0;
    const char *picked = CTVXUpgradeDlg::ByLanguage(&english, &german, &french);
    return picked == &german ? box.german : picked == &french ? box.french : box.english;
}

// Shows the box in the language of this moment; returns the answer.
int Show(tvx::DialogWindow &window, const Box &box)
{
    const BoxText &chosen = InLanguageOfThisMoment(box);
    std::string text = chosen.text;
    ReplaceAll(text, "{hotline}", tvx::kServiceHotline);
    ReplaceAll(text, "{web}", tvx::kServiceWebAddress);
    return window.MessageBox(text, chosen.title, chosen.style);
}

int ConfirmedWhenOk(int answer)
{
    return answer == tvx::IDOK ? 1 : 0;
}

} // namespace

int CTVXUpgradeDlg::ShowWelcomeBox()
{
    return ConfirmedWhenOk(Show(window, kWelcomeBox));
}

int CTVXUpgradeDlg::ShowPreparationBox()
{
    return ConfirmedWhenOk(Show(window, kPreparationBox));
}

void CTVXUpgradeDlg::ShowAbortBox(int kind)
{
    Show(window, kind == 0 ? kAbortBoxKind0 : kAbortBoxKind1);
}

int CTVXUpgradeDlg::ShowReadyBox()
{
    return ConfirmedWhenOk(Show(window, kReadyBox));
}

int CTVXUpgradeDlg::ShowStartBox()
{
    return ConfirmedWhenOk(Show(window, kStartBox));
}

void CTVXUpgradeDlg::ShowSuccessBox()
{
    Show(window, kSuccessBox);
}

void CTVXUpgradeDlg::ShowDeviceAbortBox()
{
    Show(window, kDeviceAbortBox);
}

void CTVXUpgradeDlg::ShowProductMismatchBox()
{
    Show(window, kProductMismatchBox);
}

void CTVXUpgradeDlg::ShowVersionRefusedBox()
{
    Show(window, kVersionRefusedBox);
}
