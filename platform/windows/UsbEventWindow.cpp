#include "platform/windows/UsbEventWindow.h"

#include "platform/windows/UsbDeviceChanges.h"

#include <windows.h>

namespace tvx {

namespace {

constexpr wchar_t kClassName[] = L"TvxUsbEventWindow";

LRESULT CALLBACK UsbEventProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE) {
        PostUsbDeviceChange(static_cast<unsigned>(wParam), reinterpret_cast<const void *>(lParam));
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

UsbEventWindow::UsbEventWindow()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = UsbEventProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass); // fails harmlessly when a window made it before
    // Message-only: never shown, still told of the devices it registers for.
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                              nullptr);
    if (window_)
        registration_ = RegisterUsbDeviceChanges(window_);
}

UsbEventWindow::~UsbEventWindow()
{
    UnregisterUsbDeviceChanges(registration_);
    if (window_)
        DestroyWindow(static_cast<HWND>(window_));
}

void UsbEventWindow::Deliver()
{
    MSG message;
    while (PeekMessageW(&message, static_cast<HWND>(window_), 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

} // namespace tvx
