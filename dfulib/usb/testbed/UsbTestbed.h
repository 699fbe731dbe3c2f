// Emulated USB terminals behind the real libusb and libudev: a umockdev
// testbed with one bus, its root hub, and a terminal per port, whose
// usbdevfs requests (URBs, claims, resets) are answered by TestbedTerminal.
// A terminal that leaves the bus (reset, detach, pulled out) is removed
// from the testbed with a "remove" uevent and comes back, when it does, as
// a new device number with an "add" uevent, as the kernel shows a
// re-enumeration.
//
// The process must run under libumockdev-preload (umockdev-wrapper); only
// one testbed may exist at a time, and libusb contexts and udev monitors
// must be made after it, since they find the testbed when they start.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dfulib/usb/SteadyPacer.h"
#include "dfulib/usb/testbed/TestbedTerminal.h"

using UMockdevTestbed = struct _UMockdevTestbed;
using UMockdevIoctlBase = struct _UMockdevIoctlBase;
using UMockdevIoctlClient = struct _UMockdevIoctlClient;

namespace tvxdfu::usb::testbed {

class UrbQueue;

class UsbTestbed {
public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed &) = delete;
    UsbTestbed &operator=(const UsbTestbed &) = delete;

    // False (with the reason on stderr) when the process does not run under
    // the umockdev preload or the testbed could not be made.
    bool Ready() const { return ready_; }

    // Plugs a terminal into the next unused port, or into `port`; it is on
    // the bus when this returns, unless another device holds that port: then
    // it arrives once the port is free.
    TestbedTerminal &Add(TerminalSetup setup, unsigned port = 0);
    TestbedTerminal *Find(const std::string &serial);
    void Unplug(const std::string &serial);
    void Plug(const std::string &serial);
    // The terminal comes back on `port` when it next arrives.
    void Move(const std::string &serial, unsigned port);

    // Waits (real time) until `condition` holds or `limitMs` pass.
    bool WaitFor(const std::function<bool()> &condition, int limitMs);
    // How often the terminal has been added to the bus, its first arrival
    // included.
    int Arrivals(const std::string &serial);
    // How often a host has opened the terminal's device file: each look at
    // it on the bus.
    int Opens(const std::string &serial);
    // The device node of the terminal while it is on the bus, else "".
    std::string DeviceNode(const std::string &serial);
    // Control transfers the terminals hold unanswered now, and those the
    // host has given up on (cancelled or timed out) so far.
    int HeldTransfers();
    int DiscardedTransfers();

    Pacer &Clock() { return pacer_; }

private:
    struct Slot;

    static int HandleIoctl(UMockdevIoctlBase *handler, UMockdevIoctlClient *client, void *self);
    bool Ioctl(UMockdevIoctlClient *client);
    bool SubmitUrb(UMockdevIoctlClient *client, Slot &slot);
    Slot *SlotOfNode(const std::string &node);
    Slot *SlotOf(const std::string &serial);
    bool PortTaken(unsigned port) const;

    void Keep();
    void Mirror(Slot &slot);
    void AddToBus(Slot &slot);
    void RemoveFromBus(Slot &slot);
    void ConfigurationStrings(Slot &slot, const DfuInterfacePlace &dfuInterface);
    uint8_t NextDeviceNumber();

    SteadyPacer pacer_;
    bool ready_ = false;
    UMockdevTestbed *testbed_ = nullptr;
    UMockdevIoctlBase *handler_ = nullptr;
    std::unique_ptr<UrbQueue> urbs_;

    std::mutex mutex_; // the slots and the testbed
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Slot>> slots_;
    uint8_t lastDeviceNumber_ = 1; // 1 is the root hub
    std::set<std::string> attached_;
    std::atomic<bool> stop_{false};
    std::thread keeper_;
};

} // namespace tvxdfu::usb::testbed
