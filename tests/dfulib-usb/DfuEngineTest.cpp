#include <chrono>
#include <numeric>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/src/BackupFile.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "tests/dfulib-usb/EngineFixture.h"

namespace tvxdfu::usb {
namespace {

using std::chrono::milliseconds;

std::vector<uint16_t> BlockRange(std::size_t count)
{
    std::vector<uint16_t> blocks(count);
    std::iota(blocks.begin(), blocks.end(), 0);
    return blocks;
}

struct DownloadCase {
    const char *name;
    std::size_t size;
    uint16_t transferSize;
    uint8_t attributes;
    bool startInDfuMode;
};

constexpr uint8_t kTolerant = kAttrCanDnload | kAttrCanUpload | kAttrManifestationTolerant;
constexpr uint8_t kNotTolerant = kAttrCanDnload | kAttrCanUpload;

class DownloadTest : public EngineTest, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(DownloadTest, WritesTheImageByteExactAndRestartsTheDevice)
{
    const DownloadCase &c = GetParam();
    EmulatedDeviceConfig config;
    config.transferSize = c.transferSize;
    config.attributes = c.attributes;
    config.startInDfuMode = c.startInDfuMode;
    EmulatedDfuDevice &device = Make(config);
    const std::vector<uint8_t> image = Pattern(c.size, 7);

    ASSERT_EQ(Run(image), 0);

    const EmulatedDeviceLog log = device.Log();
    EXPECT_EQ(log.received, image);
    const std::size_t blocks = (c.size + c.transferSize - 1) / c.transferSize;
    EXPECT_EQ(log.downloadBlocks, BlockRange(blocks));
    EXPECT_EQ(log.endBlock, static_cast<int>(blocks));
    EXPECT_TRUE(log.manifested);
    EXPECT_EQ(log.earlyRequests, 0);
    EXPECT_EQ(log.detaches, c.startInDfuMode ? 0 : 1);
    // The host resets a runtime device into DFU mode unless it detaches by
    // itself, and always resets after manifestation to start the new image.
    const bool hostDetachReset = !c.startInDfuMode && !(c.attributes & kAttrWillDetach);
    EXPECT_EQ(log.resets, hostDetachReset ? 2 : 1);
    EXPECT_EQ(device.Firmware(), image);
    pacer_.SleepFor(std::chrono::seconds(5));
    EXPECT_TRUE(device.Present());
    EXPECT_FALSE(device.InDfuMode());

    ASSERT_FALSE(progress_.reports.empty());
    EXPECT_EQ(progress_.reports.front(), (ProgressReport{TVXDFU_PHASE_INIT, 0, 0}));
    EXPECT_EQ(progress_.reports.back(),
              (ProgressReport{TVXDFU_PHASE_FINISHED, static_cast<uint32_t>(c.size), 100}));
    uint32_t lastPercent = 0;
    for (const ProgressReport &r : progress_.reports) {
        if (r.phase != TVXDFU_PHASE_DOWNLOAD)
            continue;
        EXPECT_GE(r.percent, lastPercent);
        lastPercent = r.percent;
    }
    EXPECT_EQ(lastPercent, 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DownloadTest,
    ::testing::Values(DownloadCase{"OneByte", 1, 64, kTolerant, false},
                      DownloadCase{"ShortOfABlock", 63, 64, kTolerant, false},
                      DownloadCase{"ExactBlocks", std::size_t{4} * 64, 64, kTolerant, false},
                      DownloadCase{"OneOver", 4 * 64 + 1, 64, kTolerant, true},
                      DownloadCase{"NotTolerant", 10000, 1024, kNotTolerant, false},
                      DownloadCase{"NotTolerantInDfuMode", 3000, 1024, kNotTolerant, true},
                      DownloadCase{"WillDetach", 5000, 2048, kTolerant | kAttrWillDetach, false}),
    [](const auto &tested) { return std::string(tested.param.name); });

TEST_F(EngineTest, BlockNumbersWrapAfter65535)
{
    EmulatedDeviceConfig config;
    config.transferSize = 8;
    config.blockPollTimeoutMs = 0;
    EmulatedDfuDevice &device = Make(config);
    const std::vector<uint8_t> image = Pattern(65537 * 8 + 3, 1);

    ASSERT_EQ(Run(image), 0);
    const EmulatedDeviceLog log = device.Log();
    ASSERT_EQ(log.downloadBlocks.size(), 65538u);
    EXPECT_EQ(log.downloadBlocks[65535], 65535);
    EXPECT_EQ(log.downloadBlocks[65536], 0);
    EXPECT_EQ(log.downloadBlocks[65537], 1);
    EXPECT_EQ(log.endBlock, 2);
    EXPECT_EQ(log.received, image);
}

// Above 4096 the host's USB stack would refuse the transfers; below it the
// device's own size is used. 0xFFFF is a field left unset, not a buffer:
// 1024-byte blocks then.
TEST_F(EngineTest, TransferSizeIsTheDevicesUpTo4096)
{
    const struct {
        uint16_t descriptor;
        std::size_t used;
    } cases[] = {{8192, 4096}, {65535, 1024}, {4096, 4096}, {1000, 1000}};
    ScratchFolder folder;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.descriptor);
        EmulatedDeviceConfig config;
        config.transferSize = c.descriptor;
        config.firmware = Pattern(3 * c.used + 5, 2);
        EmulatedDfuDevice &device = Make(config);
        const std::vector<uint8_t> image = Pattern(5 * c.used + 1, 3);
        const auto backup = folder / "backup.dfu";

