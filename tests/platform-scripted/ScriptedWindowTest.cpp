#include "platform/ScriptedWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace tvx;

namespace {

// Writes down every event, and can end its window from a chosen event.
class Recorder : public DialogHandler {
public:
    explicit Recorder(DialogWindow &recorded) : window(recorded) {}

    bool OnInitDialog() override
    {
        log.emplace_back("init");
        if (endInInit)
            window.EndDialog(7);
        return false;
    }
    void OnButtonClicked(int id) override
    {
        log.push_back("click " + std::to_string(id) + " check " + std::to_string(window.CheckState(id)));
        if (id == IDOK)
            window.EndDialog(IDOK);
    }
    void OnComboSelChange(int id) override
    {
        log.push_back("combo " + std::to_string(id) + " sel " + std::to_string(window.ComboSelection(id)));
    }
    void OnListItemChanged(int id, int row, unsigned oldState, unsigned newState) override
    {
        log.push_back("list " + std::to_string(id) + " row " + std::to_string(row) + " " +
                      std::to_string(oldState) + "->" + std::to_string(newState));
    }
    void OnTimer(unsigned id) override
    {
        log.push_back("timer " + std::to_string(id) + " @" + std::to_string(clock ? clock->Now() : 0));
        if (id == killOnFire)
            window.KillTimer(id);
        if (id == endOnFire)
            window.EndDialog(IDCANCEL);
    }
    void OnDeviceChange(unsigned, const void *) override {}
    void OnSysCommand(unsigned id) override { log.push_back("sys " + std::to_string(id)); }

    DialogWindow &window;
    const ScriptedWindow *clock = nullptr;
    std::vector<std::string> log;
    bool endInInit = false;
    unsigned killOnFire = 0;
    unsigned endOnFire = 0;
};

struct ScriptedWizardWindow : ::testing::Test {
    ScriptedWindow window{kWizardTemplateId};
    Recorder handler{window};
    void SetUp() override
    {
        handler.clock = &window;
        ASSERT_EQ(window.RunModal(handler), -1);
    }
};

} // namespace

TEST_F(ScriptedWizardWindow, StartsWithTheTemplateStatesAndIgnoresUnknownIds)
{
    EXPECT_TRUE(window.IsControlVisible(1003));
    EXPECT_FALSE(window.IsControlVisible(1004)); // hidden in the template
    EXPECT_TRUE(window.IsControlVisible(1010));
    EXPECT_FALSE(window.IsControlEnabled(1010)); // disabled in the template
    EXPECT_FALSE(window.IsControlVisible(IDOK));
    EXPECT_FALSE(window.IsControlEnabled(IDOK));
    EXPECT_EQ(window.ControlText(1014), "/");

    window.SetControlText(4711, "nowhere");
    EXPECT_EQ(window.FindControl(4711), nullptr);
    // Operations of another control kind do not touch a control.
    window.ComboAddString(1003, "not a combo box");
    EXPECT_EQ(window.ComboCount(1003), 0);
}

TEST(ScriptedWindowWithoutTemplate, MakesEachControlOnFirstUse)
{
    ScriptedWindow window(4242);
    EXPECT_EQ(window.FindControl(5), nullptr);
    window.ComboAddString(5, "a");
    window.ListInsertColumn(6, 0, "Column");
    window.ListInsertRow(6, {"x", "dropped"});
    EXPECT_EQ(window.ComboItemText(5, 0), "a");
    EXPECT_EQ(window.ListItemText(6, 0, 0), "x");
    EXPECT_EQ(window.ListItemText(6, 0, 1), "");
    EXPECT_TRUE(window.IsControlVisible(5));
}

TEST_F(ScriptedWizardWindow, ClicksReachOnlyVisibleEnabledControls)
{
    EXPECT_FALSE(window.ClickButton(1010)); // disabled
    EXPECT_FALSE(window.ClickButton(1007)); // hidden
    window.EnableControl(1010, true);
    EXPECT_TRUE(window.ClickButton(1010));

    // The automatic check box toggles before its click is reported.
    window.ShowControl(1012, true);
    EXPECT_TRUE(window.ClickButton(1012));
    EXPECT_TRUE(window.ClickButton(1012));
    EXPECT_EQ(handler.log, (std::vector<std::string>{"init", "click 1010 check 0", "click 1012 check 1",
                                                     "click 1012 check 0"}));
}

TEST_F(ScriptedWizardWindow, EscapeIsCancelOnlyWhileCancelIsUsable)
{
    window.EnableControl(IDCANCEL, false);
    EXPECT_FALSE(window.PressEscape());
    window.EnableControl(IDCANCEL, true);
    EXPECT_TRUE(window.PressEscape());
    EXPECT_TRUE(window.SysCommand(16));
    EXPECT_EQ(handler.log, (std::vector<std::string>{"init", "click 2 check 0", "sys 16"}));
}

TEST_F(ScriptedWizardWindow, SelectionsReportAsTheRealControlsDo)
{
    window.ListInsertColumn(1003, 0, "Device");
    window.ListInsertRow(1003, {"a"});
    window.ListInsertRow(1003, {"b"});
    EXPECT_TRUE(window.SelectListRow(1003, 0));
    EXPECT_TRUE(window.SelectListRow(1003, 1));
    EXPECT_TRUE(window.SelectListRow(1003, 1)); // no change, nothing reported
    EXPECT_FALSE(window.SelectListRow(1003, 2));
    EXPECT_EQ(window.ListFirstSelectedRow(1003), 1);
    window.ListDeleteAllRows(1003); // not reported
    EXPECT_EQ(window.ListFirstSelectedRow(1003), -1);

    window.ComboAddString(1004, "one.ppu");
    EXPECT_FALSE(window.SelectComboItem(1004, 0)); // hidden
    window.ShowControl(1004, true);
    EXPECT_TRUE(window.SelectComboItem(1004, 0));
    window.ComboSetSelection(1004, 5); // out of range clears, and is not reported
    EXPECT_EQ(window.ComboSelection(1004), -1);

    EXPECT_EQ(handler.log, (std::vector<std::string>{"init", "list 1003 row 0 0->2", "list 1003 row 0 2->0",
                                                     "list 1003 row 1 0->2", "combo 1004 sel 0"}));
}

