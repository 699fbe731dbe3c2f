#include "dfulib/usb/DfuEngine.h"

#include <algorithm>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/src/BackupFile.h"
#include "dfulib/usb/PollTimeoutQuirks.h"

namespace tvxdfu::usb {
namespace {

constexpr unsigned kRequestTimeoutMs = 5000;
// How long a runtime device may take to leave the bus and come back in DFU
// mode, and how often it is looked for meanwhile.
constexpr Micros kReturnTimeout = std::chrono::seconds(30);
constexpr Micros kReopenInterval = std::chrono::milliseconds(250);
// Longer than this means a confused device, not a slow flash.
constexpr Micros kMaxBusyPerStep = std::chrono::minutes(10);
constexpr int kMaxPollsPerStep = 100000;
// A loader busy writing its flash may stall GETSTATUS instead of answering
// dfuDNBUSY; it is asked again after a pause, three times before the stall
// counts (fwupd retries the status of a busy device too: plugins/dfu,
// pull request 2692).
constexpr int kStalledStatusRetries = 3;
constexpr Micros kStalledStatusPause = std::chrono::milliseconds(250);
// ABORT and CLRSTATUS sent to bring a device left by an earlier host to
// dfuIDLE; one that needs more is not going there.
constexpr int kMaxRecoveryRequests = 4;
// The read-back stops here even if the device never sends a short block.
constexpr std::size_t kMaxReadBackBytes = 64u << 20;
// The longest detach time-out asked for, and the one asked for when the
// descriptor gives 0 (as dfu-util and fwupd ask); the reset follows at once
// anyway.
constexpr uint16_t kDetachTimeoutMs = 1000;
// libusb refuses longer control transfers, on Linux and on Windows.
constexpr uint16_t kMaxTransferSize = 4096;
// A loader whose wTransferSize is 0 states none: blocks of this size go
// through any control endpoint's buffer (fwupd's choice, plugins/dfu).
// 0xFFFF is no buffer a loader has, but a field left unset: fwupd's 1024.
constexpr uint16_t kUnstatedTransferSize = 64;
constexpr uint16_t kUnsetTransferSize = 1024;

uint16_t DetachTimeout(const DfuFunctional &functional)
{
    return functional.detachTimeoutMs == 0 ? kDetachTimeoutMs
                                           : std::min(functional.detachTimeoutMs, kDetachTimeoutMs);
}

uint16_t BlockSize(const DfuFunctional &functional)
{
    switch (functional.transferSize) {
    case 0:
        return kUnstatedTransferSize;
    case 0xFFFF:
        return kUnsetTransferSize;
    default:
        return std::min(functional.transferSize, kMaxTransferSize);
    }
}
// The requests that leave a stopped device idle must not hold up the
// library's unloading; a device that answers at all answers in this time.
constexpr unsigned kStopRequestTimeoutMs = 250;

int32_t TransferFailure(int result)
{
    switch (result) {
    case kTransferNoDevice:
        return kStatusDeviceLeft;
    case kTransferTimeout:
        return kStatusTimeout;
    default:
        return kStatusUnexpectedState;
    }
}

uint32_t Percent(std::size_t done, std::size_t total)
{
    return total == 0 ? 100u : static_cast<uint32_t>(done * 100 / total);
}

} // namespace

DfuEngine::DfuEngine(ControlTransport &transport, Pacer &pacer, ProgressSink &progress,
                     const std::atomic<bool> *stop)
    : transport_(transport), pacer_(pacer), progress_(progress), stop_(stop)
{
    if (stop_)
        transport_.WatchStop(stop_);
}

DfuEngine::~DfuEngine()
{
    if (stop_)
        transport_.WatchStop(nullptr);
}

bool DfuEngine::Stopped() const
{
    return stop_ && stop_->load(std::memory_order_relaxed);
}

int32_t DfuEngine::Run(const EngineJob &job)
{
    const int32_t status = RunSteps(job);
    if (status == 0 || !Stopped())
        return status;
    if (abortOnStop_)
        AbortAfterStop();
    return static_cast<int32_t>(UPG_HOST_ERROR);
}

// The library unloads in the middle of a read-back or a download: the
// device is told to drop the transfer, so that it is left in dfuIDLE and not
// halfway through. A device still busy with the last block refuses ABORT
// and goes into dfuERROR, which CLRSTATUS leaves for dfuIDLE. The stop no
// longer cuts these two short, their own time-out does.
void DfuEngine::AbortAfterStop()
{
    transport_.WatchStop(nullptr);
    const ControlSetup abort{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::Abort), 0, interface_};
    if (transport_.ControlOut(abort, nullptr, 0, kStopRequestTimeoutMs) != kTransferStall)
        return;
    const ControlSetup clear{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::ClrStatus), 0, interface_};
    transport_.ControlOut(clear, nullptr, 0, kStopRequestTimeoutMs);
}

