#!/usr/bin/env bash
# Runs one libFuzzer target for a while: scripts/fuzz.sh TARGET SECONDS
# TARGET is a file name under tests/fuzz/ without .cpp (fuzz_package_reader,
# ...), or "all" for every target one after another. Builds the fuzz build in
# ${TVX_FUZZ_BUILD_DIR:-build-fuzz} with clang first. New inputs go to the
# build folder's corpus, the committed seeds in tests/fuzz/corpus/ are only
# read; a finding is saved under the build folder's fuzz-artifacts/ and ends
# the script with a failure. Extra libFuzzer options may follow SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET|all SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
build=${TVX_FUZZ_BUILD_DIR:-build-fuzz}

if [ ! -f "$build/CMakeCache.txt" ]; then
  if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  fi
  cmake --preset fuzz -B "$build" >/dev/null
fi

if [ "$target" = all ]; then
  targets=$(cd tests/fuzz/corpus && ls)
  cmake --build "$build" --target fuzzers -j"${TVX_JOBS:-$(nproc)}"
else
  targets=$target
  cmake --build "$build" --target "$target" -j"${TVX_JOBS:-$(nproc)}"
fi

status=0
for t in $targets; do
  corpus="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts/$t/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $t for ${seconds}s"
  # The last lines say how far it got: executions, coverage (cov) and
  # features (ft).
  if ! "$build/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$@" "$corpus" "tests/fuzz/corpus/$t" 2>"$build/fuzz-$t.log"; then
    status=1
    echo "!! $t found a fault; the input is in $artifacts" >&2
    grep -A40 -E "ERROR|expectation failed|runtime error" "$build/fuzz-$t.log" | head -60 >&2 || true
  fi
  grep -E "^#[0-9]+.*(pulse|NEW|REDUCE|DONE|INITED)" "$build/fuzz-$t.log" | tail -1
  grep -E "stat::number_of_executed_units" "$build/fuzz-$t.log" || true
done
exit $status
