#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/DeviceNotifications.h"

namespace {

using tvx::DeviceInterfaceRecord;

struct Delivery {
    unsigned eventCode;
    uint32_t size, deviceType, reserved;
    tvx::Guid interfaceClass;
    std::string path;
};

// Records the deliveries; optionally unregisters handles while handling.
class Recipient : public tvx::DialogHandler {
public:
    bool OnInitDialog() override { return true; }
    void OnButtonClicked(int) override {}
    void OnComboSelChange(int) override {}
    void OnListItemChanged(int, int, unsigned, unsigned) override {}
    void OnTimer(unsigned) override {}
    void OnSysCommand(unsigned) override {}
    void OnDeviceChange(unsigned eventCode, const void *data) override
    {
        const auto *record = static_cast<const DeviceInterfaceRecord *>(data);
        deliveries.push_back({eventCode, record->dbcc_size, record->dbcc_devicetype, record->dbcc_reserved,
                              record->dbcc_classguid, record->dbcc_name});
        for (auto handle : unregisterOnEvent)
            tvx::UnregisterDeviceNotification(handle);
        unregisterOnEvent.clear();
    }

    std::vector<Delivery> deliveries;
    std::vector<tvx::NotificationHandle> unregisterOnEvent;
};

bool SameGuid(const tvx::Guid &a, const tvx::Guid &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(DeviceNotifications, InterfacePathHasTheUsbForm)
{
    EXPECT_EQ(tvx::UsbInterfacePath(0x0470, "12345678"),
              "\\\\?\\USB#VID_0D7B&PID_0470#12345678#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
    EXPECT_EQ(tvx::UsbInterfacePath(0xAB1, "5&1a2b&0&3"),
              "\\\\?\\USB#VID_0D7B&PID_0AB1#5&1a2b&0&3#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
}

TEST(DeviceNotifications, OneEventIsDeliveredOncePerRegisteredClassWithItsRecord)
{
    Recipient recipient;
    auto reader = tvx::RegisterDeviceNotification(recipient, tvx::kSmartCardReaderInterface);
    auto usb = tvx::RegisterDeviceNotification(recipient, tvx::kUsbDeviceInterface);
    ASSERT_NE(reader, nullptr);
    ASSERT_NE(usb, nullptr);

    const std::string path = tvx::UsbInterfacePath(0x0470, "ABC123");
    tvx::PostDeviceInterfaceEvent(tvx::DBT_DEVICEARRIVAL, path);

    ASSERT_EQ(recipient.deliveries.size(), 2u);
    const tvx::Guid classes[] = {tvx::kSmartCardReaderInterface, tvx::kUsbDeviceInterface};
    for (std::size_t i = 0; i < 2; ++i) {
        const Delivery &d = recipient.deliveries[i];
        EXPECT_EQ(d.eventCode, tvx::DBT_DEVICEARRIVAL);
        EXPECT_EQ(d.size, offsetof(DeviceInterfaceRecord, dbcc_name) + path.size() + 1);
        EXPECT_EQ(d.deviceType, 5u);
        EXPECT_EQ(d.reserved, 0u);
        EXPECT_TRUE(SameGuid(d.interfaceClass, classes[i]));
        EXPECT_EQ(d.path, path);
    }

    tvx::UnregisterDeviceNotification(reader);
    tvx::PostDeviceInterfaceEvent(tvx::DBT_DEVICEREMOVECOMPLETE, path);
    ASSERT_EQ(recipient.deliveries.size(), 3u);
    EXPECT_EQ(recipient.deliveries[2].eventCode, tvx::DBT_DEVICEREMOVECOMPLETE);
    EXPECT_TRUE(SameGuid(recipient.deliveries[2].interfaceClass, tvx::kUsbDeviceInterface));

    tvx::UnregisterDeviceNotification(usb);
    tvx::UnregisterDeviceNotification(nullptr); // harmless
    tvx::PostDeviceInterfaceEvent(tvx::DBT_DEVICEARRIVAL, path);
    EXPECT_EQ(recipient.deliveries.size(), 3u);
}

TEST(DeviceNotifications, UnregisteringWhileHandlingStopsTheRemainingDelivery)
{
    // The wizard unregisters both classes when an event ends the run.
    Recipient recipient;
    auto reader = tvx::RegisterDeviceNotification(recipient, tvx::kSmartCardReaderInterface);
    auto usb = tvx::RegisterDeviceNotification(recipient, tvx::kUsbDeviceInterface);
    recipient.unregisterOnEvent = {reader, usb};

    tvx::PostDeviceInterfaceEvent(tvx::DBT_DEVICEARRIVAL, tvx::UsbInterfacePath(1, "X"));
    EXPECT_EQ(recipient.deliveries.size(), 1u);
    tvx::PostDeviceInterfaceEvent(tvx::DBT_DEVICEARRIVAL, tvx::UsbInterfacePath(1, "X"));
    EXPECT_EQ(recipient.deliveries.size(), 1u);
}

} // namespace
