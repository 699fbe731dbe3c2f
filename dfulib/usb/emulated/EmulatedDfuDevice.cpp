#include "dfulib/usb/emulated/EmulatedDfuDevice.h"

#include <algorithm>
#include <cstring>

namespace tvxdfu::usb {

EmulatedDfuDevice::EmulatedDfuDevice(Pacer &pacer, EmulatedDeviceConfig config)
    : pacer_(pacer), config_(std::move(config)), dfuMode_(config_.startInDfuMode),
      state_(dfuMode_ ? config_.dfuStartState : DfuState::AppIdle),
      status_(dfuMode_ ? config_.dfuStartStatus : kStatusOk), leftBusy_(state_ == DfuState::DnBusy)
{
}

bool EmulatedDfuDevice::Usable()
{
    return handleOpen_ && pacer_.Now() >= absentUntil_;
}

bool EmulatedDfuDevice::Present()
{
    std::lock_guard lock(mutex_);
    return pacer_.Now() >= absentUntil_;
}

bool EmulatedDfuDevice::InDfuMode() const
{
    std::lock_guard lock(mutex_);
    return dfuMode_;
}

DfuState EmulatedDfuDevice::State() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

int EmulatedDfuDevice::Departures() const
{
    std::lock_guard lock(mutex_);
    return departures_;
}

std::vector<uint8_t> EmulatedDfuDevice::Firmware() const
{
    std::lock_guard lock(mutex_);
    return config_.firmware;
}

EmulatedDeviceLog EmulatedDfuDevice::Log() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

DfuInterfaceInfo EmulatedDfuDevice::Interface() const
{
    std::lock_guard lock(mutex_);
    DfuInterfaceInfo info;
    info.interfaceNumber = config_.interfaceNumber;
    info.dfuMode = dfuMode_;
    info.functional.attributes = config_.attributes;
    info.functional.detachTimeoutMs = config_.detachTimeoutMs;
    info.functional.transferSize = config_.transferSize;
    info.functional.dfuVersion = 0x0110;
    return info;
}

int EmulatedDfuDevice::Stall(uint8_t status)
{
    if (dfuMode_) {
        state_ = DfuState::DfuError;
        status_ = status;
    }
    return kTransferStall;
}

void EmulatedDfuDevice::ModelTransfer(std::size_t bytes)
{
    if (config_.bytesPerSecond == 0 || bytes == 0)
        return;
    const Micros time(static_cast<Micros::rep>(bytes * 1000000 / config_.bytesPerSecond));
    // What the sleep really took counts as the device's, so that its
    // lateness is not charged to the host.
    const Micros start = pacer_.Now();
    pacer_.SleepFor(time);
    log_.imposed += pacer_.Now() - start;
}

bool EmulatedDfuDevice::TakeFault(DfuRequest request, uint16_t block, uint8_t *status)
{
    const auto fault =
        std::find_if(config_.faults.begin(), config_.faults.end(),
                     [&](const EmulatedFault &f) { return f.request == request && f.block == block; });
    if (fault == config_.faults.end())
        return false;
    *status = fault->status;
    config_.faults.erase(fault);
    return true;
}

void EmulatedDfuDevice::LeaveBus(bool dfuModeAfter)
{
    handleOpen_ = false;
    ++departures_;
    absentUntil_ = config_.returnsAfterReset ? pacer_.Now() + config_.reenumeration : kNever;
    dfuMode_ = dfuModeAfter;
    state_ = dfuModeAfter ? DfuState::DfuIdle : DfuState::AppIdle;
    status_ = kStatusOk;
    readyAt_ = Micros{0};
}

// Counts the transfer and refuses what the device would not take now: gone,
// asked too early while busy, or not addressed to its DFU interface. 0 lets
// the request through.
int EmulatedDfuDevice::Refusal(const ControlSetup &setup, uint8_t requestType)
{
    ++log_.controlTransfers;
    if (!Usable())
        return kTransferNoDevice;
    if (pacer_.Now() < readyAt_) {
        ++log_.earlyRequests;
        if (state_ == DfuState::DnBusy || state_ == DfuState::Manifest)
            return Stall(kStatusErrStalledPkt);
    }
    if (setup.requestType != requestType || setup.index != config_.interfaceNumber)
        return Stall(kStatusErrStalledPkt);
    return 0;
}

namespace {

// The host's stack refuses a longer data stage before it reaches the bus.
int HostStackRefusal(std::size_t length)
{
    return length > kHostControlLimit ? kTransferIoError : 0;
}

} // namespace

int EmulatedDfuDevice::Detach()
{
    if (state_ != DfuState::AppIdle)
        return Stall(kStatusErrStalledPkt);
    ++log_.detaches;
    state_ = DfuState::AppDetach;
    if (config_.detachAnswer == DetachAnswer::RestartFirst) {
        LeaveBus(true);
        return kTransferNoDevice;
    }
    if (config_.attributes & kAttrWillDetach)
        LeaveBus(true);
    switch (config_.detachAnswer) {
    case DetachAnswer::Stall:
        return kTransferStall;
    case DetachAnswer::IoError:
        return kTransferIoError;
    default:
        return 0;
    }
}

void EmulatedDfuDevice::Install()
{
    log_.manifested = true;
    config_.firmware = log_.received;
}

void EmulatedDfuDevice::InstallAndRestart()
{
    Install();
    LeaveBus(false);
}

void EmulatedDfuDevice::Enter(DfuState named)
{
    state_ = named;
    for (const StateInstead &swap : config_.statesInstead) {
        if (swap.named == named)
            state_ = swap.instead;
    }
    if (state_ == DfuState::DnBusy || state_ == DfuState::Manifest)
        busyStallsLeft_ = config_.busyStatusStalls;
}

void EmulatedDfuDevice::HoldNextTransfer()
{
    std::lock_guard lock(gateMutex_);
    holdNext_ = true;
}

void EmulatedDfuDevice::WaitUntilHeld()
{
    std::unique_lock lock(gateMutex_);
    gateChanged_.wait(lock, [this] { return holding_; });
}

void EmulatedDfuDevice::Release()
{
    {
        std::lock_guard lock(gateMutex_);
        holdNext_ = false;
        holding_ = false;
    }
    gateChanged_.notify_all();
}

bool EmulatedDfuDevice::Holding()
{
    std::lock_guard lock(gateMutex_);
    return holding_;
}

void EmulatedDfuDevice::WatchStop(const std::atomic<bool> *stop)
{
    stop_ = stop;
}

bool EmulatedDfuDevice::HostStopped() const
{
    return stop_ && stop_->load();
}

bool EmulatedDfuDevice::PassGate()
{
    if (HostStopped())
        return false;
    std::unique_lock lock(gateMutex_);
    if (!holdNext_)
        return true;
    holdNext_ = false;
    holding_ = true;
    gateChanged_.notify_all();
    // Nothing tells the device of the host's stop, so the hold looks at it
    // every millisecond, as the host's event loop does in slices.
    while (!gateChanged_.wait_for(lock, std::chrono::milliseconds(1), [this] { return !holding_; })) {
        if (HostStopped())
            return false;
    }
    return true;
}

int EmulatedDfuDevice::ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length, unsigned)
{
    if (!PassGate())
        return kTransferCancelled;
    std::lock_guard lock(mutex_);
    if (const int refused = HostStackRefusal(length))
        return refused;
    if (const int refused = Refusal(setup, kRequestTypeIn))
        return refused;
    switch (static_cast<DfuRequest>(setup.request)) {
    case DfuRequest::GetStatus:
        return GetStatus(data, length);
    case DfuRequest::GetState:
        if (length < 1)
            return Stall(kStatusErrStalledPkt);
        data[0] = static_cast<uint8_t>(state_);
        return 1;
    case DfuRequest::Upload:
        if (!dfuMode_)
            return Stall(kStatusErrStalledPkt);
        return Upload(setup.value, data, length);
    default:
        return Stall(kStatusErrStalledPkt);
    }
}

