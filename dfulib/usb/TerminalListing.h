// The terminals on the libusb bus, as the listing and the calls that look a
// terminal up by its ID number see them. The window lists on its own thread
// at every device event, so a listing must not wait on a device: strings
// come from sysfs, and those sysfs lacks are read from the device once, with
// a short time-out. What was learnt is kept per device while it stays on the
// bus (a device that re-enumerates is a new device); a device that did not
// answer is asked again only after a growing pause.
#pragma once

#include <libusb.h>

#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "dfulib/usb/LibusbTerminal.h"
#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb {

class TerminalListing {
public:
    using Clock = std::chrono::steady_clock;

    // The first pause after a device did not answer, and the longest.
    static constexpr Clock::duration kFirstRetry = std::chrono::seconds(1);
    static constexpr Clock::duration kLongestRetry = std::chrono::seconds(30);

    explicit TerminalListing(libusb_context *context) : context_(context) {}

    // The terminals with a serial number, those this user may not open
    // included (their product text names the cause), and loaders in DFU
    // mode without one, under an ID made from their port (PortId). Safe to
    // call from several threads.
    std::vector<UsbDeviceRecord> List();

private:
    struct Entry {
        TerminalRead read;
        bool accessKnown = false;
        bool accessDenied = false;
        int openError = 0; // libusb_open's answer when access was denied
        Clock::time_point retryAt{};
        Clock::duration pause = kFirstRetry;
        bool stateAsked = false; // a loader without a serial number: its DFU state
        bool seen = false;
    };

    // Brings the entry up to date; false when the device is not to be
    // listed now (it is leaving, or could not be opened for another reason).
    bool Refresh(libusb_device *device, Entry &entry, Clock::time_point now);

    libusb_context *context_;
    std::mutex mutex_;
    std::map<DeviceKey, Entry> entries_;
};

} // namespace tvxdfu::usb
