#include "platform/windows/Win32DialogWindow.h"

// The project's headers before windows.h: its macros would rename their
// constants (MB_OK, DBT_DEVTYP_DEVICEINTERFACE) and functions.
#include "platform/DeviceNotifications.h"
#include "platform/DirectoryListing.h"
#include "platform/ScreenReaderNames.h"
#include "platform/windows/InMemoryDialogTemplate.h"
#include "platform/windows/UsbDeviceChanges.h"
#include "platform/windows/WideText.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <initguid.h>
#include <oleacc.h>
// clang-format on

// The interface's members carry these names; windows.h maps them to W calls.
#undef MessageBox
#undef CreateDialog

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tvx {
namespace {

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto *self = reinterpret_cast<Win32DialogWindow *>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self)
        return FALSE;
    bool handled = false;
    const long long result = self->HandleMessage(message, wParam, lParam, &handled);
    if (!handled)
        return FALSE;
    // Answers to messages that return a value go through DWLP_MSGRESULT.
    if (message == WM_QUERYENDSESSION || message == WM_NOTIFY) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
        return TRUE;
    }
    return static_cast<INT_PTR>(result);
}

void RegisterCommonControls()
{
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
}

std::wstring WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// "Name (*.x) |*.x|All (*.*) |*.*||" as the NUL-separated pairs the file
// dialogs take.
std::wstring FileDialogFilterText(const std::string &filter)
{
    std::wstring pairs = WideText(filter);
    std::replace(pairs.begin(), pairs.end(), L'|', L'\0');
    pairs.push_back(L'\0');
    return pairs;
}

} // namespace

Win32DialogWindow::Win32DialogWindow(const DialogTemplate &dialogTemplate, Handle owner)
    : template_(dialogTemplate), owner_(owner)
{
    RegisterCommonControls();
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    void *services = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                   &services)))
        accessibility_ = services;
    const std::vector<uint32_t> storage = BuildInMemoryDialogTemplate(dialogTemplate, owner != nullptr);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                         reinterpret_cast<LPCDLGTEMPLATEW>(storage.data()), owner,
                                         DialogProcedure, reinterpret_cast<LPARAM>(this));
    if (!window_)
        return;
    for (std::size_t i = 0; i < dialogTemplate.controlCount; ++i) {
        const ControlTemplate &c = dialogTemplate.controls[i];
        if (c.id == -1)
            continue;
        controls_[c.id] = ControlEntry{c.kind, c.style, GetDlgItem(window_, c.id)};
        if (c.kind == ControlKind::ListView)
            SendMessageW(controls_[c.id].window, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                         LVS_EX_FULLROWSELECT);
    }
    NameControlsForScreenReaders();
}

Win32DialogWindow::~Win32DialogWindow()
{
    UnregisterUsbDeviceChanges(deviceNotification_);
    if (window_) {
        SetWindowLongPtrW(window_, DWLP_USER, 0);
        DestroyWindow(window_);
    }
    for (auto &[id, font] : fonts_)
        DeleteObject(font);
    for (HBITMAP bitmap : bitmaps_)
        DeleteObject(bitmap);
    for (HICON icon : icons_)
        DestroyIcon(icon);
    if (accessibility_)
        static_cast<IAccPropServices *>(accessibility_)->Release();
    if (comStarted_)
        CoUninitialize();
}

std::unique_ptr<Win32DialogWindow> Win32DialogWindow::FromTemplate(int templateId, Handle owner)
{
    const DialogTemplate *found = FindDialogTemplate(templateId);
    if (!found)
        return nullptr;
    auto window = std::make_unique<Win32DialogWindow>(*found, owner);
    return window->Window() ? std::move(window) : nullptr;
}

Win32DialogWindow::Handle Win32DialogWindow::Control(int id) const
{
    const auto *control = Find(id);
    return control ? control->window : nullptr;
}

