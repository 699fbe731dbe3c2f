#include "platform/DeviceNotifications.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace tvx {

namespace {

struct Registration {
    DialogHandler *recipient;
    Guid interfaceClass;
    unsigned long long serial; // tells a registration from a later one at the same address
};

unsigned long long nextSerial = 1;

// Registrations in the order they were made; the UI thread is the only user.
std::vector<std::unique_ptr<Registration>> &Registrations()
{
    static std::vector<std::unique_ptr<Registration>> registrations;
    return registrations;
}

bool IsRegistered(unsigned long long serial)
{
    const auto &all = Registrations();
    return std::any_of(all.begin(), all.end(), [&](const auto &r) { return r->serial == serial; });
}

// The record with its path, in storage aligned for the record's fields.
std::vector<uint32_t> BuildRecord(const Guid &interfaceClass, const std::string &path)
{
    const std::size_t size = offsetof(DeviceInterfaceRecord, dbcc_name) + path.size() + 1;
    std::vector<uint32_t> storage((size + sizeof(uint32_t) - 1) / sizeof(uint32_t), 0);
    auto *record = reinterpret_cast<DeviceInterfaceRecord *>(storage.data());
    record->dbcc_size = static_cast<uint32_t>(size);
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_reserved = 0;
    record->dbcc_classguid = interfaceClass;
    std::memcpy(reinterpret_cast<char *>(storage.data()) + offsetof(DeviceInterfaceRecord, dbcc_name),
                path.c_str(), path.size() + 1);
    return storage;
}

} // namespace

NotificationHandle RegisterDeviceNotification(DialogHandler &recipient, const Guid &interfaceClass)
{
    auto registration = std::unique_ptr<Registration>(
        new (std::nothrow) Registration{&recipient, interfaceClass, nextSerial++});
    if (!registration)
        return nullptr;
    Registration *handle = registration.get();
    Registrations().push_back(std::move(registration));
    return handle;
}

void UnregisterDeviceNotification(NotificationHandle handle)
{
    auto &all = Registrations();
    std::erase_if(all, [&](const auto &r) { return r.get() == handle; });
}

void PostDeviceInterfaceEvent(unsigned eventCode, const std::string &interfacePath)
{
    // A recipient may unregister (and so end other deliveries) while it
    // handles the event: deliver to a snapshot, skipping what has gone.
    std::vector<Registration> snapshot;
    for (const auto &r : Registrations())
        snapshot.push_back(*r);
    for (const Registration &registration : snapshot) {
        if (!IsRegistered(registration.serial))
            continue;
        const std::vector<uint32_t> record = BuildRecord(registration.interfaceClass, interfacePath);
        registration.recipient->OnDeviceChange(eventCode, record.data());
    }
}

std::string UsbInterfacePath(uint16_t productId, const std::string &serial)
{
    char ids[32];
    std::snprintf(ids, sizeof ids, "VID_0D7B&PID_%04X", productId);
    return std::string(R"(\\?\USB#)") + ids + "#" + serial + "#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";
}

} // namespace tvx
