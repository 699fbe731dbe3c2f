// Arrival and removal of the vendor's USB devices, from udev, posted as
// device-interface events on the UI thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace tvx {

struct UsbDeviceEvent {
    unsigned eventCode; // DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE
    std::string interfacePath;
};

// The event for a udev "usb_device" uevent, or nothing when it is neither an
// arrival nor a removal of a device of vendor 0x0D7B. product is the uevent's
// PRODUCT value ("vid/pid/bcd" in hex); a device without a serial number gets
// a generated instance id with '&' from its sysfs name, as Windows
// generates one.
std::optional<UsbDeviceEvent> UsbDeviceEventFrom(const char *action, const char *product, const char *serial,
                                                 const char *sysName);

class UdevMonitor {
public:
    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor &) = delete;
    UdevMonitor &operator=(const UdevMonitor &) = delete;

    // False when udev could not be reached; the wizard then sees no hot-plug.
    bool IsActive() const { return notifier_ != nullptr; }

private:
    void Receive();

    udev *udev_ = nullptr;
    udev_monitor *monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tvx
