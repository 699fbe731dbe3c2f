// What the driver hears of USB terminals arriving and leaving when it runs
// on real ones: udev through Qt's event loop on Linux, a window's device
// announcements on Windows. Both reach the wizard as they reach it in the
// wizard program.
#pragma once

#include <memory>

namespace tvx::drive {

class UsbEvents {
public:
    UsbEvents(int &argc, char **argv);
    ~UsbEvents();
    UsbEvents(const UsbEvents &) = delete;
    UsbEvents &operator=(const UsbEvents &) = delete;

    // Null when the events can be had, else why not.
    const char *Unavailable() const;
    // Hands on what arrived; the driver calls it while time passes.
    void Deliver();

private:
    struct Source;
    std::unique_ptr<Source> source_;
};

} // namespace tvx::drive
