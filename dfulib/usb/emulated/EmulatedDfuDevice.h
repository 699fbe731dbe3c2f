// A DFU 1.1 device behind the control-transfer interface: the standard state
// machine from appIDLE to dfuERROR, its time taken from a Pacer so tests run
// in virtual time. It records what the host did (block numbers, polls that
// came too early, transfers) and can be told to fail.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <vector>

#include "dfulib/usb/ControlTransport.h"
#include "dfulib/usb/Pacer.h"

namespace tvxdfu::usb {

struct EmulatedFault {
    DfuRequest request = DfuRequest::Dnload; // Dnload or Upload
    uint16_t block = 0;
    uint8_t status = kStatusErrWrite; // reported once, then the fault is gone
};

// How a runtime device answers DFU_DETACH; each but the first is common.
enum class DetachAnswer {
    Accept,
    Stall,       // takes it, but stalls the status stage
    IoError,     // takes it; the status stage fails
    RestartFirst // gone from the bus before it answers
};

// A loader that installs at once and restarts into the new firmware while
// the host still talks to it.
enum class InstallRestart {
    None,
    DuringEndDownload,      // the zero-length DNLOAD finds the device gone
    DuringStatus,           // the GETSTATUS after it fails
    DuringStatusStalled,    // ... is stalled
    DuringStatusUnanswered, // ... is never answered
};

// Where DFU 1.1 names the state `named`, the device goes to `instead`.
struct StateInstead {
    DfuState named;
    DfuState instead;
};

// The longest data stage the host's USB stack takes in one control transfer.
inline constexpr std::size_t kHostControlLimit = 4096;

struct EmulatedDeviceConfig {
    uint8_t attributes = kAttrCanDnload | kAttrCanUpload | kAttrManifestationTolerant;
    uint16_t transferSize = 1024;
    uint16_t detachTimeoutMs = 1000;
    uint8_t interfaceNumber = 0;
    bool startInDfuMode = false;
    DfuState dfuStartState = DfuState::DfuIdle; // left over from an earlier host
    uint8_t dfuStartStatus = kStatusOk;
    uint32_t blockPollTimeoutMs = 5; // busy time after each downloaded block
    uint32_t manifestPollTimeoutMs = 20;
    Micros reenumeration = std::chrono::milliseconds(800); // away from the bus after a reset
    bool returnsAfterReset = true;
    // Modelled time of a data stage; 0 moves data instantly.
    uint64_t bytesPerSecond = 0;
    std::size_t capacity = 16u << 20; // beyond it DNLOAD fails with errADDRESS
    std::vector<uint8_t> firmware;    // the image UPLOAD returns
    std::vector<EmulatedFault> faults;
    DetachAnswer detachAnswer = DetachAnswer::Accept;
    InstallRestart installRestart = InstallRestart::None;
    std::vector<StateInstead> statesInstead;
    // GETSTATUS requests it stalls, keeping its state, each time it is busy
    // (dfuDNBUSY, dfuMANIFEST): a loader that cannot answer while it writes
    // its flash.
    int busyStatusStalls = 0;
    // What its GETSTATUS answers state as bwPollTimeout instead of the time
    // it needs (0xFFFFFF: a loader that never fills the field in).
    std::optional<uint32_t> statedPollTimeoutMs;
};

struct EmulatedDeviceLog {
    std::vector<uint16_t> downloadBlocks;
    std::vector<uint16_t> uploadBlocks;
    int endBlock = -1;             // block number of the zero-length DNLOAD
    std::vector<uint8_t> received; // the image assembled from DNLOAD blocks
    int controlTransfers = 0;
    int earlyRequests = 0; // requests before the announced poll timeout ran out
    int detaches = 0;
    int resets = 0;
    int clearStatus = 0;
    int aborts = 0;
    bool manifested = false;
    Micros imposed{0}; // announced poll timeouts plus modelled transfer time
};

class EmulatedDfuDevice final : public ControlTransport {
public:
    EmulatedDfuDevice(Pacer &pacer, EmulatedDeviceConfig config);

    int ControlIn(const ControlSetup &setup, uint8_t *data, std::size_t length, unsigned timeoutMs) override;
    int ControlOut(const ControlSetup &setup, const uint8_t *data, std::size_t length,
                   unsigned timeoutMs) override;
    void ResetDevice() override;
    bool Reopen() override;
    DfuInterfaceInfo Interface() const override;
    // A stop ends a held transfer, which the device goes on holding.
    void WatchStop(const std::atomic<bool> *stop) override;

    // For the emulated bus and the tests.
    bool Present();
    bool InDfuMode() const;
    DfuState State() const;
    // How often it has left the bus (detached or reset); a bus that mirrors
    // the device sees each departure, however quickly it returns.
    int Departures() const;
    std::vector<uint8_t> Firmware() const;
    EmulatedDeviceLog Log() const;

    // Holds the host's next transfer until Release(), so that a test can act
    // while a part surely runs; WaitUntilHeld() returns once one waits.
    void HoldNextTransfer();
    void WaitUntilHeld();
    void Release();
    bool Holding();

private:
    // False when the host stopped before or while the device held it.
    bool PassGate();
    bool HostStopped() const;
    int Dnload(uint16_t block, const uint8_t *data, std::size_t length);
    int Upload(uint16_t block, uint8_t *data, std::size_t length);
    int GetStatus(uint8_t *data, std::size_t length);
    int Stall(uint8_t status);
    int Detach();
    void InstallAndRestart();
    void Install();
    // Goes to the state DFU 1.1 names, or to the one the device goes to
    // instead.
    void Enter(DfuState named);
    int Refusal(const ControlSetup &setup, uint8_t requestType);
    bool TakeFault(DfuRequest request, uint16_t block, uint8_t *status);
    void ModelTransfer(std::size_t bytes);
    void LeaveBus(bool dfuModeAfter);
    bool Usable();

    Pacer &pacer_;
    EmulatedDeviceConfig config_;
    mutable std::mutex mutex_;
    EmulatedDeviceLog log_;
    bool dfuMode_;
    DfuState state_;
    uint8_t status_;
    bool leftBusy_; // in dfuDNBUSY with a block of an earlier host
    bool handleOpen_ = true;
    int departures_ = 0;
    Micros absentUntil_{0};
    Micros readyAt_{0}; // end of the last announced poll timeout
    std::size_t uploadOffset_ = 0;
    int pendingBlockFault_ = -1; // bStatus to report at the next GETSTATUS
    int busyStallsLeft_ = 0;

    std::mutex gateMutex_;
    std::condition_variable gateChanged_;
    bool holdNext_ = false;
    bool holding_ = false;
    const std::atomic<bool> *stop_ = nullptr; // set and read on the host's thread
};

inline constexpr Micros kNever = Micros(std::numeric_limits<Micros::rep>::max());

} // namespace tvxdfu::usb
