// The USB backend through the real libusb against terminals on the umockdev
// testbed (run under umockdev-wrapper):
// - the listing's cost on the calling (window) thread with four terminals,
//   one of which never answers its string requests: median and worst of 100
//   listings, the first and the worst after it, with the generated layouts
//   and with real loaders' layouts in the set; and the first listing of
//   four terminals, strings from sysfs against strings asked of them;
// - the host overhead of a 4 MiB download through libusb, next to the same
//   download straight into the emulated device (UsbEngineBench), the
//   device's own delays taken out of both;
// - how long unloading the library takes, from the stop to the worker's end
//   (ABORT to the terminal included), during a download: median and worst.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/src/Backend.h"
#include "dfulib/src/ProcessBackend.h"
#include "dfulib/suffix/DfuSuffix.h"
#include "dfulib/usb/DfuEngine.h"
#include "dfulib/usb/LibusbBus.h"
#include "dfulib/usb/SteadyPacer.h"
#include "dfulib/usb/testbed/LoaderLayouts.h"
#include "dfulib/usb/testbed/TestbedTerminals.h"
#include "dfulib/usb/testbed/UsbTestbed.h"

namespace {

using namespace tvxdfu::usb;
using namespace tvxdfu::usb::testbed;

constexpr std::size_t kImageSize = 4u << 20;
constexpr int kListings = 100;

// Away from the bus after a reset as long as the emulated device is by
// default, so that the figures compare with earlier runs.
TerminalSetup Terminal(const std::string &id)
{
    return Vorn470Terminal(id, std::chrono::milliseconds(800));
}

// The terminal in its loader, ready to take a 4 MiB image.
TerminalSetup LoaderTerminal(uint16_t transferSize)
{
    TerminalSetup setup = Terminal("K470A0000001");
    setup.spec.mode = tvxdfu::sim::TerminalMode::Loader;
    setup.dfu.transferSize = transferSize;
    setup.dfu.capacity = kImageSize;
    return setup;
}

class NoProgress final : public ProgressSink {
public:
    void Report(uint32_t, uint32_t, uint32_t) override {}
};

double Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// One listing as the window makes it (sizes, then texts), in milliseconds.
double ListingMs()
{
    const auto start = std::chrono::steady_clock::now();
    uint32_t productLength = 0, idLength = 0;
    ListVORNDevices(nullptr, &productLength, nullptr, &idLength);
    std::vector<char> products(productLength + 1), ids(idLength + 1);
    ListVORNDevices(products.data(), &productLength, ids.data(), &idLength);
    return Milliseconds(std::chrono::steady_clock::now() - start);
}

// The second and third terminal with real loaders' layouts: the DFU
// interface 2 of a second configuration, and a loader without a serial
// number announcing protocol 0 (asked its state, listed under its port).
void UseRealLayouts(TerminalSetup &second, TerminalSetup &third)
{
    const DfuFunctional functional{second.dfu.attributes, second.dfu.detachTimeoutMs, second.dfu.transferSize,
                                   0x0110};
    second.runtimeLayout = RuntimeBesideOtherInterfaces(functional);
    third.spec.mode = tvxdfu::sim::TerminalMode::Loader;
    third.loaderSerial = "";
    third.loaderLayout = LoaderLayout({0, 3, FunctionalPlace::AfterLastSetting, true}, functional);
}

void BM_ListingWithASilentTerminal(benchmark::State &state)
{
    for (auto _ : state) {
        UsbTestbed testbed;
        if (!testbed.Ready()) {
            state.SkipWithError("not running under umockdev-wrapper");
            return;
        }
        TerminalSetup second = Terminal("K470A0000002");
        TerminalSetup third = Terminal("K470A0000003");
        if (state.range(1) != 0)
            UseRealLayouts(second, third);
        testbed.Add(Terminal("K470A0000001"));
        testbed.Add(second);
        testbed.Add(third);
        TerminalSetup silent = Terminal("K470A0000004");
        silent.answersStrings = false;
        testbed.Add(silent);
        tvxdfu::ReplaceProcessBackend(tvxdfu::MakeUsbBackend());

        std::vector<double> times;
        for (int i = 0; i < state.range(0); ++i)
            times.push_back(ListingMs());
        tvxdfu::ReplaceProcessBackend(nullptr);
        // The first listing meets every terminal for the first time; the
        // others show what the window pays while nothing changes.
        state.counters["first_ms"] = times.front();
        state.counters["worst_after_first_ms"] = *std::max_element(times.begin() + 1, times.end());
        std::sort(times.begin(), times.end());
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["worst_ms"] = times.back();
        state.SetIterationTime(times[times.size() / 2] / 1000.0);
    }
}
BENCHMARK(BM_ListingWithASilentTerminal)
    ->Args({kListings, 0})
    ->Args({kListings, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The first listing of four answering terminals, which meets them all:
// their strings taken from sysfs (argument 1) or, where the kernel could not
// read them, asked of the terminals (0).
void BM_FirstListingOfFourTerminals(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        UsbTestbed testbed;
        if (!testbed.Ready()) {
            state.SkipWithError("not running under umockdev-wrapper");
            return;
        }
        for (const char *id : {"K470A0000001", "K470A0000002", "K470A0000003", "K470A0000004"}) {
            TerminalSetup setup = Terminal(id);
            setup.stringsInSysfs = state.range(0) != 0;
            testbed.Add(setup);
        }
        tvxdfu::ReplaceProcessBackend(tvxdfu::MakeUsbBackend());
        state.ResumeTiming();
        state.SetIterationTime(ListingMs() / 1000.0);
        state.PauseTiming();
        tvxdfu::ReplaceProcessBackend(nullptr);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstListingOfFourTerminals)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Arguments: wTransferSize, bwPollTimeout in ms, bus rate in bytes per
// second (0: no modelled data stage), as UsbEngineBench has them.
void BM_Download4MiBThroughLibusb(benchmark::State &state)
{
    const std::vector<uint8_t> image(kImageSize, 0x5A);
    const auto blocks = static_cast<double>((kImageSize + state.range(0) - 1) / state.range(0));
    for (auto _ : state) {
        UsbTestbed testbed;
        if (!testbed.Ready()) {
            state.SkipWithError("not running under umockdev-wrapper");
            return;
        }
        TerminalSetup setup = LoaderTerminal(static_cast<uint16_t>(state.range(0)));
        setup.dfu.blockPollTimeoutMs = static_cast<uint32_t>(state.range(1));
        setup.dfu.manifestPollTimeoutMs = static_cast<uint32_t>(state.range(1));
        setup.dfu.bytesPerSecond = static_cast<uint64_t>(state.range(2));
        TestbedTerminal &terminal = testbed.Add(setup);

        LibusbBus bus;
        std::unique_ptr<ControlTransport> transport;
        UsbDeviceRecord record;
        record.serial = "K470A0000001";
        if (bus.Open(record, &transport) != 0) {
            state.SkipWithError("cannot open the terminal");
            return;
        }
        SteadyPacer pacer;
        NoProgress progress;
        DfuEngine engine(*transport, pacer, progress);
        EngineJob job;
        job.image = image.data();
        job.size = image.size();
        const auto start = std::chrono::steady_clock::now();
        const int32_t status = engine.Run(job);
        const double wall = Milliseconds(std::chrono::steady_clock::now() - start);
        transport.reset();
        const EmulatedDeviceLog log = terminal.Device().Log();
        if (status != 0 || log.received.size() != kImageSize) {
            state.SkipWithError("download failed");
            return;
        }
        const double imposed = std::chrono::duration<double, std::milli>(log.imposed).count();
        if (imposed > 0)
            state.counters["overhead_pct"] = 100.0 * (wall - imposed) / imposed;
        state.counters["host_us_per_block"] = 1000.0 * (wall - imposed) / blocks;
        state.counters["transfers_per_block"] = static_cast<double>(log.controlTransfers) / blocks;
        state.SetIterationTime(wall / 1000.0);
    }
}
BENCHMARK(BM_Download4MiBThroughLibusb)
    ->Args({4096, 10, 1000000})
    ->Args({4096, 0, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Where the part is when the library unloads.
enum StopPoint { kDuringDownload, kDuringLongPoll, kDuringHeldTransfer };

// Argument: the StopPoint. Each round starts a part on the same terminal
// (in its loader) and unloads the library's backend once the part is there.
void BM_StopToWorkerEnd(benchmark::State &state)
{
    constexpr int kRounds = 20;
    const auto point = static_cast<StopPoint>(state.range(0));
    const std::vector<uint8_t> image(kImageSize, 0x5A);
    uint8_t suffix[tvx::kDfuSuffixLength];
    std::vector<uint8_t> part = image;
    tvx::WriteDfuSuffix(part.data(), part.size(), 0xFFFF, 0x0470, tvx::kVornVendorId, suffix);
    part.insert(part.end(), suffix, suffix + sizeof suffix);
    PackageEntry entry{};
    entry.kind = EntryKindPart;
    entry.data = part.data();
    entry.size = static_cast<int32_t>(part.size());
    for (auto _ : state) {
        UsbTestbed testbed;
        if (!testbed.Ready()) {
            state.SkipWithError("not running under umockdev-wrapper");
            return;
        }
        TerminalSetup setup = LoaderTerminal(4096);
        setup.dfu.blockPollTimeoutMs = point == kDuringLongPoll ? 100000 : 5;
        if (point == kDuringHeldTransfer)
            setup.silentAtBlock = 2;
        TestbedTerminal &terminal = testbed.Add(setup);
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            tvxdfu::ReplaceProcessBackend(tvxdfu::MakeUsbBackend());
            if (TVXDeviceFirmwareUpgrade("K470A0000001", 16, &entry, nullptr) != 0) {
                state.SkipWithError("the part did not start");
                return;
            }
            const int blocks = static_cast<int>(terminal.Device().Log().downloadBlocks.size());
            const auto imposed = terminal.Device().Log().imposed;
            const bool there = testbed.WaitFor(
                [&] {
                    switch (point) {
                    case kDuringLongPoll:
                        return terminal.Device().Log().imposed - imposed >= std::chrono::seconds(100);
                    case kDuringHeldTransfer:
                        return testbed.HeldTransfers() == 1;
                    default:
                        return static_cast<int>(terminal.Device().Log().downloadBlocks.size()) >= blocks + 20;
                    }
                },
                10000);
            if (!there) {
                state.SkipWithError("the part did not get there");
                return;
            }
            const auto start = std::chrono::steady_clock::now();
            tvxdfu::ReplaceProcessBackend(nullptr);
            times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
            if (terminal.Device().State() != DfuState::DfuIdle) {
                state.SkipWithError("the terminal was not left in dfuIDLE");
                return;
            }
        }
        std::sort(times.begin(), times.end());
        state.counters["median_ms"] = times[times.size() / 2];
        state.counters["worst_ms"] = times.back();
        state.SetIterationTime(times[times.size() / 2] / 1000.0);
    }
}
BENCHMARK(BM_StopToWorkerEnd)
    ->Arg(kDuringDownload)
    ->Arg(kDuringLongPoll)
    ->Arg(kDuringHeldTransfer)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
