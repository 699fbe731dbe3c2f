#include "LibusbBus.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

#include "ProductText.h"
#include "SteadyPacer.h"
#include "SysfsIdentity.h"
#include "TVXDFUUpgrade.h"
#include "UsbBackend.h"

namespace tvxdfu::usb {
namespace {

// Where a terminal's DFU interface sits in its active configuration.
struct DfuInterfaceLocation {
    int interfaceNumber = -1;
    int alternateSetting = 0;
    uint8_t protocol = 0;
    uint8_t stringIndex = 0;
    bool hasFunctional = false;
    DfuFunctional functional;
};

DfuInterfaceLocation LocateDfuInterface(libusb_device *device)
{
    DfuInterfaceLocation location;
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return location;
    for (int i = 0; i < config->bNumInterfaces && location.interfaceNumber < 0; ++i) {
        const libusb_interface &interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor &alt = interface.altsetting[a];
            if (alt.bInterfaceClass != kDfuInterfaceClass ||
                alt.bInterfaceSubClass != kDfuInterfaceSubclass)
                continue;
            location.interfaceNumber = alt.bInterfaceNumber;
            location.alternateSetting = alt.bAlternateSetting;
            location.protocol = alt.bInterfaceProtocol;
            location.stringIndex = alt.iInterface;
            // Some devices hang the functional descriptor on the
            // configuration instead of the interface.
            location.hasFunctional =
                FindFunctionalDescriptor(alt.extra, static_cast<std::size_t>(alt.extra_length),
                                         &location.functional) ||
                FindFunctionalDescriptor(config->extra,
                                         static_cast<std::size_t>(config->extra_length),
                                         &location.functional);
            break;
        }
    }
    libusb_free_config_descriptor(config);
    return location;
}

std::string ReadString(libusb_device_handle *handle, uint8_t index)
{
    if (index == 0)
        return {};
    unsigned char text[256];
    const int length = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
    return length > 0 ? std::string(reinterpret_cast<char *>(text), static_cast<std::size_t>(length))
                      : std::string();
}

// Without a udev rule a terminal cannot be opened by an ordinary user; the
// hint is printed once per device so that the cause is not lost behind
// UPG_CONNECT_FAILED.
void ReportAccessDenied(libusb_device *device, uint16_t idProduct)
{
    static std::mutex mutex;
    static std::set<std::pair<int, int>> reported;
    std::lock_guard lock(mutex);
    if (!reported.emplace(libusb_get_bus_number(device), libusb_get_device_address(device)).second)
        return;
    std::fprintf(stderr,
                 "TVXDFUUpgrade: permission denied opening USB terminal 0d7b:%04x "
                 "(bus %03u device %03u); the udev rule %s granting access to vendor 0d7b "
                 "is not installed\n",
                 idProduct, libusb_get_bus_number(device), libusb_get_device_address(device),
                 kUdevRuleName);
}

// The record of a terminal this user may not open, from sysfs; false when
// even that cannot be read.
bool ReadInaccessibleTerminal(libusb_device *device, const libusb_device_descriptor &descriptor,
                              UsbDeviceRecord *record)
{
    uint8_t ports[8];
    const int portCount = libusb_get_port_numbers(device, ports, sizeof ports);
    if (portCount <= 0)
        return false;
    const std::string folder = SysfsDeviceFolder(libusb_get_bus_number(device), ports, portCount);
    std::string product;
    ReadSysfsAttribute(folder, "product", &product);
    if (!ReadSysfsAttribute(folder, "serial", &record->serial))
        return false;
    record->product = NoAccessProductText(ListedProductText(product, descriptor.idProduct));
    record->idProduct = descriptor.idProduct;
    record->bcdDevice = descriptor.bcdDevice;
    return true;
}

// Opens a terminal and reads its record; 0, UPG_CONNECT_FAILED, or
// UPG_NO_DEVICE when it is not a terminal. *accessDenied tells a missing
// permission apart from other connection failures.
uint32_t OpenTerminal(libusb_device *device, libusb_device_handle **handle,
                      UsbDeviceRecord *record, DfuInterfaceLocation *location, bool *accessDenied)
{
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(device, &descriptor) != 0 ||
        descriptor.idVendor != kTerminalVendorId)
        return UPG_NO_DEVICE;
    const int opened = libusb_open(device, handle);
    *accessDenied = opened == LIBUSB_ERROR_ACCESS;
    if (*accessDenied) {
        ReportAccessDenied(device, descriptor.idProduct);
        ReadInaccessibleTerminal(device, descriptor, record);
    }
    if (opened != 0)
        return UPG_CONNECT_FAILED;
    *location = LocateDfuInterface(device);
    record->product = ReadString(*handle, descriptor.iProduct);
    record->serial = ReadString(*handle, descriptor.iSerialNumber);
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) == 0) {
        record->configurationText = ReadString(*handle, config->iConfiguration);
        libusb_free_config_descriptor(config);
    }
    record->interfaceText = ReadString(*handle, location->stringIndex);
    record->idProduct = descriptor.idProduct;
    record->bcdDevice = descriptor.bcdDevice;
    record->dfuMode = location->protocol == kDfuProtocolDfuMode;
    record->hasFunctional = location->hasFunctional;
    record->functional = location->functional;
    return 0;
}

bool SameSerial(const std::string &a, const std::string &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Calls `visit(device)` for each device on the bus until it returns true.
template <typename Visit>
void ForEachDevice(libusb_context *context, Visit visit)
{
    libusb_device **list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < count; ++i) {
        if (visit(list[i]))
            break;
    }
    if (count >= 0)
        libusb_free_device_list(list, 1);
}

