// The terminals on the USB bus as the backend sees them: their descriptors
// and strings, and a way to open one for transfers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dfulib/usb/ControlTransport.h"

namespace tvxdfu::usb {

inline constexpr uint16_t kTerminalVendorId = 0x0D7B;

// Where a device sits: its bus and the hub port numbers from the root hub.
struct UsbPortPath {
    uint8_t bus = 0;
    std::vector<uint8_t> ports; // empty: not known
    bool operator==(const UsbPortPath &) const = default;
};

struct UsbDeviceRecord {
    std::string product; // iProduct string
    std::string serial;  // iSerialNumber string: the ID number
    // A loader without a serial number is listed under an ID made from its
    // port (PortId), in `serial`, and is found by its port alone.
    bool addressedByPort = false;
    UsbPortPath port;
    std::string configurationText; // iConfiguration string, may be empty
    std::string interfaceText;     // iInterface string of the DFU interface, may be empty
    uint16_t idProduct = 0;
    uint16_t bcdDevice = 0;
    bool dfuMode = false;
    // This user may not open it: calls that need the device fail with
    // UPG_CONNECT_FAILED, and the product text names the cause.
    bool accessDenied = false;
    bool hasFunctional = false;
    DfuFunctional functional;
};

class UsbBus {
public:
    virtual ~UsbBus() = default;
    // The terminals (vendor id 0x0D7B) with a serial number, and loaders
    // without one. Called from the window's thread and from the caller of a
    // start at the same time.
    virtual std::vector<UsbDeviceRecord> Enumerate() = 0;
    // 0 with an open transport on the DFU interface of the terminal as
    // listed, UPG_NO_DEVICE when it is not on the bus, UPG_CONNECT_FAILED when it
    // cannot be opened or claimed, UPG_NO_DESCRIPTOR when it has no DFU
    // interface with a functional descriptor.
    virtual uint32_t Open(const UsbDeviceRecord &terminal, std::unique_ptr<ControlTransport> *out) = 0;
};

} // namespace tvxdfu::usb
