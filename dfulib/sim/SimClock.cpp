#include "dfulib/sim/SimClock.h"

#include <chrono>
#include <mutex>
#include <tuple>
#include <utility>

namespace tvxdfu::sim {
namespace {

std::mutex gMutex;
ClockFunction gClock;
uint64_t gGeneration = 0;

int64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The current reading and the generation of the clock it came from.
std::pair<int64_t, uint64_t> ReadClock()
{
    std::lock_guard lock(gMutex);
    return {gClock ? gClock() : SteadyMilliseconds(), gGeneration};
}

} // namespace

void SetClockFunction(ClockFunction clock)
{
    std::lock_guard lock(gMutex);
    gClock = std::move(clock);
    ++gGeneration;
}

ElapsedTime::ElapsedTime()
{
    std::tie(lastReading_, clockGeneration_) = ReadClock();
}

int64_t ElapsedTime::Now()
{
    const auto [reading, generation] = ReadClock();
    if (generation == clockGeneration_ && reading > lastReading_)
        elapsed_ += reading - lastReading_;
    if (generation != clockGeneration_ || reading > lastReading_)
        lastReading_ = reading;
    clockGeneration_ = generation;
    return elapsed_;
}

} // namespace tvxdfu::sim
