#include "dfulib/usb/testbed/TestbedTerminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dfulib/sim/IdentText.h"
#include "dfulib/sim/ImageHeader.h"
#include "dfulib/usb/UsbBus.h"

namespace tvxdfu::usb::testbed {
namespace {

constexpr uint8_t kStandardIn = 0x80;
constexpr uint8_t kGetDescriptor = 0x06;
constexpr uint8_t kDeviceDescriptor = 0x01;
constexpr uint8_t kConfigurationDescriptor = 0x02;
constexpr uint8_t kStringDescriptor = 0x03;
constexpr uint8_t kClassRequest = 0x20;
constexpr uint8_t kTypeMask = 0x60;

uint16_t Word(const uint8_t *bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

ControlAnswer Copy(const std::vector<uint8_t> &bytes, uint8_t *data, std::size_t length)
{
    const std::size_t count = std::min(bytes.size(), length);
    std::memcpy(data, bytes.data(), count);
    return {Outcome::Done, static_cast<int>(count)};
}

ControlAnswer FromTransfer(int result)
{
    if (result >= 0)
        return {Outcome::Done, result};
    switch (result) {
    case kTransferStall:
        return {Outcome::Stall, 0};
    case kTransferNoDevice:
        return {Outcome::Gone, 0};
    case kTransferTimeout:
        return {Outcome::Silent, 0};
    default:
        return {Outcome::Failed, 0};
    }
}

// A version as the interface string states it: "M.m.p" for a three-part
// value, "0xMMmm" for BCD.
std::string VersionToken(uint32_t version)
{
    char text[16];
    if (version & 0x01000000u)
        std::snprintf(text, sizeof text, "%u.%u.%u", (version >> 16) & 0xFFu, (version >> 8) & 0xFFu,
                      version & 0xFFu);
    else
        std::snprintf(text, sizeof text, "0x%04X", version & 0xFFFFu);
    return text;
}

EmulatedDeviceConfig WithFirmware(EmulatedDeviceConfig config, const std::vector<uint8_t> &image)
{
    if (config.firmware.empty())
        config.firmware = image;
    return config;
}

} // namespace

TestbedTerminal::TestbedTerminal(Pacer &pacer, TerminalSetup setup)
    : setup_(std::move(setup)), personality_(setup_.spec), answersStrings_(setup_.answersStrings)
{
    setup_.dfu.startInDfuMode = setup_.spec.mode == sim::TerminalMode::Loader;
    setup_.dfu = WithFirmware(std::move(setup_.dfu), personality_.Image());
    installed_ = setup_.dfu.firmware;
    device_ = std::make_unique<EmulatedDfuDevice>(pacer, setup_.dfu);
}

std::string TestbedTerminal::Serial() const
{
    return setup_.spec.id;
}

std::string TestbedTerminal::ReportedSerial()
{
    std::lock_guard lock(mutex_);
    return setup_.loaderSerial && device_->InDfuMode() ? *setup_.loaderSerial : setup_.spec.id;
}

bool TestbedTerminal::OnBus()
{
    std::lock_guard lock(mutex_);
    return pluggedIn_ && device_->Present();
}

void TestbedTerminal::Arrive()
{
    std::vector<uint8_t> image = device_->Firmware();
    std::lock_guard lock(mutex_);
    if (image != installed_) {
        // A terminal on USB is not told the part's type: it takes every
        // version the image's header states.
        personality_.ApplyPart("Bootloader", image);
        personality_.ApplyPart("Firmware", image);
        installed_ = std::move(image);
    }
    personality_.Restart(0, device_->InDfuMode() ? sim::TerminalMode::Loader : sim::TerminalMode::Runtime);
    device_->Reopen();
    selectedAlternate_ = 0;
}

void TestbedTerminal::SetPluggedIn(bool pluggedIn)
{
    std::lock_guard lock(mutex_);
    if (pluggedIn_ && !pluggedIn)
        device_->ResetDevice(); // without power it forgets the transfer it was in
    pluggedIn_ = pluggedIn;
}

uint32_t TestbedTerminal::Firmware()
{
    std::lock_guard lock(mutex_);
    return personality_.Firmware();
}

uint32_t TestbedTerminal::Loader()
{
    std::lock_guard lock(mutex_);
    return personality_.Loader();
}

std::string TestbedTerminal::ProductText()
{
    std::lock_guard lock(mutex_);
    return personality_.ProductText();
}

DeviceLayout TestbedTerminal::Layout()
{
    const DfuInterfaceInfo dfu = device_->Interface();
    const bool hasSerial = !ReportedSerial().empty();
    std::lock_guard lock(mutex_);
    const std::optional<DeviceLayout> &stated = dfu.dfuMode ? setup_.loaderLayout : setup_.runtimeLayout;
    DeviceLayout layout =
        stated ? *stated : GeneratedLayout(dfu.dfuMode, dfu.interfaceNumber, dfu.functional);
    layout.idVendor = kTerminalVendorId;
    if (layout.idProduct == 0)
        layout.idProduct = setup_.spec.productId;
    layout.bcdDevice = personality_.BcdDevice();
    layout.hasSerial = hasSerial;
    return layout;
}

int TestbedTerminal::SetInterface(uint8_t interfaceNumber, uint8_t alternate)
{
    if (!HasAlternate(Layout(), interfaceNumber, alternate))
        return EINVAL;
    if (setup_.refusesSetInterface)
        return EPIPE;
    selectedAlternate_ = alternate;
    return 0;
}

// FW=, LD= and TYPE= tokens: how this library's USB backend learns the
// versions and the model of a terminal.
std::string TestbedTerminal::InterfaceText() const
{
    return "FW=" + VersionToken(personality_.Firmware()) + " LD=" + VersionToken(personality_.Loader()) +
           " TYPE=" + std::to_string(personality_.ReportedDeviceType()) +
           (setup_.firmwareAlternate && device_->InDfuMode()
                ? " ALT=" + std::to_string(*setup_.firmwareAlternate)
                : "");
}

std::string TestbedTerminal::StringText(uint8_t index)
{
    if (index == kStringSerial)
        return ReportedSerial();
    std::lock_guard lock(mutex_);
    switch (index) {
    case kStringManufacturer:
        return setup_.spec.vendorCode;
    case kStringProduct:
        return personality_.ProductText();
    case kStringConfiguration: {
        char ident[sim::kIdentTextSize] = {};
        personality_.WriteIdentText(ident);
        return {ident, strnlen(ident, sizeof ident)};
    }
    case kStringDfuInterface:
        return InterfaceText();
    default:
        return {};
    }
}

ControlAnswer TestbedTerminal::Control(const uint8_t setup[8], uint8_t *data, std::size_t length)
{
    if (!OnBus())
        return {Outcome::Gone, 0};
    if ((setup[0] & kTypeMask) == kClassRequest)
        return Class(setup, data, length);
    return Standard(setup, data, length);
}

ControlAnswer TestbedTerminal::Standard(const uint8_t setup[8], uint8_t *data, std::size_t length)
{
    if (setup[0] != kStandardIn || setup[1] != kGetDescriptor)
        return {Outcome::Stall, 0};
    const uint8_t type = setup[3];
    const uint8_t index = setup[2];
    switch (type) {
    case kDeviceDescriptor:
        return Copy(DeviceDescriptor(Layout()), data, length);
    case kConfigurationDescriptor: {
        const std::vector<uint8_t> bytes = ConfigurationDescriptor(Layout(), index);
        if (bytes.empty())
            return {Outcome::Stall, 0};
        return Copy(bytes, data, length);
    }
    case kStringDescriptor:
        ++stringRequests_;
        if (!answersStrings_)
            return {Outcome::Silent, 0};
        if (index > kStringDfuInterface)
            return {Outcome::Stall, 0};
        return Copy(StringDescriptor(index, StringText(index)), data, length);
    default:
        return {Outcome::Stall, 0};
    }
}

ControlAnswer TestbedTerminal::Class(const uint8_t setup[8], uint8_t *data, std::size_t length)
{
    ControlSetup request{setup[0], setup[1], Word(setup + 2), Word(setup + 4)};
    const bool download = request.request == static_cast<uint8_t>(DfuRequest::Dnload) && length > 0;
    const bool transfer = download || request.request == static_cast<uint8_t>(DfuRequest::Upload);
    if (request.request == static_cast<uint8_t>(DfuRequest::Detach))
        detachValue_ = request.value;
    if (download && setup_.unplugAtBlock == request.value) {
        SetPluggedIn(false);
        return {Outcome::Gone, 0};
    }
    if (download && setup_.silentAtBlock == request.value)
        return {Outcome::Silent, 0};
    // The DFU interface of the layout in use is the emulated device's; a
    // request to any other interface is refused by it.
    const DfuInterfacePlace place = FindDfuInterface(Layout());
    const uint16_t dfuInterface = device_->Interface().interfaceNumber;
    request.index = place.found && request.index == place.interfaceNumber
                        ? dfuInterface
                        : static_cast<uint16_t>(dfuInterface + 1);
    // Addressed past the DFU interface, the device refuses a block as a real
    // one refuses a block it cannot take: a stall, and dfuERROR.
    const bool wrongMemory = transfer && selectedAlternate_ != setup_.firmwareAlternate.value_or(0);
    if ((download && (setup_.stallAtBlock == request.value || length > setup_.blockLimit.value_or(length))) ||
        wrongMemory)
        request.index = static_cast<uint16_t>(dfuInterface + 1);
    if (request.requestType & 0x80) {
        ControlAnswer answer = FromTransfer(device_->ControlIn(request, data, length, 0));
        if (answer.outcome == Outcome::Done)
            answer.length += setup_.overlongAnswers;
        return answer;
    }
    return FromTransfer(device_->ControlOut(request, data, length, 0));
}

} // namespace tvxdfu::usb::testbed
