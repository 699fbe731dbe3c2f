// The real clock: steady time, real sleeps, and a wait that a device event
// (ConfigurationChange on the caller's thread) cuts short. Stop ends both.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "dfulib/usb/Pacer.h"

namespace tvxdfu::usb {

class SteadyPacer final : public Pacer {
public:
    Micros Now() override;
    void SleepFor(Micros duration) override;
    void WaitForDeviceEvent(Micros limit) override;
    void Wake() override;
    void Stop() override;

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool wakePending_ = false;
    std::atomic<bool> stopped_{false};
};

} // namespace tvxdfu::usb
