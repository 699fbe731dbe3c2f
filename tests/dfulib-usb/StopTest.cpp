// Unloading the library mid-part: the engine's sleeps and transfers end at
// once, a device in the middle of a read-back or download gets ABORT and is
// left in dfuIDLE, and one that installs is left alone.
#include <chrono>
#include <thread>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/usb/SteadyPacer.h"
#include "dfulib/usb/UsbBackend.h"
#include "dfulib/usb/emulated/EmulatedBus.h"
#include "tests/dfulib-usb/EngineFixture.h"
#include "tests/dfulib-usb/PartEntry.h"

namespace tvxdfu::usb {
namespace {

// Sets the stop flag when the engine reports this far, as an unload from
// another thread would at that moment.
class StopAt final : public ProgressSink {
public:
    StopAt(uint32_t phase, uint32_t bytes, std::atomic<bool> &stop)
        : phase_(phase), bytes_(bytes), stop_(stop)
    {
    }
    void Report(uint32_t phase, uint32_t bytes, uint32_t) override
    {
        if (phase == phase_ && bytes >= bytes_)
            stop_ = true;
    }

private:
    uint32_t phase_, bytes_;
    std::atomic<bool> &stop_;
};

struct StopCase {
    const char *name;
    bool dfuMode;
    bool backup;
    uint32_t phase;
    uint32_t bytes;
    int aborts;
    DfuState state;
    std::size_t blocksWritten;
};

void PrintTo(const StopCase &c, std::ostream *out)
{
    *out << c.name;
}

class EngineStopTest : public EngineTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(EngineStopTest, LeavesTheDeviceIdleAndNeverHalfway)
{
    const StopCase &c = GetParam();
    EmulatedDeviceConfig config;
    config.startInDfuMode = c.dfuMode;
    config.transferSize = 256;
    config.firmware = Pattern(1000, 4);
    EmulatedDfuDevice &device = Make(config);
    std::atomic<bool> stop{false};
    StopAt stopAt(c.phase, c.bytes, stop);
    ScratchFolder folder;
    const auto backup = folder / "backup.dfu";
    const std::vector<uint8_t> image = Pattern(1024, 6);
    EngineJob job;
    job.image = image.data();
    job.size = image.size();
    const std::string backupText = Utf8(backup);
    job.backupPath = c.backup ? backupText.c_str() : nullptr;

