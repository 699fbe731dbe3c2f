// The DFU 1.1 host side of one upgrade: brings the device into DFU mode,
// reads its firmware back when asked, downloads the new image block by
// block and has it manifested. Runs on the upgrade's worker thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "dfulib/usb/ControlTransport.h"
#include "dfulib/usb/Pacer.h"

namespace tvxdfu::usb {

// Statuses of host-side conditions, in the range the wizard shows texts for.
inline constexpr int32_t kStatusDeviceLeft = -73;      // gone from the bus mid-transfer
inline constexpr int32_t kStatusUnexpectedState = -72; // the device is not where DFU says
inline constexpr int32_t kStatusTimeout = -71;         // never came back, or never idle
inline constexpr int32_t kStatusDeviceBusy = -70;      // another program holds its interface
// A DFU bStatus error reaches the wizard as bStatus minus this.
inline constexpr int32_t kDeviceStatusOffset = 90;

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // phase: one of the TVXDFU_PHASE_ values.
    virtual void Report(uint32_t phase, uint32_t bytes, uint32_t percent) = 0;
};

struct EngineJob {
    const uint8_t *image = nullptr; // without its DFU suffix
    std::size_t size = 0;
    const char *backupPath = nullptr; // read back first when set
    uint16_t backupBcdDevice = 0;     // for the backup file's suffix
    uint16_t backupIdProduct = 0;
};

class DfuEngine {
public:
    // `stop`, when set, ends waits and transfers early (the library unloads);
    // the transport watches it while the engine lives.
    DfuEngine(ControlTransport &transport, Pacer &pacer, ProgressSink &progress,
              const std::atomic<bool> *stop = nullptr);
    ~DfuEngine();
    DfuEngine(const DfuEngine &) = delete;
    DfuEngine &operator=(const DfuEngine &) = delete;

    // 0 when the image was written and manifested, otherwise the status to
    // report: a DFU error as bStatus - 90, a host condition (-73..-71), or
    // UPG_HOST_ERROR when the backup file could not be written or the run
    // was stopped.
    int32_t Run(const EngineJob &job);

private:
    int32_t RunSteps(const EngineJob &job);
    void AbortAfterStop();
    int32_t EnterDfuMode();
    int32_t AwaitDfuMode();
    int32_t BringToIdle();
    int32_t ReachIdle(bool *needsReset);
    int32_t ReadBack(const EngineJob &job);
    int32_t Download(const uint8_t *image, std::size_t size, uint16_t *nextBlock);
    int32_t Manifest(uint16_t block);
    int32_t FollowRestart();
    int32_t FollowInstallation();
    // Looks for the device until `accept` takes it, a device event cutting
    // each wait short.
    template <typename Accept>
    int32_t AwaitReturn(Accept accept);
    int32_t AwaitState(DfuState target);

    // The transfer's result: kStatusLength, or a TransferError. ReadStatus
    // asks again when a busy device stalls the request.
    int ReadStatus(DfuStatus *status);
    int RequestStatus(DfuStatus *status);
    int32_t GetStatus(DfuStatus *status);
    int Send(DfuRequest request); // the transfer's result
    int32_t SendSimple(DfuRequest request);
    int32_t DeviceError(const DfuStatus &status);
    int32_t FailedRequest(int transferResult);
    int32_t HonourPollTimeout(const DfuStatus &status, Micros *waited);
    bool Stopped() const;

    ControlTransport &transport_;
    Pacer &pacer_;
    ProgressSink &progress_;
    const std::atomic<bool> *stop_;
    uint16_t transferSize_ = 0;
    uint16_t interface_ = 0;
    // In DFU mode and not yet told to install: a stop aborts the transfer.
    bool abortOnStop_ = false;
};

} // namespace tvxdfu::usb
