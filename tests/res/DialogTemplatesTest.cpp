#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "res/Resources.h"

namespace {

using tvx::ControlKind;

const tvx::ControlTemplate *FindControl(const tvx::DialogTemplate &dialog, const std::string &member)
{
    for (std::size_t i = 0; i < dialog.controlCount; ++i)
        if (member == dialog.controls[i].member)
            return &dialog.controls[i];
    return nullptr;
}

constexpr unsigned kStateBits = tvx::StyleHidden | tvx::StyleDisabled;

struct Expected {
    int id;
    ControlKind kind;
    const char *member;
    const char *text; // nullptr: not checked (image or list controls)
    int x, y, width, height;
    unsigned state; // hidden / disabled
};

TEST(DialogTemplates, WizardWindowHasEveryControlAtItsPlaceAndState)
{
    const tvx::DialogTemplate *wizard = tvx::FindDialogTemplate(tvx::kWizardTemplateId);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(wizard->width, 485);
    EXPECT_EQ(wizard->height, 271);
    EXPECT_STREQ(wizard->fontFace, "MS Sans Serif");
    EXPECT_EQ(wizard->fontPointSize, 8);

    using K = ControlKind;
    const unsigned H = tvx::StyleHidden, D = tvx::StyleDisabled;
    const Expected controls[] = {
        {1036, K::StaticPicture, "bannerPicture", nullptr, 7, 5, 471, 27, 0},
        {1002, K::GroupBox, "stepGroup", "", 7, 35, 471, 134, 0},
        {1003, K::ListView, "deviceList", nullptr, 20, 57, 445, 69, 0},
        {1012, K::CheckBox, "backupCheck", "Create a backup file for a target rollback", 53, 61, 300, 13, H},
        {1014, K::Static, "slashText", "/", 20, 72, 16, 8, 0},
        {1015, K::Static, "statusText", "Static", 50, 72, 410, 56, H},
        {1004, K::ComboBox, "packageCombo", nullptr, 51, 81, 340, 47, H},
        {1013, K::ComboBox, "backupCombo", nullptr, 51, 81, 340, 34, H},
        {1007, K::Button, "searchButton", "&Search", 405, 80, 50, 14, H},
        {1000, K::Static, "downloadText", "Download: 100 %", 157, 135, 165, 8, 0},
        {1001, K::Static, "uploadText", "Upload:", 157, 135, 165, 8, 0},
        {1005, K::ProgressBar, "progressBar", nullptr, 23, 148, 440, 12, H},
        {1023, K::GroupBox, "infoGroup", "Information's:", 7, 173, 471, 68, 0},
        {1017, K::Static, "infoLabels", nullptr, 20, 184, 179, 51, 0},
        {1020, K::Static, "productInfoText", "", 206, 184, 265, 8, 0},
        {1021, K::Static, "deviceIdText", "", 206, 192, 265, 8, 0},
        {1016, K::Static, "versionBeforeText", "", 206, 200, 265, 8, 0},
        {1024, K::Static, "partCounterText", "(6/6)", 180, 207, 15, 8, 0},
        {1022, K::Static, "downloadFileText", "", 206, 207, 265, 8, 0},
        {1018, K::Static, "versionViaFileText", "", 206, 216, 265, 8, 0},
        {1019, K::Static, "versionAfterText", "", 206, 224, 265, 8, 0},
        {1011, K::Static, "hintText", "Click \"Next\" to continue.", 7, 248, 290, 14, H},
        {1006, K::Button, "backButton", "< &Back", 305, 248, 50, 14, H},
        {1010, K::Button, "nextButton", "&Next >", 355, 248, 50, 14, D},
        {2, K::Button, "cancelButton", "&Cancel", 415, 248, 50, 14, 0},
        {1, K::Button, "finishButton", "&Finish", 415, 248, 50, 14, H | D},
    };
    ASSERT_EQ(wizard->controlCount, std::size(controls));

    std::set<int> ids;
    for (const Expected &e : controls) {
        SCOPED_TRACE(e.member);
        const tvx::ControlTemplate *c = FindControl(*wizard, e.member);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(ids.insert(c->id).second) << "duplicate id";
        EXPECT_EQ(c->id, e.id);
        EXPECT_EQ(c->kind, e.kind);
        if (e.text) {
            EXPECT_STREQ(c->text, e.text);
        }
        EXPECT_EQ(c->x, e.x);
        EXPECT_EQ(c->y, e.y);
        EXPECT_EQ(c->width, e.width);
        EXPECT_EQ(c->height, e.height);
        EXPECT_EQ(c->style & kStateBits, e.state);
        EXPECT_LE(c->x + c->width, wizard->width);
        EXPECT_LE(c->y + c->height, wizard->height);
    }

    // The styles the window layer turns into widget behaviour.
    const auto style = [&](const char *member) { return FindControl(*wizard, member)->style; };
    EXPECT_EQ(style("bannerPicture"), tvx::StyleCentered | tvx::StyleRealSizeImage);
    EXPECT_EQ(style("deviceList"), tvx::StyleReportSingleSel | tvx::StyleBorder);
    EXPECT_TRUE(style("backupCheck") & tvx::StyleAutoCheckBox);
    for (const char *combo : {"packageCombo", "backupCombo"})
        EXPECT_EQ(style(combo) & ~kStateBits, tvx::StyleDropDownList | tvx::StyleVScroll) << combo;
    EXPECT_EQ(style("progressBar") & ~kStateBits, tvx::StyleSmooth | tvx::StyleBorder);
    EXPECT_EQ(style("hintText") & ~kStateBits, tvx::StyleVCentered);
    for (const char *centred : {"slashText", "statusText", "downloadText", "uploadText"})
        EXPECT_EQ(style(centred) & ~kStateBits, tvx::StyleCentered) << centred;
    for (const char *left : {"infoLabels", "productInfoText", "partCounterText", "versionAfterText"})
        EXPECT_EQ(style(left), 0u) << left;
    // No default button: Enter must not finish or cancel the wizard by itself.
    for (std::size_t i = 0; i < wizard->controlCount; ++i)
        EXPECT_FALSE(wizard->controls[i].style & tvx::StyleDefaultButton) << wizard->controls[i].member;
}

TEST(DialogTemplates, AboutBoxLayout)
{
    const tvx::DialogTemplate *about = tvx::FindDialogTemplate(tvx::kAboutTemplateId);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->width, 191);
    EXPECT_EQ(about->height, 95);
    ASSERT_EQ(about->controlCount, 4u);

