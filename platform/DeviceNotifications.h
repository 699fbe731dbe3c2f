// Device-interface notifications: the wizard registers for interface classes
// and receives arrival and removal events with a broadcast record laid out as
// Windows lays it out. Event sources (udev, the simulated bus) post
// interface paths here; delivery is on the UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DialogWindow.h"

namespace tvx {

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline constexpr Guid kSmartCardReaderInterface = {
    0x50DD5230, 0xBA8A, 0x11D1, {0xBF, 0x5D, 0x00, 0x00, 0xF8, 0x05, 0xF5, 0x30}};
inline constexpr Guid kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

inline constexpr uint32_t DBT_DEVTYP_DEVICEINTERFACE = 5;

// The broadcast record: size, device type 5, reserved, class, then the
// NUL-terminated interface path (dbcc_name runs past the declared array).
struct DeviceInterfaceRecord {
    uint32_t dbcc_size;
    uint32_t dbcc_devicetype;
    uint32_t dbcc_reserved;
    Guid dbcc_classguid;
    char dbcc_name[1];
};

using NotificationHandle = void *;

// Registers the recipient for events of one interface class; a null handle
// when registration fails. Unregistering a null handle does nothing.
NotificationHandle RegisterDeviceNotification(DialogHandler &recipient, const Guid &interfaceClass);
void UnregisterDeviceNotification(NotificationHandle handle);

// Called by event sources on the UI thread: one event is delivered once per
// registered class, each with its own record.
void PostDeviceInterfaceEvent(unsigned eventCode, const std::string &interfacePath);

// The interface path of a USB terminal as Windows forms it:
// \\?\USB#VID_0D7B&PID_<pid>#<serial>#{A5DCBF10-6530-11D2-901F-00C04FB951ED}
std::string UsbInterfacePath(uint16_t productId, const std::string &serial);

} // namespace tvx
