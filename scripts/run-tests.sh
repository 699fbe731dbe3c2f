#!/usr/bin/env bash
# Installs what is missing, builds and runs every test, in four builds made
# from the presets of CMakePresets.json and a fifth for Windows; each build
# fails on a compiler warning of ours (TVX_WERROR):
#   build         the normal build, the whole suite (preset normal), then
#                 clang-tidy over it (scripts/tidy.sh) and the layout
#                 check (scripts/format.sh --check)
#   build-asan    the whole suite again under ASan+UBSan (-fno-sanitize-recover)
#   build-tsan    the device library's threaded tests under ThreadSanitizer
#   build-fuzz    a short run of every fuzz target (clang, libFuzzer)
#   build-windows the Windows build (MinGW-w64), its tests under Wine
#                 (scripts/run-windows-tests.sh, docs/windows.md);
#                 TVX_WINDOWS_TESTS=0 leaves it out
# Fails when any test fails, clang-tidy finds anything or a file is not laid
# out as .clang-format says; the summary of every ctest run is printed last.
# TVX_BUILD_DIR renames the normal build, TVX_FUZZ_SECONDS (default 60) sets
# the fuzz runs' length, TVX_JOBS the parallelism.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
root=$PWD
build=${TVX_BUILD_DIR:-build}
jobs=${TVX_JOBS:-$(nproc)}
fuzz_seconds=${TVX_FUZZ_SECONDS:-60}

# CMake takes a compiler launcher from these on a build's first configure;
# the presets cannot ask whether ccache is there.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  # Paths relative to the checkout, so that a fresh clone elsewhere (as CI
  # makes) still finds what an earlier run compiled.
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

# Sanitizer reports end the test that triggers them. Leaks inside system
# libraries (Qt, fontconfig) are suppressed by tests/lsan.supp; ours never are.
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

summaries=()
failed=0
total_passed=0
total_failed=0
# run_ctest LABEL [ctest options]: runs the tests and keeps the summary.
run_ctest() {
  local label=$1
  shift
  local log
  log=$(mktemp)
  echo "==== $label"
  if ! ctest -j"$jobs" "$@" 2>&1 | tee "$log"; then
    failed=1
  fi
  keep_summary "$label" "$log"
  rm -f "$log"
}

# keep_summary LABEL LOG: notes the last ctest summary in LOG.
keep_summary() {
  local label=$1 log=$2 line
  line=$(grep -oE "[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -1 || true)
  [ -n "$line" ] || { line="no summary (ctest did not finish)"; failed=1; }
  summaries+=("$label: $line")
  if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    total_failed=$((total_failed + BASH_REMATCH[1]))
    total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
}

echo "==== build: normal"
if [ "$build" = build ]; then
  cmake --preset normal
  cmake --build --preset normal -j"$jobs"
  run_ctest "normal build" --preset normal
else
  # The preset's folder moved: its test settings (output on failure, the
  # five-minute limit on a hanging test) are given by hand.
  cmake --preset normal -B "$build"
  cmake --build "$build" -j"$jobs"
  run_ctest "normal build" --test-dir "$build" --output-on-failure --timeout 300
fi

# clang-tidy over our sources as the normal build compiles them; a finding
# fails the run like a failed test.
echo "==== clang-tidy"
if TVX_JOBS=$jobs bash scripts/tidy.sh "$build"; then
  summaries+=("clang-tidy: no findings")
else
  summaries+=("clang-tidy: findings (listed above)")
  failed=1
fi

echo "==== layout (.clang-format)"
if bash scripts/format.sh --check; then
  summaries+=("layout: as .clang-format says")
else
  summaries+=("layout: files differ (listed above)")
  failed=1
fi

echo "==== build: ASan+UBSan"
cmake --preset asan
cmake --build --preset asan -j"$jobs"
run_ctest "ASan+UBSan build" --preset asan

echo "==== build: TSan (device library's threaded tests)"
cmake --preset tsan
cmake --build --preset tsan -j"$jobs"
run_ctest "TSan, device library" --preset tsan

echo "==== build: fuzz targets (${fuzz_seconds}s each)"
cmake --preset fuzz -DTVX_FUZZ_SECONDS="$fuzz_seconds"
cmake --build --preset fuzz -j"$jobs"
run_ctest "fuzz runs" --preset fuzz

# It installs MinGW-w64 and Wine (about 1 GB) and builds libusb and
# json-parser first; a developer without the room says TVX_WINDOWS_TESTS=0.
if [ "${TVX_WINDOWS_TESTS:-1}" = 1 ]; then
  echo "==== build: Windows (MinGW-w64), tests under Wine"
  windows_log=$(mktemp)
  TVX_JOBS=$jobs TVX_WINDOWS_HOST_BUILD=$(realpath "$build") bash scripts/run-windows-tests.sh 2>&1 | tee "$windows_log" || failed=1
  keep_summary "Windows build under Wine" "$windows_log"
  rm -f "$windows_log"
fi

echo "==== summary"
printf '%s\n' "${summaries[@]}"
echo "all builds: $total_passed passed, $total_failed failed"
exit $failed
