#include <gtest/gtest.h>

#include <string>

#include "res/Resources.h"

namespace {

constexpr unsigned kGerman = 98;
constexpr unsigned kFrench = 196;

std::string Text(unsigned id)
{
    const char *text = tvx::ResourceString(id);
    return text ? text : "<missing>";
}

bool IsPlaceholder(unsigned id)
{
    return Text(id) == "Dummy";
}

// Strict UTF-8: no stray continuation bytes, no truncated or overlong
// sequences, nothing beyond U+10FFFF.
bool IsValidUtf8(const std::string &text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead < 0xE0)
            length = 2;
        else if (lead >= 0xE0 && lead < 0xF0)
            length = 3;
        else if (lead >= 0xF0 && lead < 0xF5)
            length = 4;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second >= 0x90))
            return false;
        i += length;
    }
    return true;
}

TEST(StringTable, ThreeBlocksOf98WithPlaceholdersInTheSamePlaces)
{
    EXPECT_EQ(tvx::ResourceString(0), nullptr);
    EXPECT_EQ(tvx::ResourceString(95), nullptr);
    EXPECT_EQ(tvx::ResourceString(390), nullptr);
    EXPECT_EQ(tvx::ResourceString(0xFFFFFFFFu), nullptr);

    int placeholders = 0;
    for (unsigned id = 96; id <= 193; ++id) {
        for (unsigned offset : {0u, kGerman, kFrench}) {
            ASSERT_NE(tvx::ResourceString(id + offset), nullptr) << id + offset;
            EXPECT_FALSE(Text(id + offset).empty()) << id + offset;
            EXPECT_TRUE(IsValidUtf8(Text(id + offset))) << id + offset;
        }
        EXPECT_EQ(IsPlaceholder(id + kGerman), IsPlaceholder(id)) << id;
        EXPECT_EQ(IsPlaceholder(id + kFrench), IsPlaceholder(id)) << id;
        placeholders += IsPlaceholder(id);
    }
    // Translations must differ from the English text, or a block was left
    // untranslated; French 304 is shipped in English on purpose.
    for (unsigned id = 96; id <= 193; ++id) {
        if (IsPlaceholder(id))
            continue;
        EXPECT_NE(Text(id + kGerman), Text(id)) << id;
        if (id != 108) {
            EXPECT_NE(Text(id + kFrench), Text(id)) << id;
        }
    }
    EXPECT_EQ(placeholders, 27);
}

TEST(StringTable, StatusRangeHasOnePlaceholder)
{
    // The progress monitor indexes 102..129 by status; 118 is the only gap.
    for (unsigned offset : {0u, kGerman, kFrench})
        for (unsigned id = 102; id <= 129; ++id)
            EXPECT_EQ(IsPlaceholder(id + offset), id == 118) << id + offset;
}

TEST(StringTable, QuotedTextsAreExact)
{
    struct Case {
        unsigned id;
        const char *text;
    };
    const Case cases[] = {
        {96, "Device"},
        {98, "ID Number"},
        {103, "File is not a targeted for use by this device."},
        {118, "Dummy"},
        {122,
         "HOST detected a busy device! \nIf it's a mobile device, make sure that no data sets are stored!"},
        {125, "Timeout (1 minute) for the entry of the administrator PIN \nvia card terminal is activated! "},
        {137, "For the selected upgrade-file, make sure that the device is in \"Stationär\" mode!"},
        {159,
         "Host can't get the required device Firmware Version! \nIf it's a mobile device, make sure that the "
         "device is in Stationär mode!"},
        {165,
         "Please wait while installation is in progress!\nPrevent power failure during the installation "
         "phase!\nPlease mind the display (e. g. PIN entry).\n\nThis phase could take up to few minutes!!! "
         "... "
         ".. .\n"},
        {175, "Information's:"},
        {177,
         "Device Product Information:\nDevice ID number:\nDevice Firmware Version before download:\nDownload "
         "Filename:\nDevice Firmware Version via download file:\nDevice Firmware Version after download:"},
        {179, "&Next >"},
        {183, "Click \"Next\" to continue."},
        {185, "Please adjust the standard display of the card terminal first! \n\n"},
        {186, "Wrong PIN! \n\n"},
        {188, "Please check the TVXUpgrade.ini file! "},
        {189, "was successful. "},
        {192, "Click \"Cancel\" to exit the asistant."},
        // German
        {235,
         "Für die ausgewählte Upgrade-Datei ist die Kartenleser-Betriebsart \"Stationär\" zwingend "
         "erforderlich!"},
        {257,
         "Der Computer konnte die benötigte Geräte-Firmware Version nicht\nermitteln! Wenn es sich um ein "
         "mobiles Kartenlesegerät handelt, stellen\nSie sicher, dass die PIN-Eingabe am Kartenlesegerät "
         "durchgeführt wird!"},
        {268, "Bitte wählen Sie ein Gerät aus:"},
        {269, "Bitte wählen Sie eine Datei zum Download aus:"},
        {271, "Datenwiederherstellung:"},
        {276, "&Suchen"},
        {277, "&Weiter >"},
        {279, "&Beenden"},
        {280, "&Abbrechen"},
        {281, "Klicken Sie auf WEITER um fortzufahren oder ABBRECHEN, um das Update zu beenden."},
        {286, "Bitte überprüfen Sie die TVXUpgrade.ini Datei!  "},
        {290, "Klicken Sie auf ABBRECHEN, um den Installationsassistenten zu beenden."},
        // French
        {304, "Program memory function failed."},
        {366, "Choisissez votre appareil:"},
        {367, "Choisissez un fichier à télécharger:"},
        {369, "Reconstitution:"},
        {374, "&Chercher"},
        {375, "&Suivant >"},
        {377, "&Terminer"},
        {378, "&Annuler"},
        {379, "Cliquez sur \"Suivant\" pour continuer le Wizard ."},
        {384, "Vérifiez le fichier TVXUpgrade.ini s.v.p. "},
        {388, "Cliquez sur \"Annuler\" pour quitter le Wizard ."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Text(c.id), c.text) << c.id;
    EXPECT_EQ(Text(305), Text(303));
}

} // namespace
