// The native dialog driven from a second thread by the messages a user's
// input and the system produce, while the test's thread runs it modally.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/DeviceNotifications.h"
#include "platform/ScreenReaderNames.h"
#include "platform/windows/InMemoryDialogTemplate.h"
#include "platform/windows/SessionEndGuard.h"
#include "platform/windows/UsbEventWindow.h"
#include "platform/windows/Win32DialogWindow.h"
#include "tests/support/RecordingSleepInhibitor.h"

// After the project's headers, whose constants windows.h's macros would rename.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#undef MessageBox
#undef RegisterDeviceNotification

using namespace tvx;

namespace {

constexpr int kPicture = 1036, kGroup = 1002, kList = 1003, kCheck = 1012, kCombo = 1004, kProgress = 1005,
              kStatus = 1015, kNext = 1010, kInfo = 1017, kDeviceId = 1021;

// One control of every kind; Cancel and Finish share a place, the label
// beside a value names it for screen readers as in the wizard.
const ControlTemplate kFixtureControls[] = {
    {kPicture, ControlKind::StaticPicture, "", "", 7, 5, 150, 27, StyleCentered | StyleRealSizeImage},
    {kGroup, ControlKind::GroupBox, "", "&Step", 7, 35, 250, 100, 0},
    {kList, ControlKind::ListView, "", "", 20, 47, 220, 50, StyleBorder | StyleReportSingleSel},
    {kCheck, ControlKind::CheckBox, "", "Make a &copy", 20, 100, 100, 13, StyleAutoCheckBox | StyleHidden},
    {kStatus, ControlKind::Static, "", "Static", 20, 60, 200, 30, StyleCentered | StyleHidden},
    {kCombo, ControlKind::ComboBox, "", "", 20, 81, 150, 47, StyleDropDownList | StyleVScroll},
    {kProgress, ControlKind::ProgressBar, "", "", 20, 118, 220, 12, StyleSmooth | StyleBorder},
    {kInfo, ControlKind::Static, "", "Product:\nDevice ID number:", 20, 140, 100, 16, 0},
    {kDeviceId, ControlKind::Static, "", "", 130, 148, 60, 8, 0},
    {kNext, ControlKind::Button, "", "&Next >", 140, 160, 50, 14, StyleDisabled},
    {IDCANCEL, ControlKind::Button, "", "&Cancel", 200, 160, 50, 14, 0},
    {IDOK, ControlKind::Button, "", "&Finish", 200, 160, 50, 14, StyleHidden | StyleDisabled},
};
// Under the wizard's id, so that the wizard's label table applies.
const DialogTemplate kFixture = {
    kWizardTemplateId,          "Fixture", "MS Sans Serif", 8, 265, 180, kFixtureControls,
    std::size(kFixtureControls)};

// Records the events as lines; Cancel ends the dialog.
class Recorder : public DialogHandler {
public:
    explicit Recorder(Win32DialogWindow &window) : window_(window) {}

    // Runs the dialog modally while `script` drives it from another thread,
    // then closes it as the user would.
    int Run(const std::function<void(HWND)> &script)
    {
        std::atomic<bool> done{false};
        std::thread driver([&] {
            HWND dialog = window_.Window();
            while (!IsWindowVisible(dialog))
                Sleep(1);
            // Answered once the dialog's loop runs.
            SendMessageW(dialog, WM_NULL, 0, 0);
            script(dialog);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            done = true;
        });
        const int result = window_.RunModal(*this);
        // A dialog that ended early still answers what the script sends it.
        while (!done) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&message);
            Sleep(1);
        }
        driver.join();
        return result;
    }

    bool OnInitDialog() override { return true; }
    void OnButtonClicked(int id) override
    {
        events.push_back("click " + std::to_string(id));
        if (id == IDCANCEL)
            window_.EndDialog(IDCANCEL);
    }
    void OnComboSelChange(int id) override
    {
        events.push_back("combo " + std::to_string(id) + " " + window_.ControlText(id));
    }
    void OnListItemChanged(int id, int row, unsigned oldState, unsigned newState) override
    {
        events.push_back("list " + std::to_string(id) + " row " + std::to_string(row) + " " +
                         std::to_string(oldState) + "->" + std::to_string(newState));
    }
    void OnTimer(unsigned id) override
    {
        events.push_back("timer " + std::to_string(id));
        window_.KillTimer(id);
        ++ticks;
    }
    void OnDeviceChange(unsigned, const void *) override {}
    void OnSysCommand(unsigned id) override { events.push_back("syscommand " + std::to_string(id)); }

    std::vector<std::string> events;
    std::atomic<int> ticks{0};

