// The DFU engine's host overhead on a 4 MiB download against the emulated
// device, which really sleeps the delays a device imposes (bwPollTimeout after
// each block, and the data stage at a modelled bus rate). Target: wall time
// within 2 % of the sum of those delays.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "dfulib/usb/DfuEngine.h"
#include "dfulib/usb/SteadyPacer.h"
#include "dfulib/usb/emulated/EmulatedDfuDevice.h"
#include "dfulib/usb/emulated/VirtualPacer.h"

namespace {

using namespace tvxdfu::usb;

constexpr std::size_t kImageSize = 4u << 20;

class NoProgress final : public ProgressSink {
public:
    void Report(uint32_t, uint32_t, uint32_t) override {}
};

EmulatedDeviceConfig DeviceConfig(uint16_t transferSize, uint32_t pollMs, uint64_t bytesPerSecond)
{
    EmulatedDeviceConfig config;
    config.startInDfuMode = true;
    config.transferSize = transferSize;
    config.blockPollTimeoutMs = pollMs;
    config.manifestPollTimeoutMs = pollMs;
    config.bytesPerSecond = bytesPerSecond;
    config.capacity = kImageSize;
    return config;
}

// Arguments: wTransferSize, bwPollTimeout in ms, bus rate in bytes per second.
void BM_Download4MiBRealDelays(benchmark::State &state)
{
    const std::vector<uint8_t> image(kImageSize, 0x5A);
    const auto blocks = (kImageSize + state.range(0) - 1) / state.range(0);
    double overheadSum = 0;
    double transfersPerBlock = 0;
    for (auto _ : state) {
        SteadyPacer pacer;
        EmulatedDfuDevice device(pacer, DeviceConfig(static_cast<uint16_t>(state.range(0)),
                                                     static_cast<uint32_t>(state.range(1)),
                                                     static_cast<uint64_t>(state.range(2))));
        NoProgress progress;
        DfuEngine engine(device, pacer, progress);
        EngineJob job;
        job.image = image.data();
        job.size = image.size();
        const auto start = std::chrono::steady_clock::now();
        const int32_t status = engine.Run(job);
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        if (status != 0 || device.Log().received.size() != kImageSize) {
            state.SkipWithError("download failed");
            return;
        }
        const EmulatedDeviceLog log = device.Log();
        const double imposed = std::chrono::duration<double>(log.imposed).count();
        overheadSum += (wall.count() - imposed) / imposed;
        transfersPerBlock = static_cast<double>(log.controlTransfers) / static_cast<double>(blocks);
        state.SetIterationTime(wall.count());
    }
    state.counters["overhead_pct"] = 100.0 * overheadSum / static_cast<double>(state.iterations());
    state.counters["transfers_per_block"] = transfersPerBlock;
    state.counters["blocks"] = static_cast<double>(blocks);
}
BENCHMARK(BM_Download4MiBRealDelays)
    ->Args({4096, 10, 1000000})
    ->Args({4096, 20, 1000000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The engine's own cost per block with every delay taken away.
void BM_Download4MiBVirtualTime(benchmark::State &state)
{
    const std::vector<uint8_t> image(kImageSize, 0x5A);
    for (auto _ : state) {
        VirtualPacer pacer;
        EmulatedDfuDevice device(pacer, DeviceConfig(static_cast<uint16_t>(state.range(0)), 10, 0));
        NoProgress progress;
        DfuEngine engine(device, pacer, progress);
        EngineJob job;
        job.image = image.data();
        job.size = image.size();
        benchmark::DoNotOptimize(engine.Run(job));
    }
    state.counters["per_block"] =
        benchmark::Counter(static_cast<double>((kImageSize + state.range(0) - 1) / state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Download4MiBVirtualTime)->Arg(4096)->Arg(1024)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
