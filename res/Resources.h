// The program's resources: the three-language string table and the dialog
// templates as control tables. Images are resource ids that the window layer
// maps to the project's artwork.
#pragma once

#include <cstddef>
#include <string>

namespace tvx {

// String table: English ids 96..193, German +98, French +196.
// Returns nullptr for an id that has no entry.
const char *ResourceString(unsigned id);

// Service contact shown in the abort boxes; a vendor build changes it here.
extern const char *const kServiceHotline;
extern const char *const kServiceWebAddress;

inline constexpr int kWizardTemplateId = 90;
inline constexpr int kAboutTemplateId = 91;
inline constexpr int kBannerBitmapId = 216;
inline constexpr int kAboutBitmapId = 226;
inline constexpr int kAppIconId = 900;

enum class ControlKind { StaticPicture, GroupBox, ListView, CheckBox, Static, ComboBox, Button, ProgressBar };

enum ControlStyle : unsigned {
    StyleHidden = 1u << 0,
    StyleDisabled = 1u << 1,
    StyleCentered = 1u << 2,  // text or image centred horizontally
    StyleVCentered = 1u << 3, // text vertically centred
    StyleDefaultButton = 1u << 4,
    StyleNoPrefix = 1u << 5, // '&' shown as is
    StyleBorder = 1u << 6,
    StyleRealSizeImage = 1u << 7,
    StyleAutoCheckBox = 1u << 8,
    StyleDropDownList = 1u << 9,
    StyleVScroll = 1u << 10,
    StyleSmooth = 1u << 11,
    StyleReportSingleSel = 1u << 12, // list view: report view, single selection, always show selection
};

struct ControlTemplate {
    int id; // -1 for a control without id
    ControlKind kind;
    const char *member; // member name in the dialog class, "" when none
    const char *text;
    int x, y, width, height; // dialog units
    unsigned style;
};

struct DialogTemplate {
    int id;
    const char *caption;
    const char *fontFace;
    int fontPointSize;
    int width, height; // dialog units
    const ControlTemplate *controls;
    std::size_t controlCount;
};

// nullptr for an unknown id.
const DialogTemplate *FindDialogTemplate(int templateId);

// The control whose text names a control without a caption of its own (a
// list, a combo box, a progress bar, a value beside its label), as a screen
// reader tells it. line: the line of a label of several lines, -1 for all.
struct ControlLabel {
    int control;
    int label;
    int line;
};

// nullptr when the control has no such label.
const ControlLabel *FindControlLabel(int templateId, int controlId);

} // namespace tvx
