#include "SteadyPacer.h"

#include <sys/prctl.h>
#include <thread>

namespace tvxdfu::usb {

Micros SteadyPacer::Now()
{
    return std::chrono::duration_cast<Micros>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyPacer::SleepFor(Micros duration)
{
    // A download waits out thousands of short poll timeouts; the default
    // timer slack of 50 us on each would add up, so this thread's is cut
    // to 1 us.
    thread_local const bool tightened = ::prctl(PR_SET_TIMERSLACK, 1000UL) == 0;
    (void)tightened;
    std::this_thread::sleep_for(duration);
}

void SteadyPacer::WaitForDeviceEvent(Micros limit)
{
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, limit, [this] { return wakePending_; });
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

} // namespace tvxdfu::usb
