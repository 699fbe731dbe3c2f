#include "dfulib/usb/testbed/UsbTestbed.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <umockdev.h>

#include "dfulib/usb/testbed/UrbQueue.h"

namespace tvxdfu::usb::testbed {
namespace {

constexpr auto kKeeperPeriod = std::chrono::milliseconds(2);
constexpr uint8_t kMaxDeviceNumber = 127;
constexpr std::size_t kSetupLength = 8;

// The root hub of bus 1, as a 2.0 host controller shows it.
constexpr const char *kRootHub =
    "P: /devices/usb1\n"
    "N: bus/usb/001/001\n"
    "E: SUBSYSTEM=usb\n"
    "E: DEVTYPE=usb_device\n"
    "E: DRIVER=usb\n"
    "E: BUSNUM=001\n"
    "E: DEVNUM=001\n"
    "E: DEVNAME=/dev/bus/usb/001/001\n"
    "E: PRODUCT=1d6b/2/606\n"
    "A: busnum=1\\n\n"
    "A: devnum=1\\n\n"
    "A: speed=480\\n\n"
    "A: bConfigurationValue=1\\n\n"
    "H: descriptors=12010002090001406b1d020006060302010109021900010100e0000904000001090000000705810304000c\n";

std::string Hex(const std::vector<uint8_t> &bytes)
{
    std::string text;
    char digits[3];
    for (uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

// A sysfs attribute line: backslashes and line ends escaped, the kernel's
// closing newline added.
std::string Attribute(const char *name, const std::string &value)
{
    std::string escaped;
    for (char c : value) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return std::string("A: ") + name + "=" + escaped + "\\n\n";
}

std::string Format(const char *format, unsigned value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The strings the kernel read from the terminal when it arrived: none from
// one that does not answer string requests, and none that are empty (the
// kernel keeps no string it read as empty). The configuration's and the DFU
// interface's are written by ConfigurationStrings.
std::string StringAttributes(TestbedTerminal &terminal)
{
    if (!terminal.StringsInSysfs())
        return {};
    std::string lines;
    const auto add = [&](const std::string &name, uint8_t index) {
        const std::string text = terminal.StringText(index);
        if (!text.empty())
            lines += Attribute(name.c_str(), text);
    };
    add("manufacturer", kStringManufacturer);
    add("product", kStringProduct);
    add("serial", kStringSerial);
    return lines;
}

void Complete(UMockdevIoctlClient *client, long result, int error)
{
    umockdev_ioctl_client_complete(client, result, error);
}

} // namespace

struct UsbTestbed::Slot {
    std::unique_ptr<TestbedTerminal> terminal;
    unsigned port = 0;   // where it arrives next
    unsigned onPort = 0; // where it is while on the bus
    bool onBus = false;
    int departures = 0;
    int arrivals = 0;
    std::atomic<int> opens{0};
    uint8_t deviceNumber = 0;
    std::string node;
    std::string sysPath;
    bool leaving = false; // it has left; its removal is still to show
    std::chrono::steady_clock::time_point listedUntil;
    std::chrono::steady_clock::time_point arrivedAt;
};

UsbTestbed::UsbTestbed() : urbs_(std::make_unique<UrbQueue>())
{
    testbed_ = umockdev_testbed_new();
    // Asked only once the testbed exists: the preload shows its /sys then,
    // and the answer is kept for the whole process.
    if (!umockdev_in_mock_environment()) {
        std::fprintf(stderr, "UsbTestbed: not running under libumockdev-preload (umockdev-wrapper)\n");
        return;
    }
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(HandleIoctl), this);
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, kRootHub, &error)) {
        std::fprintf(stderr, "UsbTestbed: %s\n", error ? error->message : "no root hub");
        g_clear_error(&error);
        return;
    }
    ready_ = true;
    keeper_ = std::thread([this] { Keep(); });
}

UsbTestbed::~UsbTestbed()
{
    stop_ = true;
    changed_.notify_all();
    if (keeper_.joinable())
        keeper_.join();
    if (testbed_)
        g_object_unref(testbed_);
    if (handler_)
        g_object_unref(handler_);
}

TestbedTerminal &UsbTestbed::Add(TerminalSetup setup, unsigned port)
{
    std::unique_lock lock(mutex_);
    auto slot = std::make_unique<Slot>();
    slot->terminal = std::make_unique<TestbedTerminal>(pacer_, std::move(setup));
    for (const auto &other : slots_)
        slot->port = std::max(slot->port, other->port);
    slot->port = port != 0 ? port : slot->port + 1;
    Slot &added = *slot;
    slots_.push_back(std::move(slot));
    Mirror(added);
    return *added.terminal;
}

UsbTestbed::Slot *UsbTestbed::SlotOf(const std::string &serial)
{
    for (const auto &slot : slots_)
        if (slot->terminal->Serial() == serial)
            return slot.get();
    return nullptr;
}

TestbedTerminal *UsbTestbed::Find(const std::string &serial)
{
    std::lock_guard lock(mutex_);
    Slot *slot = SlotOf(serial);
    return slot ? slot->terminal.get() : nullptr;
}

void UsbTestbed::Unplug(const std::string &serial)
{
    if (TestbedTerminal *terminal = Find(serial)) {
        terminal->SetPluggedIn(false);
        WaitFor([&] { return DeviceNode(serial).empty(); }, 1000);
    }
}

void UsbTestbed::Plug(const std::string &serial)
{
    if (TestbedTerminal *terminal = Find(serial)) {
        terminal->SetPluggedIn(true);
        changed_.notify_all();
    }
}

void UsbTestbed::Move(const std::string &serial, unsigned port)
{
    std::lock_guard lock(mutex_);
    if (Slot *slot = SlotOf(serial))
        slot->port = port;
}

bool UsbTestbed::WaitFor(const std::function<bool()> &condition, int limitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kKeeperPeriod);
    }
    return true;
}