        ASSERT_EQ(Run(image, Utf8(backup).c_str()), 0);
        const EmulatedDeviceLog log = device.Log();
        EXPECT_EQ(log.downloadBlocks.size(), 6u);
        EXPECT_EQ(log.uploadBlocks.size(), 4u);
        EXPECT_EQ(log.received, image);
        EXPECT_EQ(ReadFile(backup).size(), config.firmware.size() + tvx::kDfuSuffixLength);
    }
}

// However DETACH is answered, the host resets the device and finds it in
// DFU mode.
TEST_F(EngineTest, ADetachThatFailsStillLeadsIntoDfuMode)
{
    for (const DetachAnswer answer :
         {DetachAnswer::Stall, DetachAnswer::IoError, DetachAnswer::RestartFirst}) {
        for (const uint8_t attributes : {kTolerant, uint8_t(kTolerant | kAttrWillDetach)}) {
            SCOPED_TRACE(::testing::Message() << int(answer) << " attributes " << int(attributes));
            EmulatedDeviceConfig config;
            config.detachAnswer = answer;
            config.attributes = attributes;
            EmulatedDfuDevice &device = Make(config);
            const std::vector<uint8_t> image = Pattern(3000, 4);

            ASSERT_EQ(Run(image), 0);
            EXPECT_EQ(device.Log().detaches, 1);
            EXPECT_EQ(device.Firmware(), image);
        }
    }
}

// A loader that installs at once and restarts while the host ends the
// download: the part ends as written, whether or not the device is seen
// again; its versions tell the rest.
TEST_F(EngineTest, ALoaderThatRestartsWhileInstallingEndsThePartAsWritten)
{
    for (const InstallRestart when : {InstallRestart::DuringEndDownload, InstallRestart::DuringStatus}) {
        for (const bool returns : {true, false}) {
            SCOPED_TRACE(::testing::Message() << int(when) << " returns " << returns);
            EmulatedDeviceConfig config;
            config.startInDfuMode = true;
            config.installRestart = when;
            config.returnsAfterReset = returns;
            EmulatedDfuDevice &device = Make(config);
            const std::vector<uint8_t> image = Pattern(3000, 5);

            ASSERT_EQ(Run(image), 0);
            EXPECT_EQ(progress_.reports.back(), (ProgressReport{TVXDFU_PHASE_FINISHED, 3000, 100}));
            EXPECT_EQ(device.Firmware(), image);
            EXPECT_EQ(device.Present(), returns);
            EXPECT_FALSE(device.InDfuMode());
        }
    }
}

TEST_F(EngineTest, WaitsEveryAnnouncedPollTimeoutInVirtualTime)
{
    EmulatedDeviceConfig config;
    config.startInDfuMode = true;
    config.transferSize = 256;
    config.blockPollTimeoutMs = 5000;
    config.manifestPollTimeoutMs = 7000;
    EmulatedDfuDevice &device = Make(config);

    ASSERT_EQ(Run(Pattern(std::size_t{4} * 256, 3)), 0);
    EXPECT_EQ(device.Log().earlyRequests, 0);
    EXPECT_GE(pacer_.Now(), milliseconds(4 * 5000 + 7000));
}

// The check above means something only if the device notices a host that
// does not wait.
TEST_F(EngineTest, EmulatedDeviceRefusesAPollBeforeItsTimeout)
{
    EmulatedDeviceConfig config;
    config.startInDfuMode = true;
    config.blockPollTimeoutMs = 50;
    EmulatedDfuDevice &device = Make(config);
    const uint8_t data[4] = {1, 2, 3, 4};
    uint8_t status[kStatusLength];
    const ControlSetup dnload{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::Dnload), 0, 0};
    const ControlSetup getStatus{kRequestTypeIn, static_cast<uint8_t>(DfuRequest::GetStatus), 0, 0};
    ASSERT_EQ(device.ControlOut(dnload, data, sizeof data, 100), 4);
    ASSERT_EQ(device.ControlIn(getStatus, status, sizeof status, 100), 6);
    EXPECT_EQ(DecodeStatus(status).state, DfuState::DnBusy);
    EXPECT_EQ(DecodeStatus(status).pollTimeoutMs, 50u);
    pacer_.SleepFor(milliseconds(49));
    EXPECT_EQ(device.ControlIn(getStatus, status, sizeof status, 100), kTransferStall);
    EXPECT_EQ(device.Log().earlyRequests, 1);
}

