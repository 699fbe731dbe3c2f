// Virtual time for the engine and the emulated device: sleeping only moves
// the clock on, so a run with long poll timeouts takes no wall time. Safe to
// share between the worker and the polling thread.
#pragma once

#include <atomic>

#include "dfulib/usb/Pacer.h"

namespace tvxdfu::usb {

class VirtualPacer final : public Pacer {
public:
    Micros Now() override { return Micros(now_.load()); }
    void SleepFor(Micros duration) override { now_ += duration.count(); }
    // A pending Wake ends the wait at once; otherwise the whole limit passes.
    void WaitForDeviceEvent(Micros limit) override
    {
        ++waits_;
        if (!wakePending_.exchange(false))
            now_ += limit.count();
    }
    void Wake() override { wakePending_ = true; }
    // Virtual sleeps take no wall time: there is nothing to cut short.
    void Stop() override {}
    int Waits() const { return waits_.load(); }

private:
    std::atomic<Micros::rep> now_{0};
    std::atomic<bool> wakePending_{false};
    std::atomic<int> waits_{0};
};

} // namespace tvxdfu::usb
