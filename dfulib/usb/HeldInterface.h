// Another program holds a terminal's DFU interface: a daemon that claims
// DFU devices when they arrive (fwupd does), a second upgrade tool, or a
// kernel driver libusb could not detach. The claim is tried again for a few
// seconds, since such a daemon lets go once it has read the device; then
// the user is told what holds it.
#pragma once

#include <libusb.h>

#include <atomic>

namespace tvxdfu::usb {

// libusb_claim_interface, tried again while another holds the interface,
// for up to 3 s or until *stop is set; a claim still refused then is
// reported on standard error. libusb's result.
int ClaimInterfaceWhenFree(libusb_device_handle *handle, int interfaceNumber, const std::atomic<bool> *stop);

} // namespace tvxdfu::usb