int UsbTestbed::HeldTransfers()
{
    return urbs_->Held();
}

int UsbTestbed::DiscardedTransfers()
{
    return urbs_->Discarded();
}

int UsbTestbed::Arrivals(const std::string &serial)
{
    std::lock_guard lock(mutex_);
    const Slot *slot = SlotOf(serial);
    return slot ? slot->arrivals : 0;
}

int UsbTestbed::Opens(const std::string &serial)
{
    std::lock_guard lock(mutex_);
    const Slot *slot = SlotOf(serial);
    return slot ? slot->opens.load() : 0;
}

std::string UsbTestbed::DeviceNode(const std::string &serial)
{
    std::lock_guard lock(mutex_);
    const Slot *slot = SlotOf(serial);
    return slot && slot->onBus ? slot->node : std::string();
}

// --- the bus as the kernel shows it -----------------------------------------------

void UsbTestbed::Keep()
{
    std::unique_lock lock(mutex_);
    while (!stop_) {
        for (const auto &slot : slots_)
            Mirror(*slot);
        changed_.wait_for(lock, kKeeperPeriod);
    }
}

// Puts the terminal on the testbed or takes it off, as it is on the bus or
// not; a departure since it was added is a removal even when it is already
// back, so that every re-enumeration shows.
void UsbTestbed::Mirror(Slot &slot)
{
    const bool present = slot.terminal->OnBus();
    if (slot.onBus && (!present || slot.terminal->Departures() != slot.departures)) {
        const auto now = std::chrono::steady_clock::now();
        if (!slot.leaving) {
            slot.leaving = true;
            slot.listedUntil = now + slot.terminal->ListedAfterLeaving();
        }
        if (now >= slot.listedUntil)
            RemoveFromBus(slot);
    }
    if (!slot.onBus && present && ready_ && !PortTaken(slot.port))
        AddToBus(slot);
}

bool UsbTestbed::PortTaken(unsigned port) const
{
    return std::any_of(slots_.begin(), slots_.end(),
                       [&](const auto &slot) { return slot->onBus && slot->onPort == port; });
}

uint8_t UsbTestbed::NextDeviceNumber()
{
    std::set<uint8_t> used;
    for (const auto &slot : slots_)
        if (slot->onBus)
            used.insert(slot->deviceNumber);
    do {
        lastDeviceNumber_ =
            lastDeviceNumber_ >= kMaxDeviceNumber ? 2 : static_cast<uint8_t>(lastDeviceNumber_ + 1);
    } while (used.count(lastDeviceNumber_));
    return lastDeviceNumber_;
}

