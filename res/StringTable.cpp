// The three-language string table. Each row holds one English id with its
// English, German and French texts side by side; the three blocks (English
// 96..193, German +98, French +196) are read from the same rows, so a text
// cannot slip into the wrong block or shift the offsets of the others.
// Placeholder rows keep their place in every block: the status messages are
// found by arithmetic on the ids.
#include <cstddef>
#include <iterator>

#include "res/Resources.h"

namespace tvx {
namespace {

constexpr unsigned kFirstEnglishId = 96;
constexpr unsigned kBlockSize = 98;

struct TextRow {
    unsigned englishId;
    const char *english;
    const char *german;
    const char *french;
};

constexpr const char *kPlaceholder = "Dummy";

constexpr TextRow Placeholder(unsigned englishId)
{
    return {englishId, kPlaceholder, kPlaceholder, kPlaceholder};
}

// clang-format off
constexpr TextRow kRows[] = {
    {96, "Device", "Gerät", "Appareil"},
    {97, "Product Information", "Produktinformation", "Information produit"},
    {98, "ID Number", "ID-Nummer", "Numéro d'identification"},
    {99, "Click \"Finish\" to close the wizard.",
         "Klicken Sie auf BEENDEN, um den Assistenten zu schließen.",
         "Cliquez sur \"Terminer\" pour fermer l'assistant."},
    {100, "Click \"Cancel\" to close the wizard.",
          "Klicken Sie auf ABBRECHEN, um den Assistenten zu schließen.",
          "Cliquez sur \"Annuler\" pour fermer l'assistant."},
    Placeholder(101),

    // 102..117: the DFU status codes 0..15 (status + 102); 102..129 are one
    // contiguous range that the progress monitor indexes into.
    {102, "No error condition is present.",
          "Es liegt kein Fehler vor.",
          "Aucune erreur n'est présente."},
    {103, "File is not a targeted for use by this device.",
          "Die Datei ist nicht für dieses Gerät bestimmt.",
          "Le fichier n'est pas destiné à cet appareil."},
    {104, "File is for this device but fails some vendor-specific verification test.",
          "Die Datei ist für dieses Gerät bestimmt, besteht aber eine herstellerspezifische Prüfung nicht.",
          "Le fichier est destiné à cet appareil mais échoue à un test de vérification spécifique au fabricant."},
    {105, "Device is unable to write memory.",
          "Das Gerät kann den Speicher nicht beschreiben.",
          "L'appareil ne peut pas écrire dans la mémoire."},
    {106, "Memory erase function failed.",
          "Das Löschen des Speichers ist fehlgeschlagen.",
          "L'effacement de la mémoire a échoué."},
    {107, "Memory erase check failed.",
          "Die Prüfung des gelöschten Speichers ist fehlgeschlagen.",
          "La vérification de l'effacement de la mémoire a échoué."},
    // The French entries of 108 and 109 are shipped as they are: 108 in
    // English, 109 repeating the text of 107.
    {108, "Program memory function failed.",
          "Das Programmieren des Speichers ist fehlgeschlagen.",
          "Program memory function failed."},
    {109, "Programmed memory failed verification.",
          "Die Prüfung des programmierten Speichers ist fehlgeschlagen.",
          "La vérification de l'effacement de la mémoire a échoué."},
    {110, "Cannot program memory due to received address that is out of range.",
          "Der Speicher kann nicht programmiert werden, da die empfangene Adresse außerhalb des gültigen Bereichs liegt.",
          "Impossible de programmer la mémoire : l'adresse reçue est hors limites."},
    {111, "Received DFU_DNLOAD with wLength = 0, but device does not think it has all of the data yet.",
          "DFU_DNLOAD mit wLength = 0 empfangen, aber das Gerät hat noch nicht alle Daten erhalten.",
          "DFU_DNLOAD reçu avec wLength = 0, mais l'appareil n'a pas encore reçu toutes les données."},
    {112, "Device's firmware is corrupt. It cannot return to run-time (non-DFU) operations.",
          "Die Firmware des Gerätes ist beschädigt. Das Gerät kann nicht in den Normalbetrieb (ohne DFU) zurückkehren.",
          "Le firmware de l'appareil est corrompu. Il ne peut pas revenir en fonctionnement normal (hors DFU)."},
    {113, "A vendor-specific error.",
          "Ein herstellerspezifischer Fehler.",
          "Une erreur spécifique au fabricant."},
    {114, "Device detected unexpected USB reset signaling.",
          "Das Gerät hat ein unerwartetes USB-Reset-Signal erkannt.",
          "L'appareil a détecté une réinitialisation USB inattendue."},
    {115, "Device detected unexpected power on reset.",
          "Das Gerät hat einen unerwarteten Einschalt-Reset erkannt.",
          "L'appareil a détecté une réinitialisation inattendue à la mise sous tension."},
    {116, "Something went wrong, but the device does not know what it was.",
          "Es ist ein Fehler aufgetreten, dessen Ursache das Gerät nicht kennt.",
          "Une erreur s'est produite, mais l'appareil n'en connaît pas la cause."},
    {117, "Device stalled an unexpected request.",
          "Das Gerät hat eine unerwartete Anfrage abgewiesen.",
          "L'appareil a rejeté une requête inattendue."},
    Placeholder(118),
    {119, "HOST detected unexpected power on reset.",
          "Der Computer hat einen unerwarteten Einschalt-Reset erkannt.",
          "L'ordinateur a détecté une réinitialisation inattendue à la mise sous tension."},
    {120, "HOST detected unexpected state.",
          "Der Computer hat einen unerwarteten Zustand erkannt.",
          "L'ordinateur a détecté un état inattendu."},
    {121, "HOST detected unexpected timeout value.",
          "Der Computer hat einen unerwarteten Zeitüberschreitungswert erkannt.",
          "L'ordinateur a détecté une valeur de délai d'attente inattendue."},
    {122, "HOST detected a busy device! \nIf it's a mobile device, make sure that no data sets are stored!",
          "Der Computer hat ein beschäftigtes Gerät erkannt! \n"
          "Wenn es sich um ein mobiles Kartenlesegerät handelt, stellen Sie sicher, dass keine Datensätze gespeichert sind!",
          "L'ordinateur a détecté un appareil occupé ! \n"
          "S'il s'agit d'un terminal mobile, assurez-vous qu'aucune donnée n'y est enregistrée !"},
    {123, "An unspecified error occurred during entry of the administrator PIN! ",
          "Bei der Eingabe der Administrator-PIN ist ein unbekannter Fehler aufgetreten! ",
          "Une erreur non spécifiée s'est produite lors de la saisie du PIN administrateur ! "},
    {124, "User aborted PIN entry via card terminal! ",
          "Die PIN-Eingabe wurde am Kartenterminal abgebrochen! ",
          "La saisie du PIN a été annulée sur le terminal ! "},
    {125, "Timeout (1 minute) for the entry of the administrator PIN \nvia card terminal is activated! ",
          "Die Zeit (1 Minute) für die Eingabe der Administrator-PIN \nam Kartenterminal ist abgelaufen! ",
          "Le délai (1 minute) de saisie du PIN administrateur \nsur le terminal est dépassé ! "},
    {126, "Timeout (10 minutes) for the entry of the administrator PIN \nvia card terminal is activated! ",
          "Die Zeit (10 Minuten) für die Eingabe der Administrator-PIN \nam Kartenterminal ist abgelaufen! ",
          "Le délai (10 minutes) de saisie du PIN administrateur \nsur le terminal est dépassé ! "},
    {127, "Timeout (1 hour) for the entry of the administrator PIN \nvia card terminal is activated! ",
          "Die Zeit (1 Stunde) für die Eingabe der Administrator-PIN \nam Kartenterminal ist abgelaufen! ",
          "Le délai (1 heure) de saisie du PIN administrateur \nsur le terminal est dépassé ! "},
    {128, "Timeout (24 hours) for the entry of the administrator PIN \nvia card terminal is activated! ",
          "Die Zeit (24 Stunden) für die Eingabe der Administrator-PIN \nam Kartenterminal ist abgelaufen! ",
          "Le délai (24 heures) de saisie du PIN administrateur \nsur le terminal est dépassé ! "},
    {129, "Timeout aborted data entry via card terminal! ",
          "Die Eingabe am Kartenterminal wurde wegen Zeitüberschreitung abgebrochen! ",
          "La saisie sur le terminal a été interrompue (délai dépassé) ! "},

    Placeholder(130), Placeholder(131), Placeholder(132), Placeholder(133),
    Placeholder(134), Placeholder(135), Placeholder(136),
    {137, "For the selected upgrade-file, make sure that the device is in \"Stationär\" mode!",
          "Für die ausgewählte Upgrade-Datei ist die Kartenleser-Betriebsart \"Stationär\" zwingend erforderlich!",
          "Pour le fichier de mise à jour sélectionné, assurez-vous que le terminal est en mode \"stationnaire\" !"},
    Placeholder(138), Placeholder(139), Placeholder(140), Placeholder(141), Placeholder(142),
    {143, "HOST can't connect with the selected device!",
          "Der Computer kann keine Verbindung zum ausgewählten Gerät herstellen!",
          "L'ordinateur ne peut pas se connecter à l'appareil sélectionné !"},
    {144, "Host can't get the required descriptor!",
          "Der Computer kann den benötigten Deskriptor nicht lesen!",
          "L'ordinateur ne peut pas lire le descripteur requis !"},
    {145, "Device does not support downloading!",
          "Das Gerät unterstützt keinen Download!",
          "L'appareil ne permet pas le téléchargement !"},
    {146, "Device does not support uploading!",
          "Das Gerät unterstützt keinen Upload!",
          "L'appareil ne permet pas la relecture du firmware (upload) !"},
    {147, "The selected device was removed!",
          "Das ausgewählte Gerät wurde entfernt!",
          "L'appareil sélectionné a été déconnecté !"},
    {148, "Device loader version does not match!",
          "Die Loader-Version des Gerätes passt nicht!",
          "La version du loader de l'appareil ne correspond pas !"},
    Placeholder(149),
    {150, "Download file CRC does not match!",
          "Die Prüfsumme (CRC) der Download-Datei stimmt nicht!",
          "Le CRC du fichier de mise à jour ne correspond pas !"},
    {151, "An unknown error occurs!",
          "Ein unbekannter Fehler ist aufgetreten!",
          "Une erreur inconnue s'est produite !"},
    {152, "A host error occurs!",
          "Auf dem Computer ist ein Fehler aufgetreten!",
          "Une erreur s'est produite sur l'ordinateur !"},
    {153, "An out of memory error occurs!",
          "Nicht genügend Arbeitsspeicher!",
          "Mémoire insuffisante !"},
    {154, "No device available!",
          "Kein Gerät verfügbar!",
          "Aucun appareil disponible !"},
    {155, "Vendor ID does not match!",
          "Die Hersteller-ID stimmt nicht überein!",
          "ID du fabricant incorrect !"},
    Placeholder(156), Placeholder(157), Placeholder(158),
    // The German text asks for the PIN entry on the terminal where the
    // others ask for the stationary mode.
    {159, "Host can't get the required device Firmware Version! \n"
          "If it's a mobile device, make sure that the device is in Stationär mode!",
          "Der Computer konnte die benötigte Geräte-Firmware Version nicht\n"
          "ermitteln! Wenn es sich um ein mobiles Kartenlesegerät handelt, stellen\n"
          "Sie sicher, dass die PIN-Eingabe am Kartenlesegerät durchgeführt wird!",
          "L'ordinateur ne peut pas lire la version firmware de l'appareil ! \n"
          "S'il s'agit d'un terminal mobile, assurez-vous qu'il est en mode stationnaire !"},
    {160, "Please choose a download file!",
          "Bitte wählen Sie eine Datei zum Download aus!",
          "Choisissez un fichier à télécharger !"},
    {161, "Please choose an upload file!",
          "Bitte wählen Sie eine Sicherungsdatei aus!",
          "Choisissez un fichier de sauvegarde !"},
    {162, "Please wait while initialisation is in progress! \nPlease mind the display (e. g. PIN entry).",
          "Bitte warten Sie, die Initialisierung läuft! \nBitte beachten Sie das Display (z. B. PIN-Eingabe).",
          "Veuillez patienter pendant l'initialisation ! \nSurveillez l'écran du terminal (p. ex. saisie du PIN)."},
    {163, "Please wait while upload is in progress!\n"
          "Prevent power failure during the upload phase!\n\n"
          "This phase could take up to few minutes.",
          "Bitte warten Sie, der Upload läuft!\n"
          "Vermeiden Sie einen Stromausfall während des Uploads!\n\n"
          "Dieser Vorgang kann einige Minuten dauern.",
          "Veuillez patienter pendant la relecture du firmware (upload) !\n"
          "Évitez toute coupure de courant pendant cette phase !\n\n"
          "Cette phase peut durer quelques minutes."},
    {164, "Please wait while download is in progress!\n"
          "Prevent power failure during the download phase!\n\n"
          "This phase could take up to few minutes.",
          "Bitte warten Sie, der Download läuft!\n"
          "Vermeiden Sie einen Stromausfall während des Downloads!\n\n"
          "Dieser Vorgang kann einige Minuten dauern.",
          "Veuillez patienter pendant le téléchargement !\n"
          "Évitez toute coupure de courant pendant cette phase !\n\n"
          "Cette phase peut durer quelques minutes."},
    {165, "Please wait while installation is in progress!\n"
          "Prevent power failure during the installation phase!\n"
          "Please mind the display (e. g. PIN entry).\n\n"
          "This phase could take up to few minutes!!! ... .. .\n",
          "Bitte warten Sie, die Installation läuft!\n"
          "Vermeiden Sie einen Stromausfall während der Installation!\n"
          "Bitte beachten Sie das Display (z. B. PIN-Eingabe).\n\n"
          "Dieser Vorgang kann einige Minuten dauern!!! ... .. .\n",
          "Veuillez patienter pendant l'installation !\n"
          "Évitez toute coupure de courant pendant l'installation !\n"
          "Surveillez l'écran du terminal (p. ex. saisie du PIN).\n\n"
          "Cette phase peut durer quelques minutes !!! ... .. .\n"},
    {166, "Please wait! \nPlease mind the display (e. g. PIN entry).",
          "Bitte warten! \nBitte beachten Sie das Display (z. B. PIN-Eingabe).",
          "Veuillez patienter ! \nSurveillez l'écran du terminal (p. ex. saisie du PIN)."},
    Placeholder(167), Placeholder(168), Placeholder(169),
    {170, "Please select a device:", "Bitte wählen Sie ein Gerät aus:", "Choisissez votre appareil:"},
    {171, "Please choose a download file:",
          "Bitte wählen Sie eine Datei zum Download aus:",
          "Choisissez un fichier à télécharger:"},
    Placeholder(172),
    {173, "Recovery:", "Datenwiederherstellung:", "Reconstitution:"},
    Placeholder(174),
    {175, "Information's:", "Informationen:", "Informations:"},
    {176, "Create a backup file for a target rollback?",
          "Sicherungsdatei für eine spätere Wiederherstellung anlegen?",
          "Créer un fichier de sauvegarde pour un retour en arrière ?"},
    {177, "Device Product Information:\n"
          "Device ID number:\n"
          "Device Firmware Version before download:\n"
          "Download Filename:\n"
          "Device Firmware Version via download file:\n"
          "Device Firmware Version after download:",
          "Produktinformation des Gerätes:\n"
          "ID-Nummer des Gerätes:\n"
          "Firmware-Version vor dem Download:\n"
          "Download-Dateiname:\n"
          "Firmware-Version laut Download-Datei:\n"
          "Firmware-Version nach dem Download:",
          "Information produit:\n"
          "Numéro d'identification:\n"
          "Version firmware avant mise à jour:\n"
          "Fichier de mise à jour:\n"
          "Version firmware du fichier:\n"
          "Version firmware après mise à jour:"},
    {178, "&Search", "&Suchen", "&Chercher"},
    {179, "&Next >", "&Weiter >", "&Suivant >"},
    Placeholder(180),
    {181, "&Finish", "&Beenden", "&Terminer"},
    {182, "&Cancel", "&Abbrechen", "&Annuler"},
    {183, "Click \"Next\" to continue.",
          "Klicken Sie auf WEITER um fortzufahren oder ABBRECHEN, um das Update zu beenden.",
          "Cliquez sur \"Suivant\" pour continuer le Wizard ."},
    {184, "Please enter the administrator PIN via card terminal and \nconfirm the entry via card terminal! ",
          "Bitte geben Sie die Administrator-PIN am Kartenterminal ein und \nbestätigen Sie die Eingabe am Kartenterminal! ",
          "Veuillez saisir le PIN administrateur sur le terminal et \nconfirmer la saisie sur le terminal ! "},
    {185, "Please adjust the standard display of the card terminal first! \n\n",
          "Bitte wechseln Sie zuerst in die Standardanzeige des Kartenterminals! \n\n",
          "Veuillez d'abord afficher l'écran standard du terminal ! \n\n"},
    {186, "Wrong PIN! \n\n", "Falsche PIN! \n\n", "PIN incorrect ! \n\n"},
    {187, "Part", "Teil", "Partie"},
    {188, "Please check the TVXUpgrade.ini file! ",
          "Bitte überprüfen Sie die TVXUpgrade.ini Datei!  ",
          "Vérifiez le fichier TVXUpgrade.ini s.v.p. "},
    {189, "was successful. ", "war erfolgreich. ", "terminée avec succès. "},
    Placeholder(190), Placeholder(191),
    {192, "Click \"Cancel\" to exit the asistant.",
          "Klicken Sie auf ABBRECHEN, um den Installationsassistenten zu beenden.",
          "Cliquez sur \"Annuler\" pour quitter le Wizard ."},
    Placeholder(193),
};
// clang-format on

constexpr bool RowsFollowEachOther()
{
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].englishId != kFirstEnglishId + i)
            return false;
    return true;
}

static_assert(std::size(kRows) == kBlockSize, "every language block holds 98 entries");
static_assert(RowsFollowEachOther(), "one row per English id, in id order, none missing");

} // namespace

const char *ResourceString(unsigned id)
{
    if (id < kFirstEnglishId)
        return nullptr;
    const unsigned offset = id - kFirstEnglishId;
    const unsigned block = offset / kBlockSize;
    const TextRow &row = kRows[offset % kBlockSize];
    switch (block) {
    case 0:
        return row.english;
    case 1:
        return row.german;
    case 2:
        return row.french;
    default:
        return nullptr;
    }
}

} // namespace tvx
