// upgrade_soak [RUNS]: that many simulated upgrades (200 by default) after
// ten to warm up, each with the dialog created, run to Finish and destroyed.
// Prints the process's figures before and after and fails when a run does,
// when a file stays open, or when the heap grows by more than the slack.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/UpgradeSoak.h"

namespace {

constexpr int kWarmUpRuns = 10;
constexpr int kReportEvery = 50;
// A leak of even one small record per run over 200 runs is well above this.
constexpr long long kHeapSlackBytes = 8 * 1024;
// The allocator's per-thread caches keep freed blocks counted as in use and
// would blur the figures by tens of KiB; the soak runs without them.
constexpr const char *kExactHeap = "glibc.malloc.tcache_count=0:glibc.malloc.mxfast=0";

void Print(const char *when, const tvx::soak::ProcessFigures &figures)
{
    std::printf("%-22s resident %7ld KiB  heap in use %10zu bytes  open files %d\n", when, figures.residentKb,
                figures.heapInUse, figures.openFiles);
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: upgrade_soak [RUNS]\n");
        return 2;
    }
    if (!std::getenv("GLIBC_TUNABLES")) {
        setenv("GLIBC_TUNABLES", kExactHeap, 1);
        execv("/proc/self/exe", argv);
    }
    setenv("LC_ALL", "C", 1);
    tvx::soak::UpgradeSoak soak;
    std::string error;
    Print("at start", tvx::soak::MeasureProcess()); // also gives stdout its buffer
    for (int i = 0; i < kWarmUpRuns; ++i)
        if (!soak.RunOnce(&error)) {
            std::fprintf(stderr, "warm-up run %d: %s\n", i + 1, error.c_str());
            return 1;
        }
    const tvx::soak::ProcessFigures before = tvx::soak::MeasureProcess();
    Print("after warm-up", before);
    for (int i = 1; i <= runs; ++i) {
        if (!soak.RunOnce(&error)) {
            std::fprintf(stderr, "run %d: %s\n", i, error.c_str());
            return 1;
        }
        if (i % kReportEvery == 0 && i != runs)
            Print(("after " + std::to_string(i) + " runs").c_str(), tvx::soak::MeasureProcess());
    }
    const tvx::soak::ProcessFigures after = tvx::soak::MeasureProcess();
    Print(("after " + std::to_string(runs) + " runs").c_str(), after);
    const long long heapGrowth =
        static_cast<long long>(after.heapInUse) - static_cast<long long>(before.heapInUse);
    const long residentGrowth = after.residentKb - before.residentKb;
    std::printf("growth per run: heap %.1f bytes, resident %.2f KiB\n",
                static_cast<double>(heapGrowth) / runs, static_cast<double>(residentGrowth) / runs);

    bool sound = true;
    if (after.openFiles != before.openFiles) {
        std::fprintf(stderr, "open files went from %d to %d\n", before.openFiles, after.openFiles);
        sound = false;
    }
    if (heapGrowth > kHeapSlackBytes) {
        std::fprintf(stderr, "the heap grew by %lld bytes\n", heapGrowth);
        sound = false;
    }
    return sound ? 0 : 1;
}