private:
    Win32DialogWindow &window_;
};

HWND FocusedControl(HWND dialog)
{
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) ? thread.hwndFocus : nullptr;
}

// A key as the keyboard brings it, to the control with the focus.
void PressKey(HWND dialog, WPARAM key)
{
    HWND focus = FocusedControl(dialog);
    PostMessageW(focus ? focus : dialog, WM_KEYDOWN, key, 1);
    PostMessageW(focus ? focus : dialog, WM_KEYUP, key, 0xC0000001);
}

// Waits until the dialog's thread has handled what was posted to it so far:
// a thread's posted messages are handled in order, whichever of its windows
// they go to, so a marker posted to a window of the same thread comes last.
class PostedQueue {
public:
    PostedQueue()
    {
        WNDCLASSW marker{};
        marker.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_APP)
                handled_ = static_cast<long>(wParam);
            return DefWindowProcW(window, message, wParam, lParam);
        };
        marker.lpszClassName = L"TvxTestMarker";
        RegisterClassW(&marker);
        window_ =
            CreateWindowW(L"TvxTestMarker", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~PostedQueue() { DestroyWindow(window_); }
    PostedQueue(const PostedQueue &) = delete;
    PostedQueue &operator=(const PostedQueue &) = delete;

    // Gives up when `dialog` has gone: its loop has ended.
    void Settle(HWND dialog)
    {
        const long marker = ++posted_;
        PostMessageW(window_, WM_APP, static_cast<WPARAM>(marker), 0);
        while (handled_ != marker && IsWindowVisible(dialog))
            Sleep(1);
    }

private:
    HWND window_;
    long posted_ = 0;
    static inline std::atomic<long> handled_{0};
};

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

class Win32Dialog : public ::testing::Test {
protected:
    Win32DialogWindow window{kFixture};
    Recorder recorder{window};
    PostedQueue queue; // of this thread, which runs the dialog

    HWND Item(int id) const { return GetDlgItem(window.Window(), id); }
};

} // namespace