int EmulatedDfuDevice::ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length,
                                  unsigned)
{
    if (!PassGate())
        return kTransferCancelled;
    std::lock_guard lock(mutex_);
    if (const int refused = HostStackRefusal(length))
        return refused;
    if (const int refused = Refusal(setup, kRequestTypeOut))
        return refused;
    const auto request = static_cast<DfuRequest>(setup.request);
    if (!dfuMode_)
        return request == DfuRequest::Detach ? Detach() : Stall(kStatusErrStalledPkt);
    switch (request) {
    case DfuRequest::Dnload:
        return Dnload(setup.value, data, length);
    case DfuRequest::ClrStatus:
        if (state_ != DfuState::DfuError)
            return Stall(kStatusErrStalledPkt);
        ++log_.clearStatus;
        state_ = DfuState::DfuIdle;
        status_ = kStatusOk;
        return 0;
    case DfuRequest::Abort:
        if (state_ != DfuState::DfuIdle && state_ != DfuState::DnloadIdle && state_ != DfuState::UploadIdle)
            return Stall(kStatusErrStalledPkt);
        ++log_.aborts;
        state_ = DfuState::DfuIdle;
        return 0;
    default:
        return Stall(kStatusErrStalledPkt);
    }
}

int EmulatedDfuDevice::Dnload(uint16_t block, const uint8_t *data, std::size_t length)
{
    if (state_ != DfuState::DfuIdle && state_ != DfuState::DnloadIdle)
        return Stall(kStatusErrStalledPkt);
    if (length == 0) {
        // Ending a download that never began is refused, and so is an end
        // that does not carry the next block number.
        log_.endBlock = block;
        if (state_ == DfuState::DfuIdle || log_.downloadBlocks.empty() ||
            block != static_cast<uint16_t>(log_.downloadBlocks.back() + 1))
            return Stall(kStatusErrNotDone);
        if (config_.installRestart == InstallRestart::DuringEndDownload) {
            InstallAndRestart();
            return kTransferNoDevice;
        }
        state_ = DfuState::ManifestSync;
        return 0;
    }
    if (!(config_.attributes & kAttrCanDnload))
        return Stall(kStatusErrStalledPkt);
    if (state_ == DfuState::DfuIdle)
        log_.received.clear();
    log_.downloadBlocks.push_back(block);
    ModelTransfer(length);
    uint8_t fault = kStatusOk;
    if (log_.received.size() + length > config_.capacity)
        pendingBlockFault_ = kStatusErrAddress;
    else if (TakeFault(DfuRequest::Dnload, block, &fault))
        pendingBlockFault_ = fault;
    else
        log_.received.insert(log_.received.end(), data, data + length);
    state_ = DfuState::DnloadSync;
    return static_cast<int>(length);
}

