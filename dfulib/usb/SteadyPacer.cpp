#include "dfulib/usb/SteadyPacer.h"

#include <thread>

#include "dfulib/usb/FineTimer.h"

namespace tvxdfu::usb {

Micros SteadyPacer::Now()
{
    return std::chrono::duration_cast<Micros>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyPacer::SleepFor(Micros duration)
{
    // The thread asks for a fine timer (FineTimer.h), sleeps to shortly
    // before the deadline and yields the last stretch away, which costs a
    // few percent of one core while it waits.
    // The sleep is a wait on the stop, so that unloading the library does
    // not wait out a poll timeout of up to two minutes.
    constexpr Micros kYieldStretch{300};
    AskFineTimer();
    const auto deadline = std::chrono::steady_clock::now() + duration;
    if (duration > kYieldStretch) {
        std::unique_lock lock(mutex_);
        woken_.wait_until(lock, deadline - kYieldStretch, [this] { return stopped_.load(); });
    }
    while (!stopped_ && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
}

void SteadyPacer::WaitForDeviceEvent(Micros limit)
{
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, limit, [this] { return wakePending_ || stopped_; });
    wakePending_ = false;
}

void SteadyPacer::Wake()
{
    {
        std::lock_guard lock(mutex_);
        wakePending_ = true;
    }
    woken_.notify_all();
}

void SteadyPacer::Stop()
{
    {
        // Set under the mutex, so that a sleeper between its check and its
        // wait cannot miss the notification.
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    woken_.notify_all();
}

} // namespace tvxdfu::usb
