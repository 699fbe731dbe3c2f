#include "dfulib/usb/emulated/EmulatedBus.h"

#include "dfulib/include/TVXDFUUpgrade.h"

namespace tvxdfu::usb {
namespace {

// The backend owns its transport; the bus keeps the device.
class DeviceHandle final : public ControlTransport {
public:
    explicit DeviceHandle(std::shared_ptr<EmulatedDfuDevice> device) : device_(std::move(device)) {}
    int ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length, unsigned timeoutMs) override
    {
        return device_->ControlIn(setup, data, length, timeoutMs);
    }
    int ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length,
                   unsigned timeoutMs) override
    {
        return device_->ControlOut(setup, data, length, timeoutMs);
    }
    void ResetDevice() override { device_->ResetDevice(); }
    bool Reopen() override { return device_->Reopen(); }
    DfuInterfaceInfo Interface() const override { return device_->Interface(); }
    void WatchStop(const std::atomic<bool> *stop) override { device_->WatchStop(stop); }

private:
    std::shared_ptr<EmulatedDfuDevice> device_;
};

} // namespace

EmulatedBus::EmulatedBus(std::vector<EmulatedTerminal> terminals) : terminals_(std::move(terminals)) {}

std::vector<UsbDeviceRecord> EmulatedBus::Enumerate()
{
    std::vector<UsbDeviceRecord> records;
    for (const EmulatedTerminal &terminal : terminals_) {
        if (!terminal.device->Present())
            continue;
        UsbDeviceRecord record = terminal.record;
        record.dfuMode = terminal.device->InDfuMode();
        if (record.hasFunctional)
            record.functional = terminal.device->Interface().functional;
        records.push_back(std::move(record));
    }
    return records;
}

uint32_t EmulatedBus::Open(const UsbDeviceRecord &wanted, std::unique_ptr<ControlTransport> *out)
{
    for (const EmulatedTerminal &terminal : terminals_) {
        if (terminal.record.serial != wanted.serial)
            continue;
        if (terminal.openResult != 0)
            return terminal.openResult;
        if (!terminal.device->Reopen())
            return UPG_NO_DEVICE;
        *out = std::make_unique<DeviceHandle>(terminal.device);
        return 0;
    }
    return UPG_NO_DEVICE;
}

} // namespace tvxdfu::usb