void UsbTestbed::AddToBus(Slot &slot)
{
    TestbedTerminal &terminal = *slot.terminal;
    slot.departures = terminal.Departures();
    slot.onPort = slot.port;
    slot.sysPath = "/sys/devices/usb1/1-" + std::to_string(slot.onPort);
    terminal.Arrive();
    slot.deviceNumber = NextDeviceNumber();
    const std::string number = Format("%03u", slot.deviceNumber);
    slot.node = "/dev/bus/usb/001/" + number;

    // A device file is attached to the handler once; device numbers come
    // round again after 127.
    GError *error = nullptr;
    if (attached_.insert(slot.node).second &&
        !umockdev_testbed_attach_ioctl(testbed_, slot.node.c_str(), handler_, &error)) {
        std::fprintf(stderr, "UsbTestbed: cannot attach %s: %s\n", slot.node.c_str(),
                     error ? error->message : "");
        g_clear_error(&error);
    }

    const DeviceLayout descriptors = terminal.Layout();
    const std::string serial = terminal.ReportedSerial();
    const std::string product = Format("%x", descriptors.idProduct);
    std::string text =
        "P: /devices/usb1/1-" + std::to_string(slot.onPort) + "\n" + "N: bus/usb/001/" + number +
        "\n"
        "E: SUBSYSTEM=usb\n"
        "E: DEVTYPE=usb_device\n"
        "E: DRIVER=usb\n"
        "E: BUSNUM=001\n"
        "E: DEVNUM=" +
        number +
        "\n"
        "E: DEVNAME=" +
        slot.node + "\n" + "E: PRODUCT=d7b/" + product + "/" + Format("%x", descriptors.bcdDevice) + "\n" +
        "E: TYPE=0/0/0\n"
        "E: MAJOR=189\n"
        "E: MINOR=" +
        std::to_string(slot.deviceNumber - 1u) + "\n" +
        "E: ID_VENDOR_ID=0d7b\n"
        "E: ID_MODEL_ID=" +
        Format("%04x", descriptors.idProduct) + "\n" +
        (serial.empty() || !terminal.StringsInSysfs() ? "" : "E: ID_SERIAL_SHORT=" + serial + "\n") +
        Attribute("busnum", "1") + Attribute("devnum", std::to_string(slot.deviceNumber)) +
        Attribute("speed", "12") +
        Attribute("bConfigurationValue", std::to_string(descriptors.activeConfiguration)) +
        Attribute("idVendor", "0d7b") + Attribute("idProduct", Format("%04x", descriptors.idProduct)) +
        Attribute("bcdDevice", Format("%04x", descriptors.bcdDevice)) + StringAttributes(terminal) +
        "H: descriptors=" + Hex(AllDescriptors(descriptors)) + "\n";
    if (!umockdev_testbed_add_from_string(testbed_, text.c_str(), &error)) {
        std::fprintf(stderr, "UsbTestbed: cannot add %s: %s\n", serial.c_str(), error ? error->message : "");
        g_clear_error(&error);
        return;
    }
    ConfigurationStrings(slot, FindDfuInterface(descriptors));
    slot.onBus = true;
    slot.arrivedAt = std::chrono::steady_clock::now();
    ++slot.arrivals;
}

// The configuration's string, and the DFU interface's folder
// (1-<port>:<configuration>.<interface>) with its string, as the kernel makes them when
// it sets the configuration; no uevent, as no listener here looks at
// interfaces. (The configuration text's runs of blanks do not pass through
// umockdev's device description.)
void UsbTestbed::ConfigurationStrings(Slot &slot, const DfuInterfacePlace &dfuInterface)
{
    if (!slot.terminal->StringsInSysfs())
        return;
    const std::string configuration = slot.terminal->StringText(kStringConfiguration);
    if (!configuration.empty())
        umockdev_testbed_set_attribute(testbed_, slot.sysPath.c_str(), "configuration",
                                       (configuration + "\n").c_str());
    const std::string text = slot.terminal->StringText(kStringDfuInterface);
    if (text.empty() || !dfuInterface.found)
        return;
    const std::string name = "1-" + std::to_string(slot.port);
    gchar *root = umockdev_testbed_get_root_dir(testbed_);
    const std::string folder = root + slot.sysPath + "/" + name + ":" +
                               std::to_string(dfuInterface.configuration) + "." +
                               std::to_string(dfuInterface.interfaceNumber);
    g_free(root);
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/interface") << text << "\n";
}

void UsbTestbed::RemoveFromBus(Slot &slot)
{
    // The event carries the device's properties, so listeners learn which
    // device went although its sysfs folder is gone by the time they look.
    umockdev_testbed_uevent(testbed_, slot.sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, slot.sysPath.c_str());
    slot.onBus = false;
    slot.leaving = false;
    slot.node.clear();
}

// --- usbdevfs ----------------------------------------------------------------------

UsbTestbed::Slot *UsbTestbed::SlotOfNode(const std::string &node)
{
    std::lock_guard lock(mutex_);
    for (const auto &slot : slots_)
        if (slot->onBus && slot->node == node)
            return slot.get();
    return nullptr;
}

int UsbTestbed::HandleIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, void *self)
{
    return static_cast<UsbTestbed *>(self)->Ioctl(client) ? TRUE : FALSE;
}