TEST_F(Win32Dialog, ControlsStandWhereTheTemplateSaysInDialogUnits)
{
    ASSERT_NE(window.Window(), nullptr);
    struct Expected {
        int id;
        const wchar_t *className;
        bool visible, enabled;
    };
    const Expected table[] = {
        {kPicture, L"Static", true, true},     {kGroup, L"Button", true, true},
        {kList, L"SysListView32", true, true}, {kCheck, L"Button", false, true},
        {kCombo, L"ComboBox", true, true},     {kProgress, L"msctls_progress32", true, true},
        {kNext, L"Button", true, false},       {IDOK, L"Button", false, false},
    };
    for (const Expected &e : table) {
        SCOPED_TRACE(e.id);
        HWND control = Item(e.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(ClassOf(control), e.className);
        EXPECT_EQ(window.IsControlVisible(e.id), e.visible);
        EXPECT_EQ(window.IsControlEnabled(e.id), e.enabled);
    }
    for (const ControlTemplate &c : kFixtureControls) {
        if (c.id == -1 || c.kind == ControlKind::ComboBox) // a combo box's height is its closed field
            continue;
        SCOPED_TRACE(c.id);
        // Place and size are converted each on its own, as Windows does.
        RECT place{c.x, c.y, c.width, c.height};
        MapDialogRect(window.Window(), &place);
        RECT actual{};
        GetWindowRect(Item(c.id), &actual);
        MapWindowPoints(nullptr, window.Window(), reinterpret_cast<POINT *>(&actual), 2);
        EXPECT_EQ(actual.left, place.left);
        EXPECT_EQ(actual.top, place.top);
        EXPECT_EQ(actual.right - actual.left, place.right);
        EXPECT_EQ(actual.bottom - actual.top, place.bottom);
    }
}

TEST_F(Win32Dialog, TextsCrossTheSystemAsUtf16)
{
    const std::string german = "Gerät wählen – ID € 😀";
    const std::wstring wide = L"Ger\u00e4t w\u00e4hlen \u2013 ID \u20ac \U0001F600";
    window.SetControlText(kStatus, german);
    wchar_t shown[64] = {};
    GetWindowTextW(Item(kStatus), shown, 64);
    EXPECT_EQ(std::wstring(shown), wide);
    EXPECT_EQ(window.ControlText(kStatus), german);

    window.ComboAddString(kCombo, "Paket für Geräte.ppu");
    window.ComboSetSelection(kCombo, 0);
    EXPECT_EQ(window.ControlText(kCombo), "Paket für Geräte.ppu");

    window.ListInsertColumn(kList, 0, "Gerät");
    window.ListInsertColumn(kList, 1, "ID-Nummer");
    EXPECT_EQ(window.ListInsertRow(kList, {"Lesegerät ü", "K470Ä01"}), 0);
    EXPECT_EQ(window.ListItemText(kList, 0, 0), "Lesegerät ü");
    EXPECT_EQ(window.ListItemText(kList, 0, 1), "K470Ä01");
    window.SetCaption("Assistent für Geräte");
    GetWindowTextW(window.Window(), shown, 64);
    EXPECT_EQ(std::wstring(shown), L"Assistent f\u00fcr Ger\u00e4te");
}

TEST_F(Win32Dialog, ListCombosAndProgressKeepWhatTheWizardSets)
{
    window.ListInsertColumn(kList, 0, "Product");
    window.ListInsertColumn(kList, 1, "ID");
    EXPECT_EQ(window.ListColumnCount(kList), 2);
    const int first = window.ListColumnWidthToHeader(kList, 0);
    const int last = window.ListColumnWidthToHeader(kList, 1);
    RECT list{};
    GetClientRect(Item(kList), &list);
    EXPECT_GT(first, 0);
    EXPECT_GE(first + last, list.right - 1) << "the last column takes the width left";
    window.ListInsertRow(kList, {"a", "1"});
    window.ListInsertRow(kList, {"b", "2"});
    EXPECT_EQ(window.ListRowCount(kList), 2);
    EXPECT_EQ(window.ListFirstSelectedRow(kList), -1);
    window.ListSelectRow(kList, 1);
    EXPECT_EQ(window.ListFirstSelectedRow(kList), 1);
    window.ListDeleteAllRows(kList);
    EXPECT_EQ(window.ListRowCount(kList), 0);

    EXPECT_EQ(window.ComboSelection(kCombo), -1);
    window.ComboAddString(kCombo, "b.ppu");
    window.ComboAddString(kCombo, "a.ppu");
    EXPECT_EQ(window.ComboSelection(kCombo), -1) << "adding selects nothing";
    EXPECT_EQ(window.ComboItemText(kCombo, 0), "b.ppu") << "kept in the order added";
    EXPECT_EQ(window.ComboCount(kCombo), 2);
    window.ComboReset(kCombo);
    EXPECT_EQ(window.ComboCount(kCombo), 0);

    window.SetProgressRange(kProgress, 0, 100);
    window.SetProgressPosition(kProgress, 42);
    EXPECT_EQ(window.ProgressPosition(kProgress), 42);

    window.ShowControl(kCheck, true);
    window.SetCheckState(kCheck, BST_CHECKED);
    EXPECT_EQ(window.CheckState(kCheck), BST_CHECKED);
}

TEST_F(Win32Dialog, PicturesAndIconComeFromTheProgramsResources)
{
    window.SetControlImage(kPicture, kBannerBitmapId);
    auto bitmap = reinterpret_cast<HBITMAP>(SendMessageW(Item(kPicture), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bitmap, nullptr);
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    RECT place{};
    GetClientRect(Item(kPicture), &place);
    EXPECT_LE(size.bmWidth, place.right) << "a banner wider than its place is scaled down";
    EXPECT_LE(size.bmHeight, place.bottom);
    EXPECT_NEAR(static_cast<double>(size.bmWidth) / size.bmHeight, 824.0 / 44.0, 0.5) << "in proportion";

    window.SetIcon(kAppIconId);
    EXPECT_NE(SendMessageW(window.Window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(window.Window(), WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Win32Dialog, ClicksListAndComboReachTheHandler)
{
    window.ListInsertColumn(kList, 0, "Product");
    window.ListInsertRow(kList, {"first"});
    window.ListInsertRow(kList, {"second"});
    window.ComboAddString(kCombo, "one.ppu");
    window.ComboAddString(kCombo, "two.ppu");
    recorder.Run([&](HWND) {
        SendMessageW(Item(kNext), BM_CLICK, 0, 0); // disabled: nothing
        EnableWindow(Item(kNext), TRUE);
        SendMessageW(Item(kNext), BM_CLICK, 0, 0);
        LVITEMW select{};
        select.stateMask = select.state = LVIS_SELECTED;
        SendMessageW(Item(kList), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
        SendMessageW(Item(kList), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
        SendMessageW(Item(kCombo), CB_SETCURSEL, 1, 0);
        SendMessageW(GetParent(Item(kCombo)), WM_COMMAND, MAKEWPARAM(kCombo, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(kCombo)));
    });
    const std::vector<std::string> expected = {"click 1010",           "list 1003 row 0 0->2",
                                               "list 1003 row 0 2->0", "list 1003 row 1 0->2",
                                               "combo 1004 two.ppu",   "click 2"};
    EXPECT_EQ(recorder.events, expected);
}

TEST_F(Win32Dialog, EscapeEnterAndCloseCountOnlyWhileTheirButtonIsUsable)
{
    // Escape and the close command are Cancel, Enter the default button
    // (a focused push button, else IDOK); each only while it is shown and enabled.
    recorder.Run([&](HWND dialog) {
        EnableWindow(Item(IDCANCEL), FALSE);
        PressKey(dialog, VK_ESCAPE);
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        PressKey(dialog, VK_RETURN); // Finish is hidden
        queue.Settle(dialog);
        ShowWindow(Item(IDCANCEL), SW_HIDE);
        ShowWindow(Item(IDOK), SW_SHOW);
        EnableWindow(Item(IDOK), TRUE);
        PressKey(dialog, VK_RETURN);
        queue.Settle(dialog);
        ShowWindow(Item(IDOK), SW_HIDE);
        ShowWindow(Item(IDCANCEL), SW_SHOW);
        EnableWindow(Item(IDCANCEL), TRUE);
        PressKey(dialog, VK_ESCAPE); // ends the dialog
    });
    const std::vector<std::string> expected = {"click 1", "click 2"};
    EXPECT_EQ(recorder.events, expected);
}

TEST_F(Win32Dialog, TabMovesThroughTheUsableControlsInTemplateOrder)
{
    std::vector<int> order;
    window.ShowControl(kCheck, true);
    window.EnableControl(kNext, true);
    recorder.Run([&](HWND dialog) {
        for (int i = 0; i < 6; ++i) {
            order.push_back(GetDlgCtrlID(FocusedControl(dialog)));
            PressKey(dialog, VK_TAB);
            queue.Settle(dialog);
        }
    });
    const std::vector<int> expected = {kList, kCheck, kCombo, kNext, IDCANCEL, kList};
    EXPECT_EQ(order, expected);
}

TEST_F(Win32Dialog, TimersAndTheSystemMenuEntryReachTheHandler)
{
    ASSERT_TRUE(window.AddSystemMenuEntry(16, "&About TVXUpgrade..."));
    EXPECT_FALSE(window.AddSystemMenuEntry(32, "twice")) << "one entry";
    EXPECT_EQ(window.SetTimer(7, 1), 7u);
    recorder.Run([&](HWND dialog) {
        while (recorder.ticks == 0)
            Sleep(1);
        PostMessageW(dialog, WM_SYSCOMMAND, 16, 0);
        queue.Settle(dialog);
    });
    const std::vector<std::string> expected = {"timer 7", "syscommand 16", "click 2"};
    EXPECT_EQ(recorder.events, expected);
}

TEST_F(Win32Dialog, MessageBoxesAnswerWithTheButtonPressed)
{
    struct Case {
        unsigned type;
        int button; // clicked, or 0 to close the box
        int answer;
    };
    const Case cases[] = {
        {MB_OKCANCEL | MB_ICONQUESTION, IDOK, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, IDCANCEL, IDCANCEL},
        {MB_OKCANCEL | MB_ICONQUESTION, 0, IDCANCEL},
        {MB_OK | MB_ICONERROR, 0, IDOK}, // the only button
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type * 10 + c.button);
        std::thread user([&] {
            HWND box = nullptr;
            while (!(box = FindWindowW(L"#32770", L"Frage \u2013 Ger\u00e4t")))
                Sleep(5);
            if (c.button)
                PostMessageW(GetDlgItem(box, c.button), BM_CLICK, 0, 0);
            else
                PostMessageW(box, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(window.MessageBox("Soll das Gerät aktualisiert werden?", "Frage – Gerät", c.type),
                  c.answer);
        user.join();
    }
}

TEST_F(Win32Dialog, DeviceChangesReachTheRegisteredRecipientsInUtf8)
{
    struct Listener : DialogHandler {
        bool OnInitDialog() override { return true; }
        void OnButtonClicked(int) override {}
        void OnComboSelChange(int) override {}
        void OnListItemChanged(int, int, unsigned, unsigned) override {}
        void OnTimer(unsigned) override {}
        void OnDeviceChange(unsigned code, const void *record) override
        {
            events.push_back(std::to_string(code) + " " +
                             static_cast<const DeviceInterfaceRecord *>(record)->dbcc_name);
        }
        void OnSysCommand(unsigned) override {}
        std::vector<std::string> events;
    } listener;
    NotificationHandle registration = tvx::RegisterDeviceNotification(listener, kUsbDeviceInterface);
    EXPECT_TRUE(window.ReceiveDeviceChanges()) << "the system takes the window's registration";
    UsbEventWindow driverWindow; // the headless driver's, which has no dialog
    EXPECT_TRUE(driverWindow.IsActive()) << "the system takes its registration";

    const std::wstring path =
        L"\\\\?\\USB#VID_0D7B&PID_0470#K470\u00c401#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
    std::vector<BYTE> storage(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + path.size() * sizeof(wchar_t));
    auto *record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(storage.data());
    const std::string utf8 = "\\\\?\\USB#VID_0D7B&PID_0470#K470Ä01#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
    const std::vector<std::string> expected = {"32768 " + utf8, "32772 " + utf8};
    for (HWND target : {window.Window(), static_cast<HWND>(driverWindow.Window())}) {
        listener.events.clear();
        record->dbcc_size = static_cast<DWORD>(storage.size());
        record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        std::copy(path.begin(), path.end(), record->dbcc_name);
        record->dbcc_name[path.size()] = L'\0';
        SendMessageW(target, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(record));
        SendMessageW(target, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(record));
        SendMessageW(target, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        record->dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + 4; // cut inside the name
        SendMessageW(target, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(record));
        EXPECT_EQ(listener.events, expected) << (target == window.Window() ? "dialog" : "driver's window");
    }
    tvx::UnregisterDeviceNotification(registration);
}

TEST_F(Win32Dialog, SessionEndIsRefusedOnlyWhileATerminalIsWritten)
{
    RecordingSleepInhibitor sleepLock;
    SessionEndGuard guard(sleepLock, window);
    const auto sessionMayEnd = [&] { return SendMessageW(window.Window(), WM_QUERYENDSESSION, 0, 0) != 0; };
    EXPECT_TRUE(sessionMayEnd());
    guard.Hold("A terminal is being written.");
    EXPECT_FALSE(sessionMayEnd());
    EXPECT_TRUE(sleepLock.Held());
    EXPECT_EQ(sleepLock.Why(), "A terminal is being written.");
    guard.Release();
    EXPECT_TRUE(sessionMayEnd());
    EXPECT_FALSE(sleepLock.Held());
}

// The names are handed to the system's accessibility (IAccPropServices),
// which Wine does not implement: what is checked here is what is handed.
TEST_F(Win32Dialog, ScreenReaderNamesAreThoseOfTheQtWindow)
{
    window.SetControlText(kDeviceId, "K470A01");
    window.SetControlText(kGroup, "Select a &terminal:");
    const auto textOf = [&](int id) { return window.ControlText(id); };
    struct Case {
        int id;
        const char *name;
    };
    const Case cases[] = {
        {kPicture, "Fixture"},                    // a picture by the caption
        {kGroup, "Select a terminal:"},           // without its '&'
        {kList, "Select a terminal:"},            // by its group
        {kDeviceId, "Device ID number: K470A01"}, // a value after its line of the label
        {kInfo, "Product: Device ID number:"},
        {IDCANCEL, "Cancel"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ScreenReaderName(kFixture, c.id, textOf, "Fixture"), c.name) << c.id;
}
