#include "platform/qt/UdevMonitor.h"

#include <QSocketNotifier>

#include <cstdio>
#include <cstring>
#include <libudev.h>

#include "platform/DeviceNotifications.h"

namespace tvx {

namespace {

constexpr unsigned kVendorId = 0x0D7B;

} // namespace

std::optional<UsbDeviceEvent> UsbDeviceEventFrom(const char *action, const char *product, const char *serial,
                                                 const char *sysName)
{
    if (!action || !product)
        return std::nullopt;
    unsigned eventCode;
    if (std::strcmp(action, "add") == 0)
        eventCode = DBT_DEVICEARRIVAL;
    else if (std::strcmp(action, "remove") == 0)
        eventCode = DBT_DEVICEREMOVECOMPLETE;
    else
        return std::nullopt;

    unsigned vendor = 0, productId = 0;
    if (std::sscanf(product, "%x/%x/", &vendor, &productId) != 2 || vendor != kVendorId || productId > 0xFFFF)
        return std::nullopt;
    std::string instance;
    if (serial && *serial)
        instance = serial;
    else
        instance = std::string("5&") + (sysName ? sysName : "") + "&0&0";
    return UsbDeviceEvent{eventCode, UsbInterfacePath(static_cast<uint16_t>(productId), instance)};
}

UdevMonitor::UdevMonitor()
{
    udev_ = udev_new();
    if (!udev_)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { Receive(); });
}

UdevMonitor::~UdevMonitor()
{
    notifier_.reset();
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

void UdevMonitor::Receive()
{
    udev_device *device = udev_monitor_receive_device(monitor_);
    if (!device)
        return;
    // A removed device's attributes are gone; its properties travel with the
    // event (the serial as udev recorded it on arrival).
    const char *serial = udev_device_get_property_value(device, "ID_SERIAL_SHORT");
    if (!serial)
        serial = udev_device_get_sysattr_value(device, "serial");
    const auto event =
        UsbDeviceEventFrom(udev_device_get_action(device), udev_device_get_property_value(device, "PRODUCT"),
                           serial, udev_device_get_sysname(device));
    udev_device_unref(device);
    if (event)
        PostDeviceInterfaceEvent(event->eventCode, event->interfacePath);
}

} // namespace tvx
