#include "dfulib/usb/HeldInterface.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "dfulib/usb/LibusbTerminal.h"
#include "dfulib/usb/SystemDevice.h"

namespace tvxdfu::usb {
namespace {

constexpr auto kHeldWait = std::chrono::seconds(3);
constexpr auto kHeldRetryInterval = std::chrono::milliseconds(100);

// What holds it, as far as the host can tell: a kernel driver bound to the
// interface, or else a program that claimed it through usbfs.
const char *HolderCause(libusb_device_handle *handle, int interfaceNumber)
{
    if (libusb_kernel_driver_active(handle, interfaceNumber) == 1)
        return "a kernel driver is bound to it and could not be detached";
    return "another program holds it, most likely a daemon that claims DFU devices as they "
           "arrive (such as the firmware-update daemon fwupd) or a second upgrade tool: stop it "
           "or let it finish, then start again";
}

void ReportHeld(libusb_device_handle *handle, int interfaceNumber)
{
    libusb_device *device = libusb_get_device(handle);
    libusb_device_descriptor descriptor{};
    libusb_get_device_descriptor(device, &descriptor);
    std::fprintf(stderr,
                 "TVXDFUUpgrade: cannot claim the DFU interface %d of USB terminal 0d7b:%04x (%s): %s\n",
                 interfaceNumber, descriptor.idProduct, DeviceNode(device).c_str(),
                 HolderCause(handle, interfaceNumber));
}

bool Set(const std::atomic<bool> *stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

} // namespace

int ClaimInterfaceWhenFree(libusb_device_handle *handle, int interfaceNumber, const std::atomic<bool> *stop)
{
    const auto giveUp = std::chrono::steady_clock::now() + kHeldWait;
    int claimed = libusb_claim_interface(handle, interfaceNumber);
    while (claimed == LIBUSB_ERROR_BUSY && !Set(stop) && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(kHeldRetryInterval);
        claimed = libusb_claim_interface(handle, interfaceNumber);
    }
    if (claimed == LIBUSB_ERROR_BUSY && !Set(stop))
        ReportHeld(handle, interfaceNumber);
    return claimed;
}

} // namespace tvxdfu::usb
