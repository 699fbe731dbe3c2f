#include "TerminalListing.h"

#include <algorithm>
#include <utility>

namespace tvxdfu::usb {
namespace {

bool SameDescriptor(libusb_device *device, const UsbDeviceRecord &record)
{
    libusb_device_descriptor descriptor;
    return libusb_get_device_descriptor(device, &descriptor) == 0 &&
           descriptor.idProduct == record.idProduct && descriptor.bcdDevice == record.bcdDevice;
}

} // namespace

bool TerminalListing::Refresh(libusb_device *device, Entry &entry, Clock::time_point now)
{
    const bool stringsDue = !entry.read.missing.empty() && now >= entry.retryAt;
    // Access is asked once for a device that may be opened; one that may
    // not is asked at every listing, as a rule installed meanwhile and
    // applied by `udevadm trigger` opens it without a re-enumeration.
    if (entry.accessKnown && !entry.accessDenied && !stringsDue)
        return true;
    libusb_device_handle *handle = nullptr;
    const int opened = libusb_open(device, &handle);
    if (opened != 0 && opened != LIBUSB_ERROR_ACCESS)
        return false;
    entry.accessKnown = true;
    entry.accessDenied = opened == LIBUSB_ERROR_ACCESS;
    if (entry.accessDenied)
        return true;
    if (stringsDue) {
        if (ReadMissingStrings(handle, &entry.read)) {
            entry.pause = kFirstRetry;
        } else {
            entry.retryAt = now + entry.pause;
            entry.pause = std::min(entry.pause * 2, kLongestRetry);
        }
    }
    libusb_close(handle);
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
        // A terminal is addressed by its serial number; without one it
        // cannot be chosen.
        if (entry.read.record.serial.empty())
            return false;
        records.push_back(entry.read.record);
        if (entry.accessDenied)
            DenyAccess(device, &records.back());
        return false;
    });
    // Devices that left take what was learnt of them along.
    std::erase_if(entries_, [](const auto &item) { return !item.second.seen; });
    return records;
}

} // namespace tvxdfu::usb