int TransferResult(int result)
{
    if (result >= 0)
        return result;
    switch (result) {
    case LIBUSB_ERROR_PIPE: return kTransferStall;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND: return kTransferNoDevice;
    case LIBUSB_ERROR_TIMEOUT: return kTransferTimeout;
    default: return kTransferIoError;
    }
}

class LibusbTransport final : public ControlTransport {
public:
    LibusbTransport(libusb_context *context, std::string serial)
        : context_(context), serial_(std::move(serial))
    {
    }
    ~LibusbTransport() override { Close(); }

    // 0, UPG_NO_DEVICE or UPG_CONNECT_FAILED.
    uint32_t Open()
    {
        uint32_t result = UPG_NO_DEVICE;
        ForEachDevice(context_, [&](libusb_device *device) {
            libusb_device_handle *handle = nullptr;
            UsbDeviceRecord record;
            DfuInterfaceLocation location;
            bool accessDenied = false;
            const uint32_t opened = OpenTerminal(device, &handle, &record, &location, &accessDenied);
            if (opened == UPG_CONNECT_FAILED)
                result = UPG_CONNECT_FAILED;
            if (opened != 0)
                return false;
            if (!SameSerial(record.serial, serial_)) {
                libusb_close(handle);
                return false;
            }
            result = Claim(handle, location);
            return true;
        });
        return result;
    }

    int ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length,
                  unsigned timeoutMs) override
    {
        if (!handle_)
            return kTransferNoDevice;
        return TransferResult(libusb_control_transfer(handle_, setup.requestType, setup.request,
                                                      setup.value, setup.index, data,
                                                      static_cast<uint16_t>(length), timeoutMs));
    }

    int ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length,
                   unsigned timeoutMs) override
    {
        if (!handle_)
            return kTransferNoDevice;
        return TransferResult(libusb_control_transfer(
            handle_, setup.requestType, setup.request, setup.value, setup.index,
            const_cast<uint8_t *>(data), static_cast<uint16_t>(length), timeoutMs));
    }

    void ResetDevice() override
    {
        if (handle_)
            libusb_reset_device(handle_);
        // After a reset the device usually comes back as another device.
        Close();
    }

    bool Reopen() override
    {
        Close();
        return Open() == 0;
    }

    DfuInterfaceInfo Interface() const override { return info_; }

private:
    uint32_t Claim(libusb_device_handle *handle, const DfuInterfaceLocation &location)
    {
        if (location.interfaceNumber < 0 || !location.hasFunctional) {
            libusb_close(handle);
            return UPG_NO_DESCRIPTOR;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);
        if (libusb_claim_interface(handle, location.interfaceNumber) != 0) {
            libusb_close(handle);
            return UPG_CONNECT_FAILED;
        }
        if (location.alternateSetting != 0)
            libusb_set_interface_alt_setting(handle, location.interfaceNumber,
                                             location.alternateSetting);
        handle_ = handle;
        claimed_ = location.interfaceNumber;
        info_.interfaceNumber = static_cast<uint8_t>(location.interfaceNumber);
        info_.dfuMode = location.protocol == kDfuProtocolDfuMode;
        info_.functional = location.functional;
        return 0;
    }

    void Close()
    {
        if (!handle_)
            return;
        libusb_release_interface(handle_, claimed_);
        libusb_close(handle_);
        handle_ = nullptr;
    }

    libusb_context *context_;
    std::string serial_;
    libusb_device_handle *handle_ = nullptr;
    int claimed_ = 0;
    DfuInterfaceInfo info_;
};

} // namespace

LibusbBus::LibusbBus()
{
    if (libusb_init(&context_) != 0)
        context_ = nullptr;
}

LibusbBus::~LibusbBus()
{
    if (context_)
        libusb_exit(context_);
}

std::vector<UsbDeviceRecord> LibusbBus::Enumerate()
{
    std::vector<UsbDeviceRecord> records;
    if (!context_)
        return records;
    ForEachDevice(context_, [&](libusb_device *device) {
        libusb_device_handle *handle = nullptr;
        UsbDeviceRecord record;
        DfuInterfaceLocation location;
        bool accessDenied = false;
        const uint32_t opened = OpenTerminal(device, &handle, &record, &location, &accessDenied);
        // A terminal the user may not open is listed all the same, its
        // product text naming the missing udev rule.
        if (opened != 0 && !(accessDenied && !record.serial.empty()))
            return false;
        if (opened == 0)
            libusb_close(handle);
        // A terminal is addressed by its serial number; without one it
        // cannot be chosen.
        if (!record.serial.empty())
            records.push_back(std::move(record));
        return false;
    });
    return records;
}

uint32_t LibusbBus::Open(const std::string &serial, std::unique_ptr<ControlTransport> *out)
{
    if (!context_)
        return UPG_HOST_ERROR;
    auto transport = std::make_unique<LibusbTransport>(context_, serial);
    if (const uint32_t result = transport->Open())
        return result;
    *out = std::move(transport);
    return 0;
}

} // namespace tvxdfu::usb

namespace tvxdfu {

std::unique_ptr<Backend> MakeUsbBackend()
{
    return std::make_unique<usb::UsbBackend>(std::make_unique<usb::LibusbBus>(),
                                             std::make_unique<usb::SteadyPacer>());
}

} // namespace tvxdfu
