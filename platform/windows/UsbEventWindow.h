// A window of a program that has no dialog (the headless driver), there to
// hear USB devices arrive and leave: Windows announces them to windows only.
#pragma once

namespace tvx {

class UsbEventWindow {
public:
    UsbEventWindow();
    ~UsbEventWindow();
    UsbEventWindow(const UsbEventWindow &) = delete;
    UsbEventWindow &operator=(const UsbEventWindow &) = delete;

    // False when the window could not be made or the system refused it the
    // announcements.
    bool IsActive() const { return registration_ != nullptr; }

    // Hands what was announced so far to the registered recipients
    // (PostDeviceInterfaceEvent), on the thread that made the window.
    void Deliver();

    // The window (an HWND), for those that send it messages.
    void *Window() const { return window_; }

private:
    void *window_ = nullptr;
    void *registration_ = nullptr;
};

} // namespace tvx
