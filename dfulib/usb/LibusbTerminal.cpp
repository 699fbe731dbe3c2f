#include "dfulib/usb/LibusbTerminal.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/text/PrintableText.h"
#include "dfulib/usb/ProductText.h"
#include "dfulib/usb/StoppableControl.h"
#include "dfulib/usb/StringDescriptor.h"
#include "dfulib/usb/SysfsIdentity.h"
#include "dfulib/usb/SystemDevice.h"

namespace tvxdfu::usb {
namespace {

// Takes a string from the system's folder, or notes it as missing when the device has it.
void TakeString(const std::string &folder, const char *attribute, uint8_t index,
                std::string UsbDeviceRecord::*field, TerminalRead *read)
{
    if (index == 0)
        return;
    std::string text;
    if (!folder.empty() && ReadSysfsAttribute(folder, attribute, &text))
        read->record.*field = AsciiFromUtf8(text);
    else
        read->missing.push_back({index, field});
}

} // namespace

DeviceKey KeyOf(libusb_device *device)
{
    DeviceKey key;
    key.bus = libusb_get_bus_number(device);
    key.address = libusb_get_device_address(device);
    uint8_t ports[8];
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    key.ports.assign(ports, ports + std::max(count, 0));
    return key;
}

UsbPortPath PortPathOf(libusb_device *device)
{
    UsbPortPath path;
    path.bus = libusb_get_bus_number(device);
    uint8_t ports[8];
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    if (count > 0)
        path.ports.assign(ports, ports + count);
    return path;
}

bool ReportsDfuState(libusb_context *context, libusb_device_handle *handle, uint8_t interfaceNumber,
                     unsigned timeoutMs)
{
    uint8_t answer[kStatusLength] = {};
    // Through the transfer that cuts an answer longer than asked.
    const ControlSetup request{kRequestTypeIn, static_cast<uint8_t>(DfuRequest::GetStatus), 0,
                               interfaceNumber};
    const int got = StoppableControlTransfer(context, handle, request, answer, nullptr, sizeof answer,
                                             timeoutMs, nullptr);
    const DfuState state = DecodeStatus(answer).state;
    return got == static_cast<int>(kStatusLength) && state >= DfuState::DfuIdle &&
           state <= DfuState::DfuError;
}

bool AskDfuMode(libusb_context *context, libusb_device_handle *handle, const DfuInterfaceLocation &location,
                unsigned timeoutMs)
{
    if (location.interfaceNumber < 0 || libusb_claim_interface(handle, location.interfaceNumber) != 0)
        return false;
    const ClaimedInterface claim(handle, location.interfaceNumber);
    return ReportsDfuState(context, handle, static_cast<uint8_t>(location.interfaceNumber), timeoutMs);
}

bool ReadTerminal(libusb_device *device, TerminalRead *read)
{
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(device, &descriptor) != 0 || descriptor.idVendor != kTerminalVendorId)
        return false;
    UsbDeviceRecord &record = read->record;
    record.idProduct = descriptor.idProduct;
    record.bcdDevice = descriptor.bcdDevice;
    record.port = PortPathOf(device);
    const std::string folder = DeviceStringsFolder(device);
    TakeString(folder, "product", descriptor.iProduct, &UsbDeviceRecord::product, read);
    TakeString(folder, "serial", descriptor.iSerialNumber, &UsbDeviceRecord::serial, read);
    libusb_config_descriptor *descriptorRead = nullptr;
    if (libusb_get_active_config_descriptor(device, &descriptorRead) != 0 &&
        libusb_get_config_descriptor(device, 0, &descriptorRead) != 0)
        return true;
    const ConfigDescriptor config(descriptorRead);
    read->location = LocateDfuInterface(*config);
    const DfuInterfaceLocation &location = read->location;
    TakeString(folder, "configuration", config->iConfiguration, &UsbDeviceRecord::configurationText, read);
    if (location.interfaceNumber >= 0)
        TakeString(folder.empty() || location.alternate != 0
                       ? std::string() // sysfs shows the string of the alternate setting in use
                       : SysfsInterfaceFolder(folder, config->bConfigurationValue,
                                              static_cast<uint8_t>(location.interfaceNumber)),
                   "interface", location.stringIndex, &UsbDeviceRecord::interfaceText, read);
    record.dfuMode = location.protocol == kDfuProtocolDfuMode;
    record.hasFunctional = location.hasFunctional;
    record.functional = location.functional;
    return true;
}

bool ReadMissingStrings(libusb_device_handle *handle, TerminalRead *read)
{
    if (read->missing.empty())
        return true;
    uint16_t language = 0;
    if (ReadLanguage(handle, &language, kStringTimeoutMs) != StringRead::Read)
        return false;
    while (!read->missing.empty()) {
        const MissingString string = read->missing.front();
        std::string text;
        const StringRead result =
            ReadStringDescriptor(handle, string.index, language, &text, kStringTimeoutMs);
        // One that does not answer is not asked again in this pass: its
        // next string would cost another time-out.
        if (result == StringRead::NoAnswer)
            return false;
        read->record.*string.field = text;
        read->missing.erase(read->missing.begin());
    }
    return true;
}

void DenyAccess(libusb_device *device, int openError, UsbDeviceRecord *record)
{
    static std::mutex mutex;
    static std::set<std::tuple<int, int, int>> reported;
    const std::string node = DeviceNode(device);
    const OpenRefusal refusal = ExplainOpenRefusal(device, openError);
    const std::string &cause = refusal.text;
    record->accessDenied = true;
    record->product = NoAccessProductText(ListedProductText(record->product, record->idProduct), cause);
    // The hint goes out once per device and cause, so that the cause is not
    // lost behind UPG_CONNECT_FAILED nor repeated at every listing.
    std::lock_guard lock(mutex);
    if (!reported.emplace(libusb_get_bus_number(device), libusb_get_device_address(device), refusal.kind)
             .second)
        return;
    std::fprintf(stderr, "TVXDFUUpgrade: permission denied opening USB terminal 0d7b:%04x (%s): %s\n",
                 record->idProduct, tvx::PrintableText(node).c_str(), tvx::PrintableText(cause).c_str());
}

uint32_t OpenTerminal(libusb_device *device, DeviceHandle *handle, UsbDeviceRecord *record,
                      DfuInterfaceLocation *location, bool *accessDenied)
{
    TerminalRead read;
    *accessDenied = false;
    if (!ReadTerminal(device, &read))
        return UPG_NO_DEVICE;
    libusb_device_handle *openedHandle = nullptr;
    const int opened = libusb_open(device, &openedHandle);
    handle->reset(openedHandle);
    *accessDenied = IsOpenRefused(opened);
    if (*accessDenied)
        DenyAccess(device, opened, &read.record);
    else if (opened == 0)
        ReadMissingStrings(handle->get(), &read);
    *record = std::move(read.record);
    *location = read.location;
    return opened == 0 ? 0 : UPG_CONNECT_FAILED;
}

} // namespace tvxdfu::usb
