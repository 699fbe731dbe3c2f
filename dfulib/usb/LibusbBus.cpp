#include "dfulib/usb/LibusbBus.h"

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/usb/HeldInterface.h"
#include "dfulib/usb/LibusbOwners.h"
#include "dfulib/usb/LibusbTerminal.h"
#include "dfulib/usb/ReturningTerminal.h"
#include "dfulib/usb/SteadyPacer.h"
#include "dfulib/usb/StoppableControl.h"
#include "dfulib/usb/TerminalId.h"
#include "dfulib/usb/TerminalIdentity.h"
#include "dfulib/usb/UsbBackend.h"

namespace tvxdfu::usb {
namespace {

std::pair<uint8_t, uint8_t> BusAddressOf(libusb_device *device)
{
    return {libusb_get_bus_number(device), libusb_get_device_address(device)};
}

// How long a device may take to tell its DFU state when its interface
// protocol does not.
constexpr unsigned kStateTimeoutMs = 1000;

class LibusbTransport final : public ControlTransport {
public:
    LibusbTransport(libusb_context *context, const UsbDeviceRecord &terminal) : context_(context)
    {
        // A loader listed under its port is known by that port alone.
        if (!terminal.addressedByPort)
            terminal_.serial = terminal.serial;
        terminal_.port = terminal.port;
    }
    ~LibusbTransport() override { Close(); }

    // Opens the terminal: the device with its serial number, or, once it has
    // been open, the one that stands for it on the port it left (see
    // ChooseReturningTerminal). 0, UPG_NO_DEVICE or UPG_CONNECT_FAILED.
    uint32_t Open()
    {
        struct Opened {
            DeviceHandle handle;
            DfuInterfaceLocation location;
            std::string interfaceText;
        };
        std::vector<Opened> opened;
        std::vector<ReturnCandidate> candidates;
        uint32_t failure = UPG_NO_DEVICE;
        heldByAnother_ = false;
        if (left_ && std::chrono::steady_clock::now() - left_->at >= kLeaveTime)
            left_.reset();
        bool leftListed = false;
        ForEachDevice(context_, [&](libusb_device *device) {
            if (left_ && left_->address == BusAddressOf(device)) {
                leftListed = true;
                return false;
            }
            DeviceHandle handle;
            UsbDeviceRecord record;
            DfuInterfaceLocation location;
            bool accessDenied = false;
            const uint32_t result = OpenTerminal(device, &handle, &record, &location, &accessDenied);
            if (result == UPG_CONNECT_FAILED)
                failure = UPG_CONNECT_FAILED;
            if (result == 0) {
                opened.push_back({std::move(handle), location, record.interfaceText});
                candidates.push_back({record.serial, record.port, record.dfuMode});
            }
            return false;
        });
        if (!leftListed)
            left_.reset();
        // Only a device on the terminal's port may stand for it without its
        // serial number; only there is its mode worth a request.
        for (std::size_t i = 0; i < opened.size(); ++i) {
            if (!candidates[i].dfuMode && candidates[i].port == terminal_.port)
                candidates[i].dfuMode =
                    AskDfuMode(context_, opened[i].handle.get(), opened[i].location, kStateTimeoutMs);
        }
        const std::optional<std::size_t> chosen =
            Settled(ChooseReturningTerminal(terminal_, candidates), candidates);
        uint32_t result = failure;
        for (std::size_t i = 0; i < opened.size(); ++i) {
            if (i != chosen) {
                opened[i].handle.reset();
                continue;
            }
            result = Claim(std::move(opened[i].handle), opened[i].location, opened[i].interfaceText,
                           candidates[i].dfuMode);
            if (result == 0) {
                // It may have moved to another port since it was last seen.
                terminal_.port = candidates[i].port;
            }
        }
        return result;
    }

    int ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length, unsigned timeoutMs) override
    {
        if (!handle_)
            return kTransferNoDevice;
        return StoppableControlTransfer(context_, handle_.get(), setup, data, nullptr, length, timeoutMs,
                                        stop_);
    }

    int ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length,
                   unsigned timeoutMs) override
    {
        if (!handle_)
            return kTransferNoDevice;
        return StoppableControlTransfer(context_, handle_.get(), setup, nullptr, data, length, timeoutMs,
                                        stop_);
    }

    void ResetDevice() override
    {
        if (!handle_)
            return;
        // A device that kept its descriptors through the reset kept its
        // address too and is the terminal still; one that comes back as
        // another device (the loader, the new firmware) fails the reset.
        const bool kept = libusb_reset_device(handle_.get()) == 0;
        Close();
        if (kept)
            left_.reset();
    }

