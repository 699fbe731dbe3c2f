#include "dfulib/usb/StoppableControl.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dfulib/usb/LibusbOwners.h"

namespace tvxdfu::usb {
namespace {

// How long the wait for the device looks away from the stop flag. The
// completion itself ends a slice at once, so this costs a download nothing.
constexpr long kStopLookMicros = 20000;

void LIBUSB_CALL MarkCompleted(libusb_transfer *transfer)
{
    *static_cast<int *>(transfer->user_data) = 1;
}

int SubmitError(int result)
{
    switch (result) {
    case LIBUSB_ERROR_PIPE:
        return kTransferStall;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
        return kTransferNoDevice;
    case LIBUSB_ERROR_TIMEOUT:
        return kTransferTimeout;
    default:
        return kTransferIoError;
    }
}

int Outcome(const libusb_transfer &transfer, bool stopped)
{
    switch (transfer.status) {
    case LIBUSB_TRANSFER_COMPLETED:
        return transfer.actual_length;
    case LIBUSB_TRANSFER_STALL:
        return kTransferStall;
    case LIBUSB_TRANSFER_NO_DEVICE:
        return kTransferNoDevice;
    case LIBUSB_TRANSFER_TIMED_OUT:
        return kTransferTimeout;
    case LIBUSB_TRANSFER_CANCELLED:
        return stopped ? kTransferCancelled : kTransferIoError;
    default:
        return kTransferIoError;
    }
}

bool Set(const std::atomic<bool> *stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

} // namespace

int StoppableControlTransfer(libusb_context *context, libusb_device_handle *handle, const ControlSetup &setup,
                             uint8_t *in, const uint8_t *out, std::size_t length, unsigned timeoutMs,
                             const std::atomic<bool> *stop)
{
    if (Set(stop))
        return kTransferCancelled;
    std::vector<uint8_t> buffer(LIBUSB_CONTROL_SETUP_SIZE + length);
    libusb_fill_control_setup(buffer.data(), setup.requestType, setup.request, setup.value, setup.index,
                              static_cast<uint16_t>(length));
    if (out && length > 0)
        std::memcpy(buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, out, length);
    const Transfer transfer(libusb_alloc_transfer(0));
    if (!transfer)
        return kTransferIoError;
    int completed = 0;
    // libusb ends the transfer itself at its time-out, as it would a
    // synchronous one.
    libusb_fill_control_transfer(transfer.get(), handle, buffer.data(), MarkCompleted, &completed, timeoutMs);
    if (const int submitted = libusb_submit_transfer(transfer.get()); submitted != 0)
        return SubmitError(submitted);
    // A cancelled transfer still completes, with the status
    // LIBUSB_TRANSFER_CANCELLED, once the kernel has let go of it.
    bool stopped = false;
    bool cancelled = false;
    while (!completed) {
        if (!cancelled && Set(stop)) {
            stopped = cancelled = true;
            libusb_cancel_transfer(transfer.get());
        }
        timeval slice{0, kStopLookMicros};
        const int handled = libusb_handle_events_timeout_completed(context, &slice, &completed);
        if (handled < 0 && handled != LIBUSB_ERROR_INTERRUPTED && !cancelled) {
            cancelled = true;
            libusb_cancel_transfer(transfer.get());
        }
    }
    // A device (or a host stack) that reports more than was asked gets cut
    // to what was asked: the buffer holds no more, nor does the caller's.
    const int result = std::min(Outcome(*transfer, stopped), static_cast<int>(length));
    if (result > 0 && in)
        std::memcpy(in, libusb_control_transfer_get_data(transfer.get()), static_cast<std::size_t>(result));
    return result;
}

} // namespace tvxdfu::usb
