#include "dfulib/usb/TerminalListing.h"

#include <algorithm>
#include <utility>

#include "dfulib/usb/StringDescriptor.h"
#include "dfulib/usb/SystemDevice.h"
#include "dfulib/usb/TerminalId.h"

namespace tvxdfu::usb {
namespace {

bool SameDescriptor(libusb_device *device, const UsbDeviceRecord &record)
{
    libusb_device_descriptor descriptor;
    return libusb_get_device_descriptor(device, &descriptor) == 0 &&
           descriptor.idProduct == record.idProduct && descriptor.bcdDevice == record.bcdDevice;
}

// The device has no serial number (none, not one still to be read).
bool WithoutSerial(const TerminalRead &read)
{
    return read.record.serial.empty() &&
           std::none_of(read.missing.begin(), read.missing.end(),
                        [](const MissingString &m) { return m.field == &UsbDeviceRecord::serial; });
}

// A device without a serial number whose interface protocol does not say
// whether its loader runs.
bool StateWanted(const TerminalRead &read)
{
    return WithoutSerial(read) && !read.record.dfuMode && read.location.interfaceNumber >= 0;
}

} // namespace

bool TerminalListing::Refresh(libusb_device *device, Entry &entry, Clock::time_point now)
{
    const bool stringsDue = !entry.read.missing.empty() && now >= entry.retryAt;
    // Access is asked once for a device that may be opened; one that may
    // not is asked at every listing, as a rule installed meanwhile and
    // applied by `udevadm trigger` opens it without a re-enumeration.
    if (entry.accessKnown && !entry.accessDenied && !stringsDue &&
        (entry.stateAsked || !StateWanted(entry.read)))
        return true;
    libusb_device_handle *openedHandle = nullptr;
    const int opened = libusb_open(device, &openedHandle);
    const DeviceHandle handle(openedHandle);
    if (opened != 0 && !IsOpenRefused(opened))
        return false;
    entry.accessKnown = true;
    entry.accessDenied = opened != 0;
    entry.openError = opened;
    if (entry.accessDenied)
        return true;
    if (stringsDue) {
        if (ReadMissingStrings(handle.get(), &entry.read)) {
            entry.pause = kFirstRetry;
        } else {
            entry.retryAt = now + entry.pause;
            entry.pause = std::min(entry.pause * 2, kLongestRetry);
        }
    }
    // Asked once while it stays on the bus, with the strings' short time-out.
    if (!entry.stateAsked && StateWanted(entry.read)) {
        entry.stateAsked = true;
        entry.read.record.dfuMode = AskDfuMode(context_, handle.get(), entry.read.location, kStringTimeoutMs);
    }
    return true;
}

std::vector<UsbDeviceRecord> TerminalListing::List()
{
    std::vector<UsbDeviceRecord> records;
    std::lock_guard lock(mutex_);
    for (auto &[key, entry] : entries_)
        entry.seen = false;
    const Clock::time_point now = Clock::now();
    ForEachDevice(context_, [&](libusb_device *device) {
        const DeviceKey key = KeyOf(device);
        auto found = entries_.find(key);
        // An address comes round again only after the bus has given out all
        // others; should another device hold it meanwhile, its descriptor
        // tells.
        if (found != entries_.end() && !SameDescriptor(device, found->second.read.record)) {
            entries_.erase(found);
            found = entries_.end();
        }
        if (found == entries_.end()) {
            TerminalRead read;
            if (!ReadTerminal(device, &read))
                return false;
            found = entries_.emplace(key, Entry{std::move(read)}).first;
        }
        Entry &entry = found->second;
        if (!Refresh(device, entry, now)) {
            entries_.erase(found);
            return false;
        }
        entry.seen = true;
        // A terminal is addressed by its serial number. A loader without one
        // is addressed by its port, so that a terminal left in its loader by
        // an interrupted upgrade can be written; any other device without
        // one (or whose serial is still to be read) cannot be chosen.
        const UsbDeviceRecord &record = entry.read.record;
        const bool byPort = WithoutSerial(entry.read) && record.dfuMode && !record.port.ports.empty();
        if (record.serial.empty() && !byPort)
            return false;
        records.push_back(record);
        if (byPort) {
            records.back().serial = PortId(record.port);
            records.back().addressedByPort = true;
        }
        if (entry.accessDenied)
            DenyAccess(device, entry.openError, &records.back());
        return false;
    });
    // Devices that left take what was learnt of them along.
    std::erase_if(entries_, [](const auto &item) { return !item.second.seen; });
    return records;
}

} // namespace tvxdfu::usb
