// One control transfer through libusb that a stop ends soon, where a
// synchronous libusb_control_transfer would run to its time-out.
#pragma once

#include <libusb.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "dfulib/usb/ControlTransport.h"

namespace tvxdfu::usb {

// Moves `length` bytes from `out` (host to device) or into `in` (device to
// host). The bytes moved, or a TransferError: kTransferCancelled when *stop
// was set before or during the transfer and the device had not answered.
int StoppableControlTransfer(libusb_context *context, libusb_device_handle *handle, const ControlSetup &setup,
                             uint8_t *in, const uint8_t *out, std::size_t length, unsigned timeoutMs,
                             const std::atomic<bool> *stop);

} // namespace tvxdfu::usb
