// The engine's sense of time: a monotonic clock, sleeps, and waiting for a
// device event. The real one sleeps; tests and the emulated device use a
// virtual one, so a long poll timeout costs no wall time there.
#pragma once

#include <chrono>

namespace tvxdfu::usb {

using Micros = std::chrono::microseconds;

class Pacer {
public:
    virtual ~Pacer() = default;
    virtual Micros Now() = 0;
    virtual void SleepFor(Micros duration) = 0;
    // Sleeps up to `limit`, returning early when Wake() was called since the
    // last wait.
    virtual void WaitForDeviceEvent(Micros limit) = 0;
    // Callable from any thread.
    virtual void Wake() = 0;
    // Ends the sleep or wait under way and every later one at once, for
    // good: the library is unloading. Callable from any thread.
    virtual void Stop() = 0;
};

} // namespace tvxdfu::usb