int32_t DfuEngine::RunSteps(const EngineJob &job)
{
    progress_.Report(TVXDFU_PHASE_INIT, 0, 0);
    if (const int32_t status = EnterDfuMode())
        return status;
    abortOnStop_ = true;
    if (const int32_t status = BringToIdle())
        return status;
    if (job.backupPath) {
        if (const int32_t status = ReadBack(job))
            return status;
    }
    uint16_t endBlock = 0;
    if (const int32_t status = Download(job.image, job.size, &endBlock))
        return status;
    if (const int32_t status = Manifest(endBlock))
        return status;
    progress_.Report(TVXDFU_PHASE_FINISHED, static_cast<uint32_t>(job.size), 100);
    return 0;
}

int32_t DfuEngine::EnterDfuMode()
{
    if (!transport_.Interface().dfuMode) {
        const DfuInterfaceInfo info = transport_.Interface();
        const ControlSetup detach{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::Detach),
                                  DetachTimeout(info.functional), info.interfaceNumber};
        const int result = transport_.ControlOut(detach, nullptr, 0, kRequestTimeoutMs);
        // A stop leaves a device in run-time mode as it is: no reset.
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        // Many devices stall DETACH, fail its status stage or restart before
        // answering it. None of that is a failure: the reset and the wait for
        // the device in DFU mode decide. A device that detaches by itself is
        // reset only when it did not take the request.
        const bool willDetach = info.functional.attributes & kAttrWillDetach;
        if (!willDetach || result < 0)
            transport_.ResetDevice();
        if (const int32_t status = AwaitDfuMode())
            return status;
    }
    const DfuInterfaceInfo info = transport_.Interface();
    transferSize_ = BlockSize(info.functional);
    interface_ = info.interfaceNumber;
    return 0;
}

int32_t DfuEngine::AwaitDfuMode()
{
    // Shortly after the reset the runtime device may still be listed.
    return AwaitReturn([this] { return transport_.Interface().dfuMode; });
}

template <typename Accept>
int32_t DfuEngine::AwaitReturn(Accept accept)
{
    const Micros deadline = pacer_.Now() + kReturnTimeout;
    for (;;) {
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        if (transport_.Reopen() && accept())
            return 0;
        // The transport has tried for a few seconds already.
        if (transport_.HeldByAnother())
            return kStatusDeviceBusy;
        if (pacer_.Now() >= deadline)
            return kStatusTimeout;
        pacer_.WaitForDeviceEvent(kReopenInterval);
    }
}

// The part is over once the terminal is back: the versions read when it
// ends must be the new firmware's, not those of the loader still listed for
// a moment after it left. Whether the installation worked is told by those
// versions, not by this host, so the part ends as written; a device that
// stays away is the caller's to look for.
int32_t DfuEngine::FollowRestart()
{
    const int32_t back = AwaitReturn([] { return true; });
    return back == kStatusTimeout ? 0 : back;
}