int EmulatedDfuDevice::Upload(uint16_t block, uint8_t *data, std::size_t length)
{
    if (!(config_.attributes & kAttrCanUpload) ||
        (state_ != DfuState::DfuIdle && state_ != DfuState::UploadIdle))
        return Stall(kStatusErrStalledPkt);
    if (state_ == DfuState::DfuIdle)
        uploadOffset_ = 0;
    log_.uploadBlocks.push_back(block);
    uint8_t fault = kStatusOk;
    if (TakeFault(DfuRequest::Upload, block, &fault))
        return Stall(fault);
    const std::size_t count = std::min(length, config_.firmware.size() - uploadOffset_);
    if (count > 0)
        std::memcpy(data, config_.firmware.data() + uploadOffset_, count);
    ModelTransfer(count);
    uploadOffset_ += count;
    state_ = count < length ? DfuState::DfuIdle : DfuState::UploadIdle;
    return static_cast<int>(count);
}

int EmulatedDfuDevice::GetStatus(uint8_t *data, std::size_t length)
{
    if (length < kStatusLength)
        return Stall(kStatusErrStalledPkt);
    const Micros now = pacer_.Now();
    if ((state_ == DfuState::DnBusy || state_ == DfuState::Manifest) && busyStallsLeft_ > 0) {
        --busyStallsLeft_;
        return kTransferStall;
    }
    DfuStatus answer;
    switch (state_) {
    case DfuState::DnloadSync:
        if (pendingBlockFault_ >= 0) {
            state_ = DfuState::DfuError;
            status_ = static_cast<uint8_t>(pendingBlockFault_);
            pendingBlockFault_ = -1;
        } else if (config_.blockPollTimeoutMs > 0) {
            Enter(DfuState::DnBusy);
            answer.pollTimeoutMs = config_.blockPollTimeoutMs;
        } else {
            Enter(DfuState::DnloadIdle);
        }
        break;
    case DfuState::DnBusy:
        // Left busy by an earlier host: the block it writes takes its time.
        if (leftBusy_)
            answer.pollTimeoutMs = config_.blockPollTimeoutMs;
        else
            Enter(DfuState::DnloadIdle);
        leftBusy_ = false;
        break;
    case DfuState::ManifestSync:
        switch (config_.installRestart) {
        case InstallRestart::DuringStatus:
            InstallAndRestart();
            return kTransferIoError;
        case InstallRestart::DuringStatusStalled:
            InstallAndRestart();
            return kTransferStall;
        case InstallRestart::DuringStatusUnanswered:
            InstallAndRestart();
            return kTransferTimeout;
        default:
            break;
        }
        Enter(DfuState::Manifest);
        answer.pollTimeoutMs = config_.manifestPollTimeoutMs;
        // One that goes on at once has its image in place already.
        if (state_ != DfuState::Manifest)
            Install();
        break;
    case DfuState::Manifest:
        // The announced time has passed: the image is in place.
        Install();
        if (!(config_.attributes & kAttrManifestationTolerant)) {
            Enter(DfuState::ManifestWaitReset);
            // Such a device answers nothing more until it is reset.
            if (state_ == DfuState::ManifestWaitReset)
                return kTransferStall;
        } else {
            Enter(DfuState::DfuIdle);
        }
        break;
    case DfuState::ManifestWaitReset:
        return kTransferStall;
    default:
        break;
    }
    answer.state = state_;
    answer.status = status_;
    readyAt_ = now + std::chrono::milliseconds(answer.pollTimeoutMs);
    log_.imposed += std::chrono::milliseconds(answer.pollTimeoutMs);
    if (config_.statedPollTimeoutMs && answer.pollTimeoutMs > 0)
        answer.pollTimeoutMs = *config_.statedPollTimeoutMs;
    EncodeStatus(answer, data);
    return static_cast<int>(kStatusLength);
}

void EmulatedDfuDevice::ResetDevice()
{
    std::lock_guard lock(mutex_);
    ++log_.resets;
    if (!Usable()) {
        handleOpen_ = false;
        return;
    }
    // A non-tolerant device finishes its manifestation on its own once the
    // announced time is over; the reset then starts the new image.
    if (state_ == DfuState::Manifest && pacer_.Now() >= readyAt_) {
        log_.manifested = true;
        config_.firmware = log_.received;
    }
    LeaveBus(!dfuMode_ && state_ == DfuState::AppDetach);
}

bool EmulatedDfuDevice::Reopen()
{
    std::lock_guard lock(mutex_);
    if (pacer_.Now() < absentUntil_)
        return false;
    handleOpen_ = true;
    return true;
}

} // namespace tvxdfu::usb