bool UsbTestbed::Ioctl(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    // A device file of a device that has left the bus answers nothing.
    Slot *slot = SlotOfNode(umockdev_ioctl_client_get_devnode(client));
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        // libusb asks this first whenever it opens a device.
        if (!slot) {
            Complete(client, -1, ENODEV);
            return true;
        }
        ++slot->opens;
        UMockdevIoctlData *caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
        const uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                               USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        std::memcpy(caps->data, &value, sizeof value);
        g_object_unref(caps);
        Complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE: {
        bool held = false;
        if (slot) {
            std::lock_guard lock(mutex_);
            held = slot->terminal->InterfaceHeld(std::chrono::steady_clock::now() - slot->arrivedAt);
        }
        Complete(client, slot && !held ? 0 : -1, !slot ? ENODEV : held ? EBUSY : 0);
        return true;
    }
    case USBDEVFS_SETINTERFACE: {
        // The kernel checks the setting against the descriptors, then sends
        // the request, which the device may stall.
        int error = ENODEV;
        if (slot) {
            usbdevfs_setinterface setting{};
            UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof setting, nullptr);
            std::memcpy(&setting, data->data, sizeof setting);
            g_object_unref(data);
            error = slot->terminal->SetInterface(static_cast<uint8_t>(setting.interface),
                                                 static_cast<uint8_t>(setting.altsetting));
        }
        Complete(client, error ? -1 : 0, error);
        return true;
    }
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
        Complete(client, slot ? 0 : -1, slot ? 0 : ENODEV);
        return true;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
        // No kernel driver is bound to a terminal's interfaces here.
        Complete(client, -1, slot ? ENODATA : ENODEV);
        return true;
    case USBDEVFS_RESET: {
        // A device that has left, by this reset or before it, comes back as
        // another device: the reset fails with ENODEV, as the kernel's does
        // when it re-enumerates one, and the old listing stays until the
        // keeper mirrors the departure.
        bool left = true;
        if (slot) {
            slot->terminal->Device().ResetDevice();
            std::lock_guard lock(mutex_);
            left = slot->terminal->Departures() != slot->departures;
        }
        Complete(client, left ? -1 : 0, left ? ENODEV : 0);
        changed_.notify_all();
        return true;
    }
    case USBDEVFS_SUBMITURB:
        if (!slot) {
            Complete(client, -1, ENODEV);
            return true;
        }
        return SubmitUrb(client, *slot);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        UMockdevIoctlData *urb = urbs_->Reap(client);
        if (!urb) {
            Complete(client, -1, slot ? EAGAIN : ENODEV);
            return true;
        }
        UMockdevIoctlData *pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, urb);
        g_object_unref(pointer);
        umockdev_ioctl_data_unref(urb);
        Complete(client, 0, 0);
        return true;
    }
    case USBDEVFS_DISCARDURB: {
        unsigned long address = 0;
        std::memcpy(&address, arg->data, sizeof address);
        const bool discarded = urbs_->Discard(client, address);
        Complete(client, discarded ? 0 : -1, discarded ? 0 : EINVAL);
        return true;
    }
    default:
        Complete(client, -1, ENOTTY);
        return true;
    }
}

// A control URB is answered at once (or never, by a silent device): the
// setup packet and data stage go to the terminal, the outcome into the URB's
// status, and the URB waits to be reaped.
bool UsbTestbed::SubmitUrb(UMockdevIoctlClient *client, Slot &slot)
{
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto *urb = reinterpret_cast<usbdevfs_urb *>(urbData->data);
    if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < static_cast<int>(kSetupLength)) {
        g_object_unref(urbData);
        Complete(client, -1, EINVAL);
        return true;
    }
    UMockdevIoctlData *buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                            static_cast<gsize>(urb->buffer_length), nullptr);
    uint8_t *bytes = buffer->data;
    const std::size_t length =
        std::min<std::size_t>(static_cast<std::size_t>(bytes[6] | bytes[7] << 8),
                              static_cast<std::size_t>(urb->buffer_length) - kSetupLength);
    const ControlAnswer answer = slot.terminal->Control(bytes, bytes + kSetupLength, length);
    changed_.notify_all();
    switch (answer.outcome) {
    case Outcome::Gone:
        g_object_unref(buffer);
        g_object_unref(urbData);
        Complete(client, -1, ENODEV);
        return true;
    case Outcome::Silent:
        urbs_->Unanswered(client, urbData);
        break;
    case Outcome::Done:
        urb->status = 0;
        urb->actual_length = answer.length;
        urbs_->Answered(client, urbData);
        break;
    case Outcome::Stall:
    case Outcome::Failed:
        urb->status = answer.outcome == Outcome::Stall ? -EPIPE : -EPROTO;
        urb->actual_length = 0;
        urbs_->Answered(client, urbData);
        break;
    }
    g_object_unref(buffer);
    g_object_unref(urbData);
    Complete(client, 0, 0);
    return true;
}

} // namespace tvxdfu::usb::testbed
