// The About box, opened from the system-menu entry in every language.
#include "tests/wizard-core/OneTerminalWizard.h"

using namespace tvx;
using wizardtest::WizardTest;

TEST_F(WizardTest, AboutBoxShowsProductAndVersionInEveryLanguage)
{
    for (const char *lang : {"en_GB.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "it_IT.UTF-8"}) {
        SCOPED_TRACE(lang);
        SetLanguage(lang);
        ASSERT_EQ(Open(), -1);
        // The low four bits of a system command do not count: 16 to 31 open it.
        for (unsigned command : {16u, 31u})
            EXPECT_TRUE(window->SysCommand(command));
        for (unsigned command : {15u, 32u, 0xF060u})
            EXPECT_TRUE(window->SysCommand(command));
        ASSERT_EQ(window->ChildDialogs().size(), 2u);
        for (const auto &about : window->ChildDialogs()) {
            EXPECT_EQ(about.templateId, kAboutTemplateId);
            EXPECT_EQ(about.caption, "Info VORN 470 M online Firmware-Update");
            EXPECT_EQ(about.texts.at(1047), "VORN 470 M online\nVersion 2.0.0.3");
            EXPECT_EQ(about.images.at(1038), kAboutBitmapId);
            EXPECT_EQ(about.endCode, IDOK);
        }
        // The wizard stays open behind it.
        EXPECT_TRUE(window->IsOpen());
        dialog->OnCancel();
    }
}