    bool Reopen() override
    {
        Close();
        return Open() == 0;
    }

    bool HeldByAnother() const override { return heldByAnother_; }
    DfuInterfaceInfo Interface() const override { return info_; }
    void WatchStop(const std::atomic<bool> *stop) override { stop_ = stop; }

private:
    // A device taken by its port alone, once the terminal has been open: only
    // after it has stood there a while, so that the terminal, back on
    // another port with its serial number, is not passed over for another
    // loader that took its port the moment it left.
    std::optional<std::size_t> Settled(std::optional<std::size_t> chosen,
                                       const std::vector<ReturnCandidate> &candidates)
    {
        const bool byPort =
            chosen && (terminal_.serial.empty() || !SameSerial(candidates[*chosen].serial, terminal_.serial));
        if (!byPort || !wasOpen_) {
            portChoiceSince_.reset();
            return chosen;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!portChoiceSince_)
            portChoiceSince_ = now;
        return now - *portChoiceSince_ >= kPortSettleTime ? chosen : std::nullopt;
    }

    // A handle not kept is closed as Claim returns, after the interface
    // claimed on it has been released.
    uint32_t Claim(DeviceHandle handle, const DfuInterfaceLocation &location,
                   const std::string &interfaceText, bool dfuMode)
    {
        const std::optional<uint8_t> alternate =
            ChooseAlternate(location, NamedAlternateSetting(interfaceText));
        if (location.interfaceNumber < 0 || !location.hasFunctional || !alternate)
            return UPG_NO_DESCRIPTOR;
        libusb_set_auto_detach_kernel_driver(handle.get(), 1);
        const int claimed = ClaimInterfaceWhenFree(handle.get(), location.interfaceNumber, stop_);
        if (claimed != 0) {
            heldByAnother_ = claimed == LIBUSB_ERROR_BUSY;
            return UPG_CONNECT_FAILED;
        }
        ClaimedInterface claim(handle.get(), location.interfaceNumber);
        // Of several settings (memories) the firmware's is selected; a
        // device that refuses it would take the image into another one.
        if (location.alternates.size() > 1 &&
            libusb_set_interface_alt_setting(handle.get(), location.interfaceNumber, *alternate) != 0)
            return UPG_CONNECT_FAILED;
        handle_ = std::move(handle);
        claim_ = std::move(claim);
        wasOpen_ = true;
        info_.interfaceNumber = static_cast<uint8_t>(location.interfaceNumber);
        info_.dfuMode =
            dfuMode || ReportsDfuState(context_, handle_.get(), info_.interfaceNumber, kStateTimeoutMs);
        info_.functional = location.functional;
        return 0;
    }

    void Close()
    {
        if (!handle_)
            return;
        // Closed to follow the terminal through a restart: the kernel lists
        // the device it was a moment after it has left, and that listing
        // is not the terminal back.
        left_ = Departure{BusAddressOf(libusb_get_device(handle_.get())), std::chrono::steady_clock::now()};
        claim_.Release();
        handle_.reset();
    }

    libusb_context *context_;
    LastSeenTerminal terminal_;
    DeviceHandle handle_;
    ClaimedInterface claim_; // declared after the handle: released before it closes
    DfuInterfaceInfo info_;
    const std::atomic<bool> *stop_ = nullptr;
    bool heldByAnother_ = false; // at the last Open
    struct Departure {
        std::pair<uint8_t, uint8_t> address; // bus and device number
        std::chrono::steady_clock::time_point at;
    };
    // The kernel removes a device that left within milliseconds; one still
    // listed after this did not leave and is taken as it is.
    static constexpr auto kLeaveTime = std::chrono::seconds(5);
    std::optional<Departure> left_;
    bool wasOpen_ = false;
    static constexpr auto kPortSettleTime = std::chrono::seconds(2);
    std::optional<std::chrono::steady_clock::time_point> portChoiceSince_;
};

} // namespace

LibusbBus::LibusbBus()
{
    libusb_context *context = nullptr;
    if (libusb_init(&context) != 0)
        return;
    context_.reset(context);
    listing_ = std::make_unique<TerminalListing>(context);
}

std::vector<UsbDeviceRecord> LibusbBus::Enumerate()
{
    return listing_ ? listing_->List() : std::vector<UsbDeviceRecord>();
}

uint32_t LibusbBus::Open(const UsbDeviceRecord &terminal, std::unique_ptr<ControlTransport> *out)
{
    if (!context_)
        return UPG_HOST_ERROR;
    auto transport = std::make_unique<LibusbTransport>(context_.get(), terminal);
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