TEST_F(ScriptedWizardWindow, MessageBoxesAreAnsweredFromTheQueueAndRecorded)
{
    window.QueueMessageBoxAnswer(IDCANCEL);
    window.QueueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(window.MessageBox("ask", "Title", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
    // A box with only OK answers OK however it is closed.
    EXPECT_EQ(window.MessageBox("tell", "Title", MB_ICONERROR), IDOK);
    EXPECT_EQ(window.MessageBox("empty queue", "Title", MB_OKCANCEL), IDOK);
    window.QueueMessageBoxAnswer(0);
    EXPECT_EQ(window.MessageBox("failed to show", "Title", MB_OK), 0);
    ASSERT_EQ(window.MessageBoxes().size(), 4u);
    EXPECT_EQ(window.MessageBoxes()[0].text, "ask");
    EXPECT_EQ(window.MessageBoxes()[0].type, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(window.MessageBoxes()[1].answer, IDOK);

    window.QueueFileDialogPath("/tmp/a.ppu");
    FileDialogSpec spec;
    spec.defaultExtension = "ppu";
    EXPECT_EQ(window.FileDialog(spec), "/tmp/a.ppu");
    EXPECT_EQ(window.FileDialog(spec), "");
    ASSERT_EQ(window.FileDialogs().size(), 2u);
    EXPECT_EQ(window.FileDialogs()[0].defaultExtension, "ppu");
}

TEST_F(ScriptedWizardWindow, TimersFireOnlyAsTheClockAdvancesInTimeOrder)
{
    std::vector<uint64_t> steps;
    window.SetStepHook([&](uint64_t now) { steps.push_back(now); });
    window.SetTimer(2, 25);
    window.SetTimer(1, 10);
    window.SetTimer(3, 1000);
    handler.killOnFire = 3;
    window.AdvanceBy(9);
    EXPECT_EQ(handler.log.size(), 1u);
    window.AdvanceBy(41);  // to 50
    window.SetTimer(2, 5); // restarts at 50 with the new period
    window.AdvanceBy(7);
    window.AdvanceBy(2000); // timer 3 fires once, then is gone
    window.KillTimer(1);
    window.KillTimer(2);
    window.AdvanceBy(100);
    EXPECT_EQ(std::count(handler.log.begin(), handler.log.end(), "timer 3 @1000"), 1);
    const std::vector<std::string> first(handler.log.begin(), handler.log.begin() + 10);
    EXPECT_EQ(first, (std::vector<std::string>{"init", "timer 1 @10", "timer 1 @20", "timer 2 @25",
                                               "timer 1 @30", "timer 1 @40", "timer 2 @50", "timer 1 @50",
                                               "timer 2 @55", "timer 1 @60"}));
    EXPECT_EQ(handler.log.back(), "timer 2 @2055");
    EXPECT_EQ(steps.front(), 9u);
    EXPECT_EQ(steps.back(), 2157u);
    EXPECT_EQ(window.Now(), 2157u);
}

TEST_F(ScriptedWizardWindow, EndingTheDialogStopsTimersAndUserActions)
{
    window.SetTimer(1, 10);
    handler.endOnFire = 1;
    window.AdvanceBy(100);
    EXPECT_EQ(handler.log, (std::vector<std::string>{"init", "timer 1 @10"}));
    EXPECT_TRUE(window.IsEnded());
    EXPECT_EQ(window.EndCode(), IDCANCEL);
    EXPECT_FALSE(window.IsTimerActive(1));
    EXPECT_FALSE(window.PressEscape());
    EXPECT_EQ(window.SetTimer(1, 10), 0u);
}

TEST(ScriptedWindowRun, ReturnsTheEndCodeSetDuringInitialisation)
{
    ScriptedWindow window(kWizardTemplateId);
    Recorder handler(window);
    handler.endInInit = true;
    EXPECT_EQ(window.RunModal(handler), 7);
    EXPECT_FALSE(window.IsOpen());
}

namespace {

class TextSetter : public Recorder {
public:
    using Recorder::Recorder;
    bool OnInitDialog() override
    {
        window.SetControlText(1047, "shown text");
        window.SetCaption("shown caption");
        window.SetControlImage(1038, kAboutBitmapId);
        return true;
    }
};

} // namespace

TEST(ScriptedWindowRun, ChildDialogClosesWithOkAndIsRecordedByItsParent)
{
    ScriptedWindow parent(kWizardTemplateId);
    auto child = parent.CreateDialog(kAboutTemplateId);
    TextSetter about(*child);
    EXPECT_EQ(child->RunModal(about), IDOK);
    EXPECT_EQ(about.log, (std::vector<std::string>{"click 1 check 0"})); // closed through its OK button
    ASSERT_EQ(parent.ChildDialogs().size(), 1u);
    const auto &record = parent.ChildDialogs()[0];
    EXPECT_EQ(record.templateId, kAboutTemplateId);
    EXPECT_EQ(record.caption, "shown caption");
    EXPECT_EQ(record.texts.at(1047), "shown text");
    EXPECT_EQ(record.images.at(1038), kAboutBitmapId);
    EXPECT_EQ(record.endCode, IDOK);
}
