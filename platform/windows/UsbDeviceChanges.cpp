#include "platform/windows/UsbDeviceChanges.h"

// The project's headers before windows.h, whose macros would rename their
// constants (DBT_DEVTYP_DEVICEINTERFACE).
#include "platform/DeviceNotifications.h"
#include "platform/windows/WideText.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <initguid.h>
#include <usbiodef.h>
// clang-format on

#include <cstddef>
#include <cwchar>
#include <string_view>

namespace tvx {

void *RegisterUsbDeviceChanges(void *window)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    return RegisterDeviceNotificationW(static_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void UnregisterUsbDeviceChanges(void *registration)
{
    if (registration)
        UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(registration));
}

void PostUsbDeviceChange(unsigned eventCode, const void *broadcast)
{
    if ((eventCode != DBT_DEVICEARRIVAL && eventCode != DBT_DEVICEREMOVECOMPLETE) || !broadcast)
        return;
    const auto *record = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_W *>(broadcast);
    if (record->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return;
    const std::size_t offset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (record->dbcc_size <= offset)
        return;
    const std::size_t room = (record->dbcc_size - offset) / sizeof(wchar_t);
    const std::wstring_view name(record->dbcc_name, wcsnlen(record->dbcc_name, room));
    if (name.size() == room)
        return; // not terminated inside the record
    PostDeviceInterfaceEvent(eventCode, Utf8Text(name));
}

} // namespace tvx