bool Win32DialogWindow::ReceiveDeviceChanges()
{
    if (deviceNotification_)
        return true;
    deviceNotification_ = RegisterUsbDeviceChanges(window_);
    return deviceNotification_ != nullptr;
}

void Win32DialogWindow::BlockSessionEnd(const std::string &reason)
{
    sessionBlockReason_ = reason;
    // Said ahead, so that the system lists the reason while it waits.
    if (reason.empty())
        ShutdownBlockReasonDestroy(window_);
    else
        ShutdownBlockReasonCreate(window_, WideText(reason).c_str());
}

// --- running ------------------------------------------------------------------

int Win32DialogWindow::RunModal(DialogHandler &handler)
{
    if (!window_)
        return -1;
    handler_ = &handler;
    ended_ = false;
    result_ = -1;
    const bool setFocus = handler.OnInitDialog();
    const bool ownerWasEnabled = owner_ && !EnableWindow(owner_, FALSE);
    if (!ended_) {
        // Shown first: a hidden window takes no focus.
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        if (setFocus)
            SendMessageW(window_, WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(GetNextDlgTabItem(window_, nullptr, FALSE)), TRUE);
    }
    MSG message;
    while (!ended_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // WM_QUIT belongs to the loop outside this one.
            if (got == 0)
                PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (ownerWasEnabled)
        EnableWindow(owner_, TRUE);
    ShowWindow(window_, SW_HIDE);
    if (owner_)
        SetActiveWindow(owner_);
    handler_ = nullptr;
    return result_;
}

std::unique_ptr<DialogWindow> Win32DialogWindow::CreateDialog(int templateId)
{
    return FromTemplate(templateId, window_);
}

void Win32DialogWindow::EndDialog(int result)
{
    ended_ = true;
    result_ = result;
    PostMessageW(window_, WM_NULL, 0, 0); // wakes the loop
}

long long Win32DialogWindow::HandleMessage(unsigned message, unsigned long long wParam, long long lParam,
                                           bool *handled)
{
    *handled = true;
    switch (message) {
    case WM_INITDIALOG:
        return FALSE; // the focus is set when the dialog runs
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        ListNotification(reinterpret_cast<const void *>(lParam));
        return 0;
    case WM_TIMER:
        if (handler_)
            handler_->OnTimer(static_cast<unsigned>(wParam));
        return 0;
    case WM_CLOSE:
        Command(IDCANCEL, BN_CLICKED);
        return 0;
    case WM_SYSCOMMAND:
        if (systemMenuCommand_ != 0 && (wParam & 0xFFF0) == systemMenuCommand_) {
            if (handler_)
                handler_->OnSysCommand(systemMenuCommand_);
            return 0;
        }
        break;
    case WM_DEVICECHANGE:
        PostUsbDeviceChange(static_cast<unsigned>(wParam), reinterpret_cast<const void *>(lParam));
        return TRUE;
    case WM_QUERYENDSESSION:
        return QueryEndSession() ? TRUE : FALSE;
    case WM_SETCURSOR:
        if (waitCursor_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    default:
        break;
    }
    *handled = false;
    return 0;
}

// A button counts only while it is shown and enabled: Escape, Enter and the
// close command arrive here as its id, whatever its state.
bool Win32DialogWindow::ButtonUsable(int id) const
{
    const auto *control = Find(id);
    if (!control)
        return id == IDCANCEL || id == IDOK; // a dialog without them still closes
    if (control->kind != ControlKind::Button && control->kind != ControlKind::CheckBox)
        return false;
    return IsControlVisible(id) && IsWindowEnabled(control->window);
}

void Win32DialogWindow::Command(int id, unsigned code)
{
    if (!handler_)
        return;
    const auto *control = Find(id);
    if (control && control->kind == ControlKind::ComboBox) {
        if (code == CBN_SELCHANGE)
            handler_->OnComboSelChange(id);
        return;
    }
    if (code == BN_CLICKED && ButtonUsable(id))
        handler_->OnButtonClicked(id);
}

void Win32DialogWindow::ListNotification(const void *header)
{
    const auto *notification = static_cast<const NMHDR *>(header);
    if (notification->code != LVN_ITEMCHANGED || listNotificationsMuted_ || !handler_)
        return;
    const auto *change = static_cast<const NMLISTVIEW *>(header);
    if (!(change->uChanged & LVIF_STATE) || change->iItem < 0)
        return;
    if ((change->uOldState ^ change->uNewState) & LVIS_SELECTED)
        handler_->OnListItemChanged(static_cast<int>(notification->idFrom), change->iItem,
                                    change->uOldState & LVIS_SELECTED, change->uNewState & LVIS_SELECTED);
}

bool Win32DialogWindow::QueryEndSession()
{
    if (sessionBlockReason_.empty())
        return true;
    ShutdownBlockReasonCreate(window_, WideText(sessionBlockReason_).c_str());
    return false;
}

void Win32DialogWindow::NameControlsForScreenReaders()
{
    if (!accessibility_)
        return;
    auto *services = static_cast<IAccPropServices *>(accessibility_);
    const auto textOf = [this](int id) {
        const auto *control = Find(id);
        return control ? Utf8Text(WindowText(control->window)) : std::string();
    };
    const std::string caption = Utf8Text(WindowText(window_));
    for (const auto &[id, control] : controls_) {
        const std::string name = ScreenReaderName(template_, id, textOf, caption);
        const auto known = names_.find(id);
        if (known != names_.end() && known->second == name)
            continue;
        if (SUCCEEDED(services->SetHwndPropStr(control.window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                               PROPID_ACC_NAME, WideText(name).c_str())))
            names_[id] = name;
    }
}

// --- controls -----------------------------------------------------------------

const Win32DialogWindow::ControlEntry *Win32DialogWindow::Find(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

const Win32DialogWindow::ControlEntry *Win32DialogWindow::Find(int id, ControlKind kind) const
{
    const auto *control = Find(id);
    return control && control->kind == kind ? control : nullptr;
}

long long Win32DialogWindow::Send(int id, ControlKind kind, unsigned message, unsigned long long wParam,
                                  long long lParam) const
{
    const auto *control = Find(id, kind);
    return control ? SendMessageW(control->window, message, wParam, lParam) : -1;
}

void Win32DialogWindow::ShowControl(int id, bool show)
{
    const auto *control = Find(id);
    if (!control)
        return;
    ShowWindow(control->window, show ? SW_SHOWNA : SW_HIDE);
    // A text shown over another that shares its place paints last; texts
    // are no tab stops, so the tab order stays.
    if (show && control->kind == ControlKind::Static)
        SetWindowPos(control->window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32DialogWindow::IsControlVisible(int id) const
{
    const auto *control = Find(id);
    return control && (GetWindowLongW(control->window, GWL_STYLE) & WS_VISIBLE);
}

void Win32DialogWindow::EnableControl(int id, bool enable)
{
    const auto *control = Find(id);
    if (!control)
        return;
    // The focus leaves a control that is disabled, or the keyboard is lost.
    if (!enable && GetFocus() == control->window)
        SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control->window, enable);
}

bool Win32DialogWindow::IsControlEnabled(int id) const
{
    const auto *control = Find(id);
    return control && IsWindowEnabled(control->window);
}

void Win32DialogWindow::SetControlText(int id, const std::string &text)
{
    const auto *control = Find(id);
    if (!control || control->kind == ControlKind::ListView || control->kind == ControlKind::ComboBox ||
        control->kind == ControlKind::ProgressBar || control->kind == ControlKind::StaticPicture)
        return;
    SetWindowTextW(control->window, WideText(text).c_str());
    NameControlsForScreenReaders();
}

std::string Win32DialogWindow::ControlText(int id) const
{
    const auto *control = Find(id);
    if (!control)
        return {};
    if (control->kind == ControlKind::ComboBox)
        return ComboItemText(id, ComboSelection(id));
    return Utf8Text(WindowText(control->window));
}

void Win32DialogWindow::FocusControl(int id)
{
    // Through the dialog manager, so that the default button follows.
    if (const auto *control = Find(id))
        SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->window), TRUE);
}

int Win32DialogWindow::CheckState(int id) const
{
    const long long state = Send(id, ControlKind::CheckBox, BM_GETCHECK);
    return state == BST_CHECKED || state == BST_INDETERMINATE ? static_cast<int>(state) : BST_UNCHECKED;
}

void Win32DialogWindow::SetCheckState(int id, int state)
{
    const auto *control = Find(id, ControlKind::CheckBox);
    if (!control)
        return;
    // A third state needs a box that has three.
    if (state == BST_INDETERMINATE)
        SendMessageW(control->window, BM_SETSTYLE, BS_AUTO3STATE, TRUE);
    SendMessageW(control->window, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void Win32DialogWindow::SetControlFont(int id, const FontSpec &spec)
{
    const auto *control = Find(id);
    if (!control)
        return;
    // A positive height is the character cell, a negative one the character
    // height alone, as CreateFont takes them.
    HFONT font = CreateFontW(spec.height, 0, 0, 0, std::clamp(spec.weight, 1, 1000), FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             VARIABLE_PITCH | FF_SWISS, WideText(spec.face).c_str());
    if (!font)
        return;
    SendMessageW(control->window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    HFONT &slot = fonts_[id];
    if (slot)
        DeleteObject(slot);
    slot = font;
}

void Win32DialogWindow::SetControlImage(int id, int imageResourceId)
{
    const auto *control = Find(id, ControlKind::StaticPicture);
    if (!control)
        return;
    HINSTANCE module = GetModuleHandleW(nullptr);
    auto *bitmap = static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(imageResourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return;
    // Shown at its own size; only a picture larger than its place (a small
    // dialog font) is scaled down to fit, keeping its proportions.
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    RECT place{};
    GetClientRect(control->window, &place);
    if (size.bmWidth > place.right || size.bmHeight > place.bottom) {
        const double scale = std::min(static_cast<double>(place.right) / size.bmWidth,
                                      static_cast<double>(place.bottom) / size.bmHeight);
        DeleteObject(bitmap);
        bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(imageResourceId), IMAGE_BITMAP,
                                                 std::max(1, static_cast<int>(size.bmWidth * scale)),
                                                 std::max(1, static_cast<int>(size.bmHeight * scale)),
                                                 LR_CREATEDIBSECTION));
        if (!bitmap)
            return;
    }
    bitmaps_.push_back(bitmap);
    SendMessageW(control->window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

// --- combo boxes --------------------------------------------------------------

void Win32DialogWindow::ComboReset(int id)
{
    Send(id, ControlKind::ComboBox, CB_RESETCONTENT);
}

int Win32DialogWindow::ComboAddString(int id, const std::string &text)
{
    const auto *control = Find(id, ControlKind::ComboBox);
    if (!control)
        return -1;
    const long long index =
        SendMessageW(control->window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
    return index < 0 ? -1 : static_cast<int>(index);
}

void Win32DialogWindow::ComboAddDirectory(int id, const std::string &pattern)
{
    for (const std::string &entry : ListDirectoryEntries(".", pattern))
        ComboAddString(id, entry);
}

int Win32DialogWindow::ComboSelection(int id) const
{
    const long long index = Send(id, ControlKind::ComboBox, CB_GETCURSEL);
    return index < 0 ? -1 : static_cast<int>(index);
}

void Win32DialogWindow::ComboSetSelection(int id, int index)
{
    Send(id, ControlKind::ComboBox, CB_SETCURSEL, static_cast<WPARAM>(index));
}

int Win32DialogWindow::ComboCount(int id) const
{
    const long long count = Send(id, ControlKind::ComboBox, CB_GETCOUNT);
    return count < 0 ? 0 : static_cast<int>(count);
}

std::string Win32DialogWindow::ComboItemText(int id, int index) const
{
    const auto *control = Find(id, ControlKind::ComboBox);
    if (!control || index < 0)
        return {};
    const LRESULT length = SendMessageW(control->window, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(control->window, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
    return Utf8Text(text);
}

// --- list view ----------------------------------------------------------------

int Win32DialogWindow::ListColumnCount(int id) const
{
    const auto *control = Find(id, ControlKind::ListView);
    if (!control)
        return 0;
    auto header = reinterpret_cast<HWND>(SendMessageW(control->window, LVM_GETHEADER, 0, 0));
    return header ? std::max(0, static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0))) : 0;
}

void Win32DialogWindow::ListInsertColumn(int id, int column, const std::string &text)
{
    std::wstring wide = WideText(text);
    LVCOLUMNW entry{};
    entry.mask = LVCF_TEXT | LVCF_FMT;
    entry.fmt = LVCFMT_LEFT;
    entry.pszText = wide.data();
    Send(id, ControlKind::ListView, LVM_INSERTCOLUMNW,
         static_cast<WPARAM>(std::clamp(column, 0, ListColumnCount(id))), reinterpret_cast<LPARAM>(&entry));
}

int Win32DialogWindow::ListColumnWidthToHeader(int id, int column)
{
    if (column < 0 || column >= ListColumnCount(id))
        return 0;
    // The last column also takes up the width the others leave free.
    Send(id, ControlKind::ListView, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
         LVSCW_AUTOSIZE_USEHEADER);
    return static_cast<int>(Send(id, ControlKind::ListView, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
}

void Win32DialogWindow::ListSetColumnWidth(int id, int column, int width)
{
    Send(id, ControlKind::ListView, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), width);
}

int Win32DialogWindow::ListInsertRow(int id, const std::vector<std::string> &texts)
{
    const auto *control = Find(id, ControlKind::ListView);
    if (!control)
        return -1;
    const int columns = std::min(static_cast<int>(texts.size()), ListColumnCount(id));
    std::wstring first = columns > 0 ? WideText(texts[0]) : std::wstring();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListRowCount(id);
    item.pszText = first.data();
    const int row =
        static_cast<int>(SendMessageW(control->window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return -1;
    for (int column = 1; column < columns; ++column) {
        std::wstring text = WideText(texts[static_cast<std::size_t>(column)]);
        LVITEMW cell{};
        cell.iSubItem = column;
        cell.pszText = text.data();
        SendMessageW(control->window, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

void Win32DialogWindow::ListDeleteAllRows(int id)
{
    // Deleted rows are not reported as deselected.
    listNotificationsMuted_ = true;
    Send(id, ControlKind::ListView, LVM_DELETEALLITEMS);
    listNotificationsMuted_ = false;
}

int Win32DialogWindow::ListRowCount(int id) const
{
    const long long count = Send(id, ControlKind::ListView, LVM_GETITEMCOUNT);
    return count < 0 ? 0 : static_cast<int>(count);
}

int Win32DialogWindow::ListFirstSelectedRow(int id) const
{
    const long long row =
        Send(id, ControlKind::ListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    return row < 0 ? -1 : static_cast<int>(row);
}

std::string Win32DialogWindow::ListItemText(int id, int row, int column) const
{
    if (row < 0 || row >= ListRowCount(id) || column < 0 || column >= ListColumnCount(id))
        return {};
    std::array<wchar_t, 1024> buffer{};
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = buffer.data();
    cell.cchTextMax = static_cast<int>(buffer.size());
    const long long length = Send(id, ControlKind::ListView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                  reinterpret_cast<LPARAM>(&cell));
    return length > 0 ? Utf8Text(std::wstring_view(cell.pszText, static_cast<std::size_t>(length)))
                      : std::string();
}

void Win32DialogWindow::ListSelectRow(int id, int row)
{
    if (row < 0 || row >= ListRowCount(id))
        return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    Send(id, ControlKind::ListView, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
         reinterpret_cast<LPARAM>(&state));
    Send(id, ControlKind::ListView, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// --- progress bar ---------------------------------------------------------------

void Win32DialogWindow::SetProgressRange(int id, int low, int high)
{
    Send(id, ControlKind::ProgressBar, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void Win32DialogWindow::SetProgressPosition(int id, int position)
{
    Send(id, ControlKind::ProgressBar, PBM_SETPOS, static_cast<WPARAM>(position));
}

int Win32DialogWindow::ProgressPosition(int id) const
{
    const long long position = Send(id, ControlKind::ProgressBar, PBM_GETPOS);
    return position < 0 && !Find(id, ControlKind::ProgressBar) ? 0 : static_cast<int>(position);
}

// --- window -------------------------------------------------------------------

void Win32DialogWindow::SetCaption(const std::string &caption)
{
    SetWindowTextW(window_, WideText(caption).c_str());
    NameControlsForScreenReaders(); // pictures are named by the caption
}

void Win32DialogWindow::SetIcon(int iconResourceId)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    const std::array<std::pair<WPARAM, int>, 2> sizes{{{ICON_BIG, SM_CXICON}, {ICON_SMALL, SM_CXSMICON}}};
    for (const auto &[which, metric] : sizes) {
        const int side = GetSystemMetrics(metric);
        auto *icon = static_cast<HICON>(
            LoadImageW(module, MAKEINTRESOURCEW(iconResourceId), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
        if (!icon)
            continue;
        icons_.push_back(icon);
        SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

void Win32DialogWindow::SetWaitCursor(bool on)
{
    waitCursor_ = on;
    // Shown at once where the mouse is, not only at its next move.
    POINT where{};
    GetCursorPos(&where);
    SetCursorPos(where.x, where.y);
}

bool Win32DialogWindow::AddSystemMenuEntry(unsigned commandId, const std::string &text)
{
    HMENU menu = GetSystemMenu(window_, FALSE);
    if (!menu || text.empty() || systemMenuCommand_ != 0)
        return false;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (!AppendMenuW(menu, MF_STRING, commandId, WideText(text).c_str()))
        return false;
    systemMenuCommand_ = commandId;
    return true;
}

int Win32DialogWindow::MessageBox(const std::string &text, const std::string &caption, unsigned type)
{
    // The system's box, with its buttons in the system's language; over the
    // dialog while it shows, on its own before.
    HWND owner = window_ && IsWindowVisible(window_) ? window_ : nullptr;
    const int answer = MessageBoxW(owner, WideText(text).c_str(), WideText(caption).c_str(), type);
    // A box with only OK answers OK however it is closed (Wine's answers
    // IDCANCEL to its close button).
    return answer == IDOK || (type & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

std::string Win32DialogWindow::FileDialog(const FileDialogSpec &spec)
{
    const std::wstring filter = FileDialogFilterText(spec.filter);
    const std::wstring extension = WideText(spec.defaultExtension);
    const std::wstring folder = WideText(spec.startFolder);
    std::wstring path(32768, L'\0');
    // A wildcard file name only repeats the filter; a plain one is proposed.
    if (!spec.fileName.empty() && spec.fileName.find_first_of("*?") == std::string::npos) {
        const std::wstring name = WideText(spec.fileName);
        std::copy(name.begin(),
                  name.begin() + static_cast<std::ptrdiff_t>(std::min(name.size(), path.size() - 1)),
                  path.begin());
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The file dialogs leave the current directory where the file was chosen.
    dialog.Flags =
        OFN_EXPLORER | (spec.options & (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST));
    const BOOL chosen = spec.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return {};
    return Utf8Text(path.c_str());
}

unsigned Win32DialogWindow::SetTimer(unsigned id, unsigned periodMs)
{
    return ::SetTimer(window_, id, periodMs, nullptr) ? id : 0;
}

void Win32DialogWindow::KillTimer(unsigned id)
{
    ::KillTimer(window_, id);
}

} // namespace tvx