struct FaultCase {
    const char *name;
    EmulatedFault fault;
    std::size_t capacity;
    bool backup;
    int32_t status;
};

class DeviceErrorTest : public EngineTest, public ::testing::WithParamInterface<FaultCase> {};

// The device's bStatus is reported as bStatus - 90; CLRSTATUS leaves it in
// dfuIDLE, and the next attempt goes through.
TEST_P(DeviceErrorTest, ReportsTheDeviceStatusAndRecovers)
{
    const FaultCase &c = GetParam();
    ScratchFolder folder;
    const auto backup = folder / "backup.dfu";
    {
        std::ofstream earlier(backup, std::ios::binary);
        earlier << "earlier backup";
    }
    EmulatedDeviceConfig config;
    config.startInDfuMode = true;
    config.transferSize = 128;
    config.capacity = c.capacity;
    config.firmware = Pattern(1000, 9);
    config.faults = {c.fault};
    EmulatedDfuDevice &device = Make(config);
    const std::vector<uint8_t> image = Pattern(900, 4);

    EXPECT_EQ(Run(image, c.backup ? Utf8(backup).c_str() : nullptr), c.status);
    EXPECT_EQ(device.Log().clearStatus, 1);
    EXPECT_FALSE(device.Log().manifested);
    EXPECT_EQ(ReadFile(backup),
              std::vector<uint8_t>({'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 'b', 'a', 'c', 'k', 'u', 'p'}));
    EXPECT_EQ(folder.Entries(), 1u);

    if (c.capacity >= image.size()) {
        ASSERT_EQ(Run(image), 0);
        EXPECT_EQ(device.Firmware(), image);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DeviceErrorTest,
    ::testing::Values(
        FaultCase{"WriteErrorInFirstBlock", {DfuRequest::Dnload, 0, kStatusErrWrite}, 1 << 20, false, 3 - 90},
        FaultCase{"VerifyErrorInLastBlock", {DfuRequest::Dnload, 7, 0x07}, 1 << 20, false, 7 - 90},
        FaultCase{"AddressOutOfRange", {DfuRequest::Upload, 99, 0}, 512, false, 8 - 90},
        FaultCase{
            "UnknownErrorDuringReadBack", {DfuRequest::Upload, 2, kStatusErrUnknown}, 1 << 20, true, 14 - 90},
        // Beyond the defined errors: 90 must not read as success.
        FaultCase{"UndefinedStatusNinety", {DfuRequest::Dnload, 0, 90}, 1 << 20, false, 14 - 90},
        FaultCase{"UndefinedStatusHigh", {DfuRequest::Dnload, 3, 0xC8}, 1 << 20, false, 14 - 90}),
    [](const auto &tested) { return std::string(tested.param.name); });

struct LeftoverCase {
    const char *name;
    DfuState state;
    uint8_t status;
    int clearStatus;
    int aborts;
};

class LeftoverStateTest : public EngineTest, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverStateTest, BringsTheDeviceBackToIdleFirst)
{
    const LeftoverCase &c = GetParam();
    EmulatedDeviceConfig config;
    config.startInDfuMode = true;
    config.dfuStartState = c.state;
    config.dfuStartStatus = c.status;
    EmulatedDfuDevice &device = Make(config);
    const std::vector<uint8_t> image = Pattern(3000, 2);

    ASSERT_EQ(Run(image), 0);
    EXPECT_EQ(device.Log().received, image);
    EXPECT_EQ(device.Log().clearStatus, c.clearStatus);
    EXPECT_EQ(device.Log().aborts, c.aborts);
}

INSTANTIATE_TEST_SUITE_P(
    States, LeftoverStateTest,
    ::testing::Values(LeftoverCase{"Error", DfuState::DfuError, kStatusErrWrite, 1, 0},
                      LeftoverCase{"DownloadIdle", DfuState::DnloadIdle, kStatusOk, 0, 1},
                      LeftoverCase{"UploadIdle", DfuState::UploadIdle, kStatusOk, 0, 1},
                      // Mid-block: asked until it is done with it, then aborted.
                      LeftoverCase{"DownloadSync", DfuState::DnloadSync, kStatusOk, 0, 1},
                      LeftoverCase{"Busy", DfuState::DnBusy, kStatusOk, 0, 1},
                      // Answers nothing until reset, after which it starts
                      // its firmware and is detached once more.
                      LeftoverCase{"WaitingForReset", DfuState::ManifestWaitReset, kStatusOk, 0, 0}),
    [](const auto &tested) { return std::string(tested.param.name); });

// A loader that stalls GETSTATUS while it writes is asked again three
// times; a fourth stall in a row counts.
TEST_F(EngineTest, AStalledStatusOfABusyDeviceIsAskedAgainThreeTimes)
{
    for (const int stalls : {3, 4}) {
        SCOPED_TRACE(stalls);
        EmulatedDeviceConfig config;
        config.startInDfuMode = true;
        config.busyStatusStalls = stalls;
        EmulatedDfuDevice &device = Make(config);
        const std::vector<uint8_t> image = Pattern(3000, 2);

        EXPECT_EQ(Run(image), stalls == 3 ? 0 : kStatusUnexpectedState);
        EXPECT_EQ(device.Log().manifested, stalls == 3);
        EXPECT_EQ(device.Log().earlyRequests, 0);
    }
}

// Poll timeouts no flash needs are waited as the quirk table says, and the
// upgrade goes on; the device's own time is waited wherever it is stated.
TEST_F(EngineTest, AbsurdPollTimeoutsAreWaitedAsTheQuirkTableSays)
{
    const struct {
        uint32_t stated;
        uint32_t needed;
        milliseconds waitedPerPoll;
    } cases[] = {{0xFFFFFF, 5, milliseconds(5)},
                 {0x0A0000, 5000, milliseconds(10000)},
                 {120000, 120000, milliseconds(120000)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stated);
        EmulatedDeviceConfig config;
        config.startInDfuMode = true;
        config.transferSize = 1024;
        config.statedPollTimeoutMs = c.stated;
        config.blockPollTimeoutMs = c.needed;
        config.manifestPollTimeoutMs = c.needed;
        EmulatedDfuDevice &device = Make(config);
        const milliseconds start = std::chrono::duration_cast<milliseconds>(pacer_.Now());

        ASSERT_EQ(Run(Pattern(std::size_t{3} * 1024, 6)), 0);
        EXPECT_TRUE(device.Log().manifested);
        EXPECT_EQ(device.Log().earlyRequests, 0);
        // Three blocks and the manifestation, each one poll, and the
        // terminal's return after the final reset.
        const milliseconds taken = std::chrono::duration_cast<milliseconds>(pacer_.Now()) - start;
        EXPECT_GE(taken, 4 * c.waitedPerPoll);
        EXPECT_LT(taken, 4 * c.waitedPerPoll + std::chrono::seconds(2));
    }
}

TEST_F(EngineTest, ReadsTheFirmwareBackIntoTheBackupFileFirst)
{
    for (const std::size_t firmwareSize : {std::size_t{3} * 256 + 100, std::size_t{2} * 256}) {
        SCOPED_TRACE(firmwareSize);
        ScratchFolder folder;
        const auto backup = folder / "backup.dfu";
        EmulatedDeviceConfig config;
        config.transferSize = 256;
        config.firmware = Pattern(firmwareSize, 5);
        EmulatedDfuDevice &device = Make(config);
        const std::vector<uint8_t> image = Pattern(700, 6);

        ASSERT_EQ(Run(image, Utf8(backup).c_str()), 0);

        const std::vector<uint8_t> file = ReadFile(backup);
        ASSERT_EQ(file.size(), firmwareSize + tvx::kDfuSuffixLength);
        EXPECT_TRUE(std::equal(config.firmware.begin(), config.firmware.end(), file.begin()));
        tvx::DfuSuffix suffix;
        ASSERT_TRUE(tvx::ReadDfuSuffix(file.data(), file.size(), &suffix));
        EXPECT_TRUE(tvx::DfuSuffixCrcMatches(file.data(), file.size()));
        EXPECT_EQ(suffix.bcdDevice, 0x0302);
        EXPECT_EQ(suffix.idProduct, 0x0470);
        // Until a short block, so an exact multiple ends with an empty one.
        EXPECT_EQ(device.Log().uploadBlocks, BlockRange(firmwareSize / 256 + 1));
        EXPECT_EQ(device.Firmware(), image);

        std::vector<uint32_t> phases;
        for (const ProgressReport &r : progress_.reports)
            if (phases.empty() || phases.back() != r.phase)
                phases.push_back(r.phase);
        EXPECT_EQ(phases, (std::vector<uint32_t>{TVXDFU_PHASE_INIT, TVXDFU_PHASE_UPLOAD,
                                                 TVXDFU_PHASE_DOWNLOAD, TVXDFU_PHASE_FINISHED}));
        EXPECT_NE(std::find(progress_.reports.begin(), progress_.reports.end(),
                            ProgressReport{TVXDFU_PHASE_UPLOAD, static_cast<uint32_t>(firmwareSize), 0}),
                  progress_.reports.end());
    }
}

// A device that reads back less than an image header holds no firmware worth
// keeping: the earlier backup stays, and nothing is written to the device.
TEST_F(EngineTest, ReadBackShorterThanAnImageHeaderKeepsTheEarlierBackupAndWritesNothing)
{
    for (const std::size_t firmwareSize : {std::size_t{0}, tvxdfu::kMinBackupImageSize - 1}) {
        SCOPED_TRACE(firmwareSize);
        ScratchFolder folder;
        const auto backup = folder / "backup.dfu";
        std::ofstream(backup, std::ios::binary) << "earlier backup";
        EmulatedDeviceConfig config;
        config.transferSize = 128;
        config.firmware = Pattern(firmwareSize, 5);
        EmulatedDfuDevice &device = Make(config);

        EXPECT_EQ(Run(Pattern(700, 6), Utf8(backup).c_str()), static_cast<int32_t>(UPG_HOST_ERROR));
        EXPECT_TRUE(device.Log().received.empty());
        EXPECT_FALSE(device.Log().manifested);
        EXPECT_EQ(device.Firmware(), config.firmware);
        const std::vector<uint8_t> kept = ReadFile(backup);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "earlier backup");
        EXPECT_EQ(folder.Entries(), 1u);
    }
}

TEST_F(EngineTest, GivesUpOnADeviceThatNeverComesBack)
{
    EmulatedDeviceConfig config;
    config.returnsAfterReset = false;
    EmulatedDfuDevice &device = Make(config);

    EXPECT_EQ(Run(Pattern(100, 0)), kStatusTimeout);
    EXPECT_EQ(device.Log().downloadBlocks.size(), 0u);
    EXPECT_GE(pacer_.Now(), std::chrono::seconds(30));
    EXPECT_LT(pacer_.Now(), std::chrono::seconds(31));
}

TEST_F(EngineTest, WaitsForASlowReEnumeration)
{
    EmulatedDeviceConfig config;
    config.reenumeration = std::chrono::seconds(12);
    EmulatedDfuDevice &device = Make(config);
    const std::vector<uint8_t> image = Pattern(5000, 8);

    ASSERT_EQ(Run(image), 0);
    EXPECT_EQ(device.Log().received, image);
    EXPECT_GE(pacer_.Waits(), 12 * 4);
}

TEST_F(EngineTest, ReportsADeviceThatLeavesTheBusMidDownload)
{
    EmulatedDeviceConfig config;
    config.startInDfuMode = true;
    config.returnsAfterReset = false;
    config.blockPollTimeoutMs = 0;
    EmulatedDfuDevice &device = Make(config);
    // Unplugged while the first block is written.
    class UnplugAfterFirstBlock final : public ProgressSink {
    public:
        explicit UnplugAfterFirstBlock(EmulatedDfuDevice &d) : device(d) {}
        void Report(uint32_t phase, uint32_t bytes, uint32_t) override
        {
            if (phase == TVXDFU_PHASE_DOWNLOAD && bytes > 0)
                device.ResetDevice();
        }
        EmulatedDfuDevice &device;
    } unplug(device);
    DfuEngine engine(device, pacer_, unplug);
    const std::vector<uint8_t> image = Pattern(5000, 8);
    EngineJob job;
    job.image = image.data();
    job.size = image.size();
    EXPECT_EQ(engine.Run(job), kStatusDeviceLeft);
}

} // namespace
} // namespace tvxdfu::usb
