// What the DFU engine needs of one device: control transfers on its DFU
// interface, and the bus operations that follow it through a reset and its
// re-enumeration. One implementation drives libusb, another an emulated
// device.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "dfulib/usb/DfuProtocol.h"

namespace tvxdfu::usb {

// A transfer's result: the bytes moved (>= 0) or one of these.
enum TransferError : int {
    kTransferStall = -1,    // the device refused the request
    kTransferNoDevice = -2, // the device has left the bus
    kTransferTimeout = -3,
    kTransferIoError = -4,
    kTransferCancelled = -5, // the host stopped it: the library unloads
};

struct ControlSetup {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
};

// The DFU interface as found at the last (re)open.
struct DfuInterfaceInfo {
    uint8_t interfaceNumber = 0;
    bool dfuMode = false; // interface protocol 2: the loader is running
    DfuFunctional functional;
};

class ControlTransport {
public:
    virtual ~ControlTransport() = default;
    virtual int ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length,
                          unsigned timeoutMs) = 0;
    virtual int ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length,
                           unsigned timeoutMs) = 0;
    // Resets the port; the device may leave the bus and come back as
    // another device, so the handle is stale afterwards until Reopen.
    virtual void ResetDevice() = 0;
    // Looks once for the same device (by serial number) and opens it again;
    // false while it is not (yet) back on the bus.
    virtual bool Reopen() = 0;
    // After a failed Reopen: the device is back, but another program has
    // held its DFU interface for as long as the transport waited for it.
    virtual bool HeldByAnother() const { return false; }
    virtual DfuInterfaceInfo Interface() const = 0;
    // While *stop is set, a transfer under way ends soon (the device may
    // still get the request) and a new one does not start; both return
    // kTransferCancelled. nullptr: transfers run to their time-out.
    virtual void WatchStop(const std::atomic<bool> *stop) = 0;
};

} // namespace tvxdfu::usb
