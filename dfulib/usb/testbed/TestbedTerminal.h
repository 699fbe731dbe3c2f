// One emulated terminal as it sits on a USB bus: the standard requests a
// host makes of any device (its descriptors and strings), and the DFU class
// requests, which go to the same emulated DFU 1.1 device the in-process
// tests use. What the terminal reports (product text, identification,
// versions) is a simulated terminal's; a part it installs changes its
// versions as the image's header says.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "dfulib/sim/Scenario.h"
#include "dfulib/sim/SimulatedTerminal.h"
#include "dfulib/usb/emulated/EmulatedDfuDevice.h"
#include "dfulib/usb/testbed/UsbDescriptors.h"

namespace tvxdfu::usb::testbed {

struct TerminalSetup {
    sim::TerminalSpec spec;     // id (the serial number), model, versions, productId
    EmulatedDeviceConfig dfu;   // the DFU side; its firmware defaults to the terminal's image
    bool answersStrings = true; // false: string requests are never answered
    // In DFU mode its loader reports this serial number instead of the ID
    // ("" for none), as many loaders do.
    std::optional<std::string> loaderSerial;
    // false: the kernel could not read its strings when it arrived (sysfs
    // shows none), though it answers them now.
    bool stringsInSysfs = true;
    // Faults of the bus rather than of the DFU state machine.
    std::optional<uint16_t> unplugAtBlock; // power lost when this DNLOAD block arrives
    std::optional<uint16_t> stallAtBlock;  // this DNLOAD block is refused with a stall
    std::optional<uint16_t> silentAtBlock; // this DNLOAD block is never answered
    // Once it has left the bus (a reset, a restart of its own), the old
    // device stays listed this long, as the kernel lists it until it has
    // processed the disconnect.
    std::chrono::milliseconds listedAfterLeaving{0};
    // In DFU mode another program holds its DFU interface (claims answer
    // EBUSY) this long after each arrival, as a daemon that claims DFU
    // devices when they arrive does; kHeldForGood: as long as it is there.
    std::chrono::milliseconds loaderHeldFor{0};
    // Its answers to DFU requests from the device claim this many bytes
    // more than the host asked for.
    int overlongAnswers = 0;
    // Descriptors stated as data, as a real device has them, for normal
    // operation and for the loader; unset: the generated layout. The vendor
    // id, bcdDevice and the serial number's presence are the terminal's; an
    // idProduct of 0 stands for the terminal's own productId.
    std::optional<DeviceLayout> runtimeLayout;
    std::optional<DeviceLayout> loaderLayout;
    // The alternate setting of the loader's DFU interface the firmware
    // belongs to: its interface string names it ("ALT=<n>"), and blocks sent while
    // another one is selected are refused as a real loader refuses blocks
    // for a memory it cannot write. Unset: alternate setting 0, unnamed.
    std::optional<uint8_t> firmwareAlternate;
    bool refusesSetInterface = false; // SET_INTERFACE is stalled
    // The loader's block buffer: a longer DNLOAD block is stalled.
    std::optional<std::size_t> blockLimit;
};

inline constexpr std::chrono::milliseconds kHeldForGood = std::chrono::milliseconds::max();

// How a control request ends on the bus.
enum class Outcome {
    Done,   // data stage of `length` bytes
    Stall,  // the request was refused
    Failed, // a protocol error on the wire
    Gone,   // the device is not on the bus
    Silent, // never answered: the host's time-out ends it
};

struct ControlAnswer {
    Outcome outcome = Outcome::Done;
    int length = 0;
};

class TestbedTerminal {
public:
    TestbedTerminal(Pacer &pacer, TerminalSetup setup);

    // A control request: the 8-byte setup packet and its data stage (filled
    // for IN requests). Called on the bus's thread.
    ControlAnswer Control(const uint8_t setup[8], uint8_t *data, std::size_t length);

    // Whether it should be on the bus now, and how often it has left it.
    bool OnBus();
    int Departures() const { return device_->Departures(); }
    // It (re)appears on the bus: it takes note of the image it installed and
    // the mode it came back in, and accepts transfers again.
    void Arrive();
    // Pulled out (power lost, so whatever it was doing is over) or plugged in.
    void SetPluggedIn(bool pluggedIn);

    // The ID it is known by in the testbed, and the serial number it reports
    // on the bus now (another one, or none, from a loader).
    std::string Serial() const;
    std::string ReportedSerial();
    // Its descriptors as they are now (normal operation or loader).
    DeviceLayout Layout();
    // SET_INTERFACE: 0, or the errno the kernel gives (EINVAL for a setting
    // the layout lacks, EPIPE when the device stalls it).
    int SetInterface(uint8_t interfaceNumber, uint8_t alternate);
    // wValue of the last DFU_DETACH it got (the detach time-out asked for).
    int DetachValue() const { return detachValue_; }
    // Texts for sysfs and udev, as the kernel shows them.
    std::string ProductText();
    std::string ManufacturerText() const { return setup_.spec.vendorCode; }
    // The text of string descriptor `index`, as the kernel reads it at
    // arrival for sysfs (when the terminal answers strings at all).
    std::string StringText(uint8_t index);
    bool AnswersStrings() const { return answersStrings_; }
    std::chrono::milliseconds ListedAfterLeaving() const { return setup_.listedAfterLeaving; }
    bool StringsInSysfs() const { return answersStrings_ && setup_.stringsInSysfs; }
    // Whether another program holds its DFU interface this long after it
    // arrived.
    bool InterfaceHeld(std::chrono::steady_clock::duration sinceArrival) const
    {
        return device_->InDfuMode() &&
               std::chrono::duration_cast<std::chrono::milliseconds>(sinceArrival) < setup_.loaderHeldFor;
    }
    // A silent terminal that starts to answer (or the other way round).
    void SetAnswersStrings(bool answers) { answersStrings_ = answers; }
    // How many string descriptor requests reached it, LANGID ones included.
    int StringRequests() const { return stringRequests_; }

    EmulatedDfuDevice &Device() { return *device_; }
    uint32_t Firmware();
    uint32_t Loader();

private:
    std::string InterfaceText() const;
    ControlAnswer Standard(const uint8_t setup[8], uint8_t *data, std::size_t length);
    ControlAnswer Class(const uint8_t setup[8], uint8_t *data, std::size_t length);

    TerminalSetup setup_;
    std::unique_ptr<EmulatedDfuDevice> device_;
    mutable std::mutex mutex_; // guards what follows
    sim::SimulatedTerminal personality_;
    std::vector<uint8_t> installed_; // the image its versions come from
    bool pluggedIn_ = true;
    std::atomic<bool> answersStrings_;
    std::atomic<int> stringRequests_{0};
    std::atomic<uint8_t> selectedAlternate_{0};
    std::atomic<int> detachValue_{-1};
};

} // namespace tvxdfu::usb::testbed
