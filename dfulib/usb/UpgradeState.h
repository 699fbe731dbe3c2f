// The state of the running upgrade as GetUpgradeStatus reports it: written
// by the worker, read by the caller's thread, always under the mutex. The
// finished phase shows only together with the end: a caller that sees it
// may start the next part at once, while the worker may still be closing
// the device.
#pragma once

#include <cstdint>
#include <mutex>

#include "dfulib/usb/DfuEngine.h"

namespace tvxdfu::usb {

class UpgradeState final : public ProgressSink {
public:
    void Report(uint32_t phase, uint32_t bytes, uint32_t percent) override;
    void Finish(int32_t status);
    bool Ended() const;
    // 0 while the upgrade runs, 1 once it has ended.
    uint32_t Read(uint32_t *bytes, uint32_t *percent, uint32_t *phase, int32_t *status);

private:
    mutable std::mutex mutex_;
    uint32_t phase_ = 0;
    uint32_t bytes_ = 0;
    uint32_t percent_ = 0;
    int32_t status_ = 0;
    bool ended_ = false;
    bool finishReported_ = false;
    bool finishUnread_ = false;
};

} // namespace tvxdfu::usb
