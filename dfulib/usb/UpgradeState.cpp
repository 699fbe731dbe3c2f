#include "dfulib/usb/UpgradeState.h"

#include "dfulib/include/TVXDFUUpgrade.h"

namespace tvxdfu::usb {

void UpgradeState::Report(uint32_t phase, uint32_t bytes, uint32_t percent)
{
    std::lock_guard lock(mutex_);
    if (phase == TVXDFU_PHASE_FINISHED) {
        finishReported_ = true;
        bytes_ = bytes;
        percent_ = percent;
        return;
    }
    phase_ = phase;
    bytes_ = bytes;
    percent_ = percent;
}

void UpgradeState::Finish(int32_t status)
{
    std::lock_guard lock(mutex_);
    status_ = status;
    ended_ = true;
    if (finishReported_ && status == 0) {
        phase_ = TVXDFU_PHASE_FINISHED;
        finishUnread_ = true;
    }
}

bool UpgradeState::Ended() const
{
    std::lock_guard lock(mutex_);
    return ended_;
}

uint32_t UpgradeState::Read(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status)
{
    std::lock_guard lock(mutex_);
    if (bytes)
        *bytes = bytes_;
    if (percent)
        *percent = percent_;
    if (phase)
        *phase = phase_;
    if (status)
        *status = status_;
    // The finished phase is read once as still running: the window shows
    // the manifestation complete only for a phase it sees while the part
    // runs, and ends the part on that read.
    if (finishUnread_) {
        finishUnread_ = false;
        return 0;
    }
    return ended_ ? 1u : 0u;
}

} // namespace tvxdfu::usb