// The device stopped answering once it was told to install: many loaders
// install at once and restart, so that the zero-length DNLOAD or the
// GETSTATUS after it finds no device, fails, stalls or is never answered
// (dfu-util users meet this as "Error during download get_status" after a
// good download: particle-iot/device-os issue 599). It is followed back; one
// that comes back still in its loader without having left waits for the
// reset DFU 1.1 gives a device that does not tolerate manifestation.
int32_t DfuEngine::FollowInstallation()
{
    const int32_t back = AwaitReturn([] { return true; });
    if (back != 0)
        return back == kStatusTimeout ? 0 : back;
    if (!transport_.Interface().dfuMode)
        return 0;
    transport_.ResetDevice();
    return FollowRestart();
}

// A device left waiting for the reset that ends a manifestation goes on
// only after that reset and, back in normal operation, another DETACH.
int32_t DfuEngine::BringToIdle()
{
    bool needsReset = false;
    if (const int32_t status = ReachIdle(&needsReset))
        return status;
    if (!needsReset)
        return 0;
    abortOnStop_ = false;
    transport_.ResetDevice();
    if (const int32_t status = AwaitReturn([] { return true; }))
        return status;
    if (const int32_t status = EnterDfuMode())
        return status;
    abortOnStop_ = true;
    if (const int32_t status = ReachIdle(&needsReset))
        return status;
    return needsReset ? kStatusUnexpectedState : 0;
}

// A device left by an earlier host is brought to dfuIDLE first: out of its
// error state with CLRSTATUS, out of an unfinished transfer with ABORT, out
// of dfuDNLOAD-SYNC and dfuDNBUSY by asking its status until it is idle (as
// fwupd does: plugins/dfu/fu-dfu-device.c, refresh_and_clear). One that
// waits for the reset ending a manifestation, or answers nothing at all as
// DFU 1.1 allows it there, sets *needsReset.
int32_t DfuEngine::ReachIdle(bool *needsReset)
{
    *needsReset = false;
    Micros waited{0};
    int requests = 0;
    for (int polls = 0; polls < kMaxPollsPerStep; ++polls) {
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        DfuStatus status;
        const int got = ReadStatus(&status);
        if (got == kTransferStall || got == kTransferTimeout) {
            *needsReset = true;
            return 0;
        }
        if (got < 0)
            return TransferFailure(got);
        DfuRequest request;
        switch (status.state) {
        case DfuState::DfuIdle:
            return 0;
        case DfuState::DfuError:
            request = DfuRequest::ClrStatus;
            break;
        case DfuState::DnloadIdle:
        case DfuState::UploadIdle:
            request = DfuRequest::Abort;
            break;
        case DfuState::DnloadSync:
        case DfuState::DnBusy:
        case DfuState::ManifestSync:
        case DfuState::Manifest:
            // GETSTATUS moves it on once the announced time is over.
            if (const int32_t failure = HonourPollTimeout(status, &waited))
                return failure;
            continue;
        case DfuState::ManifestWaitReset:
            *needsReset = true;
            return 0;
        default:
            return kStatusUnexpectedState;
        }
        if (++requests > kMaxRecoveryRequests)
            return kStatusUnexpectedState;
        // A refusal (a stall puts the device into dfuERROR) shows in its
        // next status.
        const int result = Send(request);
        if (result < 0 && result != kTransferStall)
            return TransferFailure(result);
    }
    return kStatusTimeout;
}

