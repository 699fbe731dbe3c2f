// USB device arrival and removal as Windows announces them to a window
// (WM_DEVICECHANGE), for the dialog and for the headless driver alike.
#pragma once

namespace tvx {

// Registers `window` (an HWND) for the arrival and removal of USB devices;
// the handle to pass to UnregisterUsbDeviceChanges, null when refused.
void *RegisterUsbDeviceChanges(void *window);
void UnregisterUsbDeviceChanges(void *registration);

// The WM_DEVICECHANGE of an interface arrival or removal, its UTF-16 record
// checked, becomes the platform's event (PostDeviceInterfaceEvent); any
// other event or a record that does not hold together is passed over.
void PostUsbDeviceChange(unsigned eventCode, const void *broadcast);

} // namespace tvx
