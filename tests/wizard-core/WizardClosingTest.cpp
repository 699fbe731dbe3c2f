// Every way out of the wizard gives its device registrations back once.
#include "tests/wizard-core/OneTerminalWizard.h"

#include <functional>

using namespace tvx;
using wizardtest::WizardTest;
using D = CTVXUpgradeDlg;

namespace {

constexpr const char *kAbortTitleKind0 = "Firmware upgrade aborted";

} // namespace

TEST_F(WizardTest, DecliningAnOpeningBoxAbortsWithBoxKindZero)
{
    struct Case {
        const char *name;
        std::initializer_list<int> answers;
        std::size_t boxesBeforeAbort;
    };
    // The preparation box has only OK: it is declined only when it could not be shown.
    const Case cases[] = {
        {"welcome cancelled", {IDCANCEL}, 1},
        {"preparation not shown", {IDOK, 0}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Open(c.answers), IDCANCEL);
        const auto &boxes = window->MessageBoxes();
        ASSERT_EQ(boxes.size(), c.boxesBeforeAbort + 1);
        EXPECT_EQ(boxes.back().caption, kAbortTitleKind0);
        EXPECT_EQ(boxes.back().type, 4160u);
        EXPECT_FALSE(window->IsOpen());
        EXPECT_FALSE(window->IsControlVisible(D::hintText));
        EXPECT_EQ(dialog->readerNotification, nullptr);
        EXPECT_EQ(dialog->usbNotification, nullptr);
        EXPECT_FALSE(HearsDeviceEvents());
    }
}

TEST_F(WizardTest, EveryWayOutUnregistersOnce)
{
    struct Case {
        const char *name;
        std::function<void(ScriptedWindow &, D &)> leave;
        int endCode;
        std::size_t boxes; // after welcome and preparation
    };
    const Case cases[] = {
        {"Cancel button", [](ScriptedWindow &w, D &) { EXPECT_TRUE(w.ClickButton(IDCANCEL)); }, IDCANCEL, 0},
        {"Escape", [](ScriptedWindow &w, D &) { EXPECT_TRUE(w.PressEscape()); }, IDCANCEL, 0},
        {"Finish button",
         [](ScriptedWindow &w, D &) {
             w.ShowControl(IDOK, true);
             w.EnableControl(IDOK, true);
             EXPECT_TRUE(w.ClickButton(IDOK));
         },
         IDOK, 0},
        {"abort after a declined start", [](ScriptedWindow &, D &d) { d.CancelWithMessage(1); }, IDCANCEL, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Open(), -1);
        c.leave(*window, *dialog);
        EXPECT_EQ(window->EndCode(), c.endCode);
        EXPECT_EQ(window->MessageBoxes().size(), 2 + c.boxes);
        EXPECT_EQ(dialog->readerNotification, nullptr);
        EXPECT_EQ(dialog->usbNotification, nullptr);
        EXPECT_FALSE(HearsDeviceEvents());

        // A later dialog's registrations survive the earlier dialog's end.
        auto firstWindow = std::move(window);
        auto first = std::move(dialog);
        ASSERT_EQ(Open(), -1);
        first.reset();
        firstWindow.reset();
        EXPECT_TRUE(HearsDeviceEvents());
        dialog->OnCancel();
    }
}

TEST_F(WizardTest, DisabledCancelKeepsTheWizardOpen)
{
    ASSERT_EQ(Open(), -1);
    window->EnableControl(IDCANCEL, false); // as while a part is written
    EXPECT_FALSE(window->PressEscape());
    EXPECT_FALSE(window->ClickButton(IDCANCEL));
    EXPECT_TRUE(window->IsOpen());
    EXPECT_TRUE(HearsDeviceEvents());
}