int32_t DfuEngine::ReadBack(const EngineJob &job)
{
    progress_.Report(TVXDFU_PHASE_UPLOAD, 0, 0);
    std::vector<uint8_t> image;
    for (uint16_t block = 0;; ++block) {
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        const std::size_t at = image.size();
        if (at >= kMaxReadBackBytes) {
            SendSimple(DfuRequest::Abort);
            return kStatusUnexpectedState;
        }
        image.resize(at + transferSize_);
        const ControlSetup upload{kRequestTypeIn, static_cast<uint8_t>(DfuRequest::Upload), block,
                                  interface_};
        const int got = transport_.ControlIn(upload, image.data() + at, transferSize_, kRequestTimeoutMs);
        if (got < 0)
            return FailedRequest(got);
        image.resize(at + static_cast<std::size_t>(got));
        progress_.Report(TVXDFU_PHASE_UPLOAD, static_cast<uint32_t>(image.size()), 0);
        // A short block ends the upload; the device is back in dfuIDLE.
        if (got < transferSize_)
            break;
    }
    if (WriteBackupFile(job.backupPath, image.data(), image.size(), job.backupBcdDevice,
                        job.backupIdProduct) != 0)
        return static_cast<int32_t>(UPG_HOST_ERROR);
    return 0;
}

int32_t DfuEngine::Download(const uint8_t *image, std::size_t size, uint16_t *nextBlock)
{
    progress_.Report(TVXDFU_PHASE_DOWNLOAD, 0, 0);
    std::size_t sent = 0;
    // Block numbers start at 0 and wrap at 16 bits, as DFU 1.1 has them.
    uint16_t block = 0;
    for (; sent < size; ++block) {
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        const std::size_t length = std::min<std::size_t>(transferSize_, size - sent);
        const ControlSetup dnload{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::Dnload), block,
                                  interface_};
        const int result = transport_.ControlOut(dnload, image + sent, length, kRequestTimeoutMs);
        if (result != static_cast<int>(length))
            return FailedRequest(result < 0 ? result : kTransferIoError);
        if (const int32_t status = AwaitState(DfuState::DnloadIdle))
            return status;
        sent += length;
        progress_.Report(TVXDFU_PHASE_DOWNLOAD, static_cast<uint32_t>(sent), Percent(sent, size));
    }
    *nextBlock = block;
    return 0;
}

// After the zero-length DNLOAD, which carries the next block number as
// strict devices expect: a manifestation-tolerant device reports dfuIDLE
// when done; any other device goes into dfuMANIFEST-WAIT-RESET, or dfuIDLE
// as some do, and may stop answering after dfuMANIFEST (fwupd takes such a
// device in dfuMANIFEST as done: plugins/dfu/fu-dfu-device.c). Either way
// the reset afterwards starts the new firmware.
int32_t DfuEngine::Manifest(uint16_t block)
{
    if (Stopped())
        return static_cast<int32_t>(UPG_HOST_ERROR);
    // From here on the device installs: a stop leaves it to that.
    abortOnStop_ = false;
    const ControlSetup end{kRequestTypeOut, static_cast<uint8_t>(DfuRequest::Dnload), block, interface_};
    const int result = transport_.ControlOut(end, nullptr, 0, kRequestTimeoutMs);
    if (result == kTransferNoDevice || result == kTransferIoError)
        return FollowInstallation();
    if (result < 0)
        return FailedRequest(result);
    const bool tolerant = transport_.Interface().functional.attributes & kAttrManifestationTolerant;
    Micros waited{0};
    for (int polls = 0;; ++polls) {
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        if (polls == kMaxPollsPerStep)
            return kStatusTimeout;
        DfuStatus status;
        const int got = ReadStatus(&status);
        if (got < 0 && got != kTransferCancelled)
            return FollowInstallation();
        if (got < 0)
            return TransferFailure(got);
        if (status.status != kStatusOk)
            return DeviceError(status);
        if (const int32_t failure = HonourPollTimeout(status, &waited))
            return failure;
        // dfuIDLE is done, whatever the descriptor says of tolerance: some
        // loaders that do not tolerate manifestation still go there.
        if (status.state == DfuState::DfuIdle || status.state == DfuState::ManifestWaitReset ||
            (status.state == DfuState::Manifest && !tolerant))
            break;
        if (status.state != DfuState::ManifestSync && status.state != DfuState::Manifest)
            return kStatusUnexpectedState;
    }
    transport_.ResetDevice();
    return FollowRestart();
}