    EXPECT_EQ(DfuEngine(device, pacer_, stopAt, &stop).Run(job), static_cast<int32_t>(UPG_HOST_ERROR));
    const EmulatedDeviceLog log = device.Log();
    EXPECT_EQ(log.aborts, c.aborts);
    EXPECT_EQ(device.State(), c.state);
    EXPECT_EQ(log.downloadBlocks.size(), c.blocksWritten);
    EXPECT_EQ(log.endBlock, -1) << "told to install";
    EXPECT_EQ(log.resets, 0);
    EXPECT_EQ(folder.Entries(), 0u) << "a backup file was written";
}

INSTANTIATE_TEST_SUITE_P(
    Stops, EngineStopTest,
    ::testing::Values(
        // Not yet in DFU mode: nothing to abort, and no DETACH or reset.
        StopCase{"BeforeDetach", false, false, TVXDFU_PHASE_INIT, 0, 0, DfuState::AppIdle, 0},
        StopCase{"DuringReadBack", true, true, TVXDFU_PHASE_UPLOAD, 256, 1, DfuState::DfuIdle, 0},
        StopCase{"MidDownload", true, false, TVXDFU_PHASE_DOWNLOAD, 512, 1, DfuState::DfuIdle, 2},
        // Every block is in, but the device was not yet told to install.
        StopCase{"AfterTheLastBlock", true, false, TVXDFU_PHASE_DOWNLOAD, 1024, 1, DfuState::DfuIdle, 4}),
    [](const ::testing::TestParamInfo<StopCase> &tested) { return tested.param.name; });

// The backend over one emulated terminal in DFU mode, in real time: the
// device keeps its own clock, the worker sleeps on the backend's.
class BackendStopTest : public ::testing::Test {
protected:
    void Start(EmulatedDeviceConfig config, bool holdFirstTransfer = false)
    {
        config.startInDfuMode = true;
        config.transferSize = 64;
        device_ = std::make_shared<EmulatedDfuDevice>(deviceClock_, config);
        if (holdFirstTransfer)
            device_->HoldNextTransfer();
        UsbDeviceRecord record;
        record.serial = "T1";
        record.product = "VORN 470";
        record.idProduct = 0x0470;
        record.hasFunctional = true;
        std::vector<EmulatedTerminal> terminals{{record, device_, 0}};
        backend_ = std::make_unique<UsbBackend>(std::make_unique<EmulatedBus>(std::move(terminals)),
                                                std::make_unique<SteadyPacer>());
        ASSERT_EQ(backend_->StartUpgrade("T1", 16, part_.Entry(), nullptr), 0u);
    }
    // Waits until the device's log shows the part has got this far.
    template <typename Condition>
    bool AwaitDevice(Condition condition)
    {
        for (int i = 0; i < 30000; ++i) {
            if (condition(device_->Log()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    void TearDown() override
    {
        if (device_)
            device_->Release();
        backend_.reset();
    }

    // Far longer than anything here waits, and within the two minutes a
    // poll may take.
    static constexpr uint32_t kLongPollMs = 100000;

    SteadyPacer deviceClock_;
    Part part_{Pattern(256, 2)};
    std::shared_ptr<EmulatedDfuDevice> device_;
    std::unique_ptr<UsbBackend> backend_;
};

TEST_F(BackendStopTest, AnUnloadCutsALongPollTimeoutShortAndLeavesTheDeviceIdle)
{
    EmulatedDeviceConfig config;
    config.blockPollTimeoutMs = kLongPollMs;
    Start(config);
    ASSERT_TRUE(AwaitDevice(
        [](const EmulatedDeviceLog &log) { return log.imposed >= std::chrono::milliseconds(kLongPollMs); }));

    backend_.reset();
    const EmulatedDeviceLog log = device_->Log();
    // The host spoke again before the announced time was over: it did not
    // wait it out. The busy device refused the ABORT; CLRSTATUS made it idle.
    EXPECT_GE(log.earlyRequests, 1);
    EXPECT_EQ(log.clearStatus, 1);
    EXPECT_EQ(device_->State(), DfuState::DfuIdle);
    EXPECT_EQ(log.downloadBlocks.size(), 1u);
    EXPECT_EQ(log.endBlock, -1);
}

TEST_F(BackendStopTest, AnUnloadEndsATransferTheDeviceHolds)
{
    Start({}, true);
    device_->WaitUntilHeld();

    backend_.reset();
    EXPECT_TRUE(device_->Holding()) << "the worker waited for the device";
    EXPECT_EQ(device_->Log().aborts, 1);
    EXPECT_EQ(device_->State(), DfuState::DfuIdle);
}

TEST_F(BackendStopTest, AnUnloadDuringInstallationSendsTheDeviceNothingMore)
{
    EmulatedDeviceConfig config;
    config.attributes = kAttrCanDnload;
    config.manifestPollTimeoutMs = kLongPollMs;
    Start(config);
    ASSERT_TRUE(AwaitDevice([](const EmulatedDeviceLog &log) {
        return log.endBlock >= 0 && log.imposed >= std::chrono::milliseconds(kLongPollMs);
    }));
    const int transfers = device_->Log().controlTransfers;

    backend_.reset();
    const EmulatedDeviceLog log = device_->Log();
    EXPECT_EQ(log.controlTransfers, transfers);
    EXPECT_EQ(log.aborts, 0);
    EXPECT_EQ(log.resets, 0);
    EXPECT_EQ(device_->State(), DfuState::Manifest);
}

TEST(SteadyPacerTest, StopEndsTheSleepUnderWayAndEveryLaterOne)
{
    SteadyPacer pacer;
    std::thread sleeper([&] { pacer.SleepFor(std::chrono::hours(1)); });
    pacer.Stop();
    sleeper.join();
    pacer.SleepFor(std::chrono::hours(1));
    pacer.WaitForDeviceEvent(std::chrono::hours(1));
}

} // namespace
} // namespace tvxdfu::usb
