// Unloading the library while the terminal holds a control transfer: the
// transfer is cancelled instead of running to its time-out, and the
// terminal gets ABORT, through the real libusb.
#include "tests/dfulib-testbed/TestbedFixture.h"

#include <atomic>
#include <thread>

#include "dfulib/usb/LibusbBus.h"

namespace tvxdfu::usb::testbed {
namespace {

constexpr const char *kId = "K470A0001234";

// In its loader, and never answering the DNLOAD of this block.
TerminalSetup SilentAt(uint16_t block)
{
    TerminalSetup setup = ThreePartTerminal(kId);
    setup.spec.mode = sim::TerminalMode::Loader;
    setup.silentAtBlock = block;
    return setup;
}

TEST_F(TestbedTest, AHeldTransferEndsAtItsTimeOutOrAtOnceOnAStop)
{
    testbed_->Add(SilentAt(0));
    LibusbBus bus;
    std::unique_ptr<ControlTransport> transport;
    UsbDeviceRecord terminal;
    terminal.serial = kId;
    ASSERT_EQ(bus.Open(terminal, &transport), 0u);
    const uint8_t data[64] = {};
    const ControlSetup dnload{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::Dnload), 0,
                              transport->Interface().interfaceNumber};

    EXPECT_EQ(transport->ControlOut(dnload, data, sizeof data, 50), kTransferTimeout);
    EXPECT_EQ(testbed_->DiscardedTransfers(), 1);

    // An hour's time-out: only the stop can end this one.
    std::atomic<bool> stop{false};
    transport->WatchStop(&stop);
    int result = 0;
    std::thread host([&] { result = transport->ControlOut(dnload, data, sizeof data, 3600000); });
    const bool held = testbed_->WaitFor([&] { return testbed_->HeldTransfers() == 1; }, 10000);
    stop = true;
    host.join();
    ASSERT_TRUE(held);
    EXPECT_EQ(result, kTransferCancelled);
    EXPECT_EQ(testbed_->DiscardedTransfers(), 2);
    EXPECT_EQ(testbed_->HeldTransfers(), 0);

    // Once stopped, a transfer does not start.
    EXPECT_EQ(transport->ControlOut(dnload, data, sizeof data, 3600000), kTransferCancelled);
    EXPECT_EQ(testbed_->HeldTransfers(), 0);
}

TEST_F(TestbedTest, UnloadingMidDownloadCancelsTheHeldBlockAndAbortsTheDownload)
{
    TestbedTerminal &terminal = testbed_->Add(SilentAt(2));
    UseUsbBackend();
    const Part part(Image(0x01040700, 0x01010402));
    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id(kId).bytes, 16, part.Entry(), nullptr), 0u);
    ASSERT_TRUE(testbed_->WaitFor([&] { return testbed_->HeldTransfers() == 1; }, 10000));

    ReplaceProcessBackend(nullptr);
    EXPECT_EQ(testbed_->DiscardedTransfers(), 1);
    EXPECT_EQ(terminal.Device().Log().downloadBlocks, (std::vector<uint16_t>{0, 1}));
    EXPECT_EQ(terminal.Device().Log().aborts, 1);
    EXPECT_EQ(terminal.Device().State(), DfuState::DfuIdle);
}

} // namespace
} // namespace tvxdfu::usb::testbed