// GETSTATUS until the device reaches `target`, waiting bwPollTimeout after
// every answer before the next request.
int32_t DfuEngine::AwaitState(DfuState target)
{
    Micros waited{0};
    for (int polls = 0; polls < kMaxPollsPerStep; ++polls) {
        if (Stopped())
            return static_cast<int32_t>(UPG_HOST_ERROR);
        DfuStatus status;
        if (const int32_t failure = GetStatus(&status))
            return failure;
        if (status.status != kStatusOk)
            return DeviceError(status);
        if (const int32_t failure = HonourPollTimeout(status, &waited))
            return failure;
        if (status.state == target)
            return 0;
        if (status.state != DfuState::DnBusy && status.state != DfuState::DnloadSync)
            return kStatusUnexpectedState;
    }
    return kStatusTimeout;
}

int32_t DfuEngine::HonourPollTimeout(const DfuStatus &status, Micros *waited)
{
    const Micros poll = PollWait(status.pollTimeoutMs);
    if (*waited + poll > kMaxBusyPerStep)
        return kStatusTimeout;
    *waited += poll;
    if (poll.count() > 0)
        pacer_.SleepFor(poll);
    // A stop cuts the sleep short: the device is still busy, and nothing
    // that follows a finished wait (the reset after manifestation above all)
    // may come now.
    return Stopped() ? static_cast<int32_t>(UPG_HOST_ERROR) : 0;
}

int DfuEngine::ReadStatus(DfuStatus *status)
{
    int got = RequestStatus(status);
    for (int retry = 0; got == kTransferStall && retry < kStalledStatusRetries; ++retry) {
        pacer_.SleepFor(kStalledStatusPause);
        if (Stopped())
            return kTransferCancelled;
        got = RequestStatus(status);
    }
    return got;
}

int DfuEngine::RequestStatus(DfuStatus *status)
{
    uint8_t answer[kStatusLength] = {};
    const ControlSetup request{kRequestTypeIn, static_cast<uint8_t>(DfuRequest::GetStatus), 0, interface_};
    const int got = transport_.ControlIn(request, answer, sizeof answer, kRequestTimeoutMs);
    if (got < 0)
        return got;
    if (got != static_cast<int>(kStatusLength))
        return kTransferIoError;
    *status = DecodeStatus(answer);
    return got;
}

int32_t DfuEngine::GetStatus(DfuStatus *status)
{
    const int got = ReadStatus(status);
    return got < 0 ? TransferFailure(got) : 0;
}

int DfuEngine::Send(DfuRequest request)
{
    const ControlSetup setup{kRequestTypeOut, static_cast<uint8_t>(request), 0, interface_};
    return transport_.ControlOut(setup, nullptr, 0, kRequestTimeoutMs);
}

int32_t DfuEngine::SendSimple(DfuRequest request)
{
    const int result = Send(request);
    return result < 0 ? TransferFailure(result) : 0;
}

// The device's own error is what gets reported; CLRSTATUS leaves it in
// dfuIDLE, ready for another attempt. A bStatus beyond the defined errors
// counts as errUNKNOWN: reported as it is, 90 would read as success and
// larger values as no status the wizard knows.
int32_t DfuEngine::DeviceError(const DfuStatus &status)
{
    SendSimple(DfuRequest::ClrStatus);
    const uint8_t error = status.status <= kStatusErrStalledPkt ? status.status : kStatusErrUnknown;
    return static_cast<int32_t>(error) - kDeviceStatusOffset;
}

// A refused DNLOAD or UPLOAD: the device's status tells why.
int32_t DfuEngine::FailedRequest(int transferResult)
{
    if (transferResult != kTransferStall)
        return TransferFailure(transferResult);
    DfuStatus status;
    if (const int32_t failure = GetStatus(&status))
        return failure;
    if (status.status != kStatusOk)
        return DeviceError(status);
    SendSimple(DfuRequest::Abort);
    return kStatusUnexpectedState;
}

} // namespace tvxdfu::usb