    const tvx::ControlTemplate &picture = about->controls[0];
    EXPECT_EQ(picture.id, 1038);
    EXPECT_EQ(picture.kind, ControlKind::StaticPicture);
    EXPECT_EQ(picture.style, tvx::StyleCentered | tvx::StyleRealSizeImage);
    EXPECT_EQ((std::array{picture.x, picture.y, picture.width, picture.height}), (std::array{55, 7, 78, 27}));

    const tvx::ControlTemplate &product = about->controls[1];
    EXPECT_EQ(product.id, 1047);
    EXPECT_EQ(product.style, tvx::StyleCentered | tvx::StyleNoPrefix);
    EXPECT_EQ((std::array{product.x, product.y, product.width, product.height}),
              (std::array{18, 41, 155, 17}));

    const tvx::ControlTemplate &notice = about->controls[2];
    EXPECT_EQ(notice.id, -1);
    EXPECT_EQ(notice.kind, ControlKind::Static);
    EXPECT_EQ(notice.style, tvx::StyleCentered);
    EXPECT_STRNE(notice.text, "");
    EXPECT_EQ((std::array{notice.x, notice.y, notice.width, notice.height}), (std::array{64, 57, 63, 8}));

    const tvx::ControlTemplate &ok = about->controls[3];
    EXPECT_EQ(ok.id, 1);
    EXPECT_EQ(ok.kind, ControlKind::Button);
    EXPECT_STREQ(ok.text, "OK");
    EXPECT_EQ(ok.style, tvx::StyleDefaultButton);
    EXPECT_EQ((std::array{ok.x, ok.y, ok.width, ok.height}), (std::array{71, 74, 50, 14}));
}

TEST(DialogTemplates, UnknownTemplateIsNull)
{
    EXPECT_EQ(tvx::FindDialogTemplate(0), nullptr);
    EXPECT_EQ(tvx::FindDialogTemplate(92), nullptr);
}

} // namespace
