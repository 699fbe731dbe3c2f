// Dialog templates as control tables: the wizard window (90) and the About
// box (91). Rects are in dialog units; the window layer converts them through
// the dialog font. Controls that share a place (the two combo boxes, Cancel
// and Finish, the download and upload texts) are told apart by their states.
#include <iterator>

#include "res/Resources.h"

namespace tvx {
namespace {

using K = ControlKind;

// clang-format off
constexpr ControlTemplate kWizardControls[] = {
    {1036, K::StaticPicture, "bannerPicture", "", 7, 5, 471, 27, StyleCentered | StyleRealSizeImage},
    {1002, K::GroupBox, "stepGroup", "", 7, 35, 471, 134, 0},
    {1003, K::ListView, "deviceList", "", 20, 57, 445, 69, StyleReportSingleSel | StyleBorder},
    {1012, K::CheckBox, "backupCheck", "Create a backup file for a target rollback", 53, 61, 300, 13,
     StyleAutoCheckBox | StyleHidden},
    {1014, K::Static, "slashText", "/", 20, 72, 16, 8, StyleCentered},
    {1015, K::Static, "statusText", "Static", 50, 72, 410, 56, StyleCentered | StyleHidden},
    {1004, K::ComboBox, "packageCombo", "", 51, 81, 340, 47, StyleDropDownList | StyleVScroll | StyleHidden},
    {1013, K::ComboBox, "backupCombo", "", 51, 81, 340, 34, StyleDropDownList | StyleVScroll | StyleHidden},
    {1007, K::Button, "searchButton", "&Search", 405, 80, 50, 14, StyleHidden},
    {1000, K::Static, "downloadText", "Download: 100 %", 157, 135, 165, 8, StyleCentered},
    {1001, K::Static, "uploadText", "Upload:", 157, 135, 165, 8, StyleCentered},
    {1005, K::ProgressBar, "progressBar", "", 23, 148, 440, 12, StyleSmooth | StyleBorder | StyleHidden},
    {1023, K::GroupBox, "infoGroup", "Information's:", 7, 173, 471, 68, 0},
    {1017, K::Static, "infoLabels",
     "Device Product Information:\nDevice ID number:\nDevice Firmware Version before download:\n"
     "Download Filename:\nDevice Firmware Version via download file:\nDevice Firmware Version after download:",
     20, 184, 179, 51, 0},
    {1020, K::Static, "productInfoText", "", 206, 184, 265, 8, 0},
    {1021, K::Static, "deviceIdText", "", 206, 192, 265, 8, 0},
    {1016, K::Static, "versionBeforeText", "", 206, 200, 265, 8, 0},
    {1024, K::Static, "partCounterText", "(6/6)", 180, 207, 15, 8, 0},
    {1022, K::Static, "downloadFileText", "", 206, 207, 265, 8, 0},
    {1018, K::Static, "versionViaFileText", "", 206, 216, 265, 8, 0},
    {1019, K::Static, "versionAfterText", "", 206, 224, 265, 8, 0},
    {1011, K::Static, "hintText", "Click \"Next\" to continue.", 7, 248, 290, 14, StyleVCentered | StyleHidden},
    {1006, K::Button, "backButton", "< &Back", 305, 248, 50, 14, StyleHidden},
    {1010, K::Button, "nextButton", "&Next >", 355, 248, 50, 14, StyleDisabled},
    {2, K::Button, "cancelButton", "&Cancel", 415, 248, 50, 14, 0},
    {1, K::Button, "finishButton", "&Finish", 415, 248, 50, 14, StyleHidden | StyleDisabled},
};

// The picture and the product text are filled in when the box opens.
constexpr ControlTemplate kAboutControls[] = {
    {1038, K::StaticPicture, "pictureControl", "", 55, 7, 78, 27, StyleCentered | StyleRealSizeImage},
    {1047, K::Static, "textControl", "TVXUpgrade", 18, 41, 155, 17, StyleCentered | StyleNoPrefix},
    {-1, K::Static, "", "© TVXUpgrade", 64, 57, 63, 8, StyleCentered},
    {1, K::Button, "", "OK", 71, 74, 50, 14, StyleDefaultButton},
};
// clang-format on

// The wizard's caption depends on the language and is set when it opens.
constexpr DialogTemplate kTemplates[] = {
    {kWizardTemplateId, "", "MS Sans Serif", 8, 485, 271, kWizardControls, std::size(kWizardControls)},
    {kAboutTemplateId, "About TVXUpgrade", "MS Sans Serif", 8, 191, 95, kAboutControls,
     std::size(kAboutControls)},
};

} // namespace

const DialogTemplate *FindDialogTemplate(int templateId)
{
    for (const DialogTemplate &found : kTemplates)
        if (found.id == templateId)
            return &found;
    return nullptr;
}

} // namespace tvx
