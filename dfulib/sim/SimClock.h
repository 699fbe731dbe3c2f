// The clock the simulator reads: the real steady clock unless a test or the
// wizard driver injects its own.
#pragma once

#include <cstdint>
#include <functional>

namespace tvxdfu::sim {

using ClockFunction = std::function<int64_t()>; // milliseconds, never decreasing

// An empty function restores the real steady clock.
void SetClockFunction(ClockFunction clock);

// Milliseconds of simulated time that have passed since this object was made.
// Survives a change of clock function: the new clock is read from its own
// current value on, so swapping clocks never makes time jump.
class ElapsedTime {
public:
    ElapsedTime();
    int64_t Now();

private:
    int64_t elapsed_ = 0;
    int64_t lastReading_ = 0;
    uint64_t clockGeneration_ = 0;
};

} // namespace tvxdfu::sim
