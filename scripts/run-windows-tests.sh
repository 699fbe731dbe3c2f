#!/usr/bin/env bash
# Builds the Windows form of the project with MinGW-w64 and runs its tests
# under Wine. Two stages: a build for this machine (build-windows/host) makes
# the tools that run while building and testing (ppu-tool), then the cross
# build (build-windows/mingw) compiles json-parser and libusb from Debian's
# source packages and the project. The tests run with ctest in a Wine prefix
# of the build folder, under Xvfb, with one wineserver kept for the whole run.
# TVX_WINDOWS_BUILD_DIR renames the build folder, TVX_WINDOWS_HOST_BUILD names
# an existing build for this machine to take the tools from, TVX_JOBS sets
# the parallelism. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
top=$root/${TVX_WINDOWS_BUILD_DIR:-build-windows}
host=${TVX_WINDOWS_HOST_BUILD:-$top/host}
jobs=${TVX_JOBS:-$(nproc)}

bash scripts/deps.sh
bash scripts/deps.sh windows

# Warnings fail the build here as in the other builds of CI.
cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTVX_BUILD_TESTS=ON -DTVX_WERROR=ON)
if command -v ccache >/dev/null; then
  cmake_args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
fi

# Debian's sources of the libraries the Windows build compiles, unpacked
# once into the build folder (never into the repository).
sources=$top/sources
mkdir -p "$sources"
fetch_source() { # fetch_source BINARY-PACKAGE: the folder of its unpacked source
  local package=$1 folder
  folder=$(find "$sources" -mindepth 2 -maxdepth 2 -type d -path "*/$package/*" | head -1)
  if [ -z "$folder" ]; then
    mkdir -p "$sources/$package"
    (cd "$sources/$package" && apt-get source -qq "$package" >/dev/null 2>&1) ||
      { echo "apt-get source $package failed" >&2; exit 1; }
    folder=$(find "$sources/$package" -mindepth 1 -maxdepth 1 -type d | head -1)
  fi
  echo "$folder"
}
jsonparser_source=$(fetch_source libjsonparser-dev)
libusb_source=$(fetch_source libusb-1.0-0-dev)

echo "==== build: host tools"
cmake -S . -B "$host" "${cmake_args[@]}"
cmake --build "$host" --target ppu-tool tvx-artgen demo-packages -j"$jobs"

echo "==== build: Windows (MinGW-w64)"
cmake -S . -B "$top/mingw" "${cmake_args[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" \
  -DTVX_JSONPARSER_SOURCE_DIR="$jsonparser_source" \
  -DTVX_LIBUSB_SOURCE_DIR="$libusb_source" \
  -DTVX_HOST_BUILD_DIR="$host"
cmake --build "$top/mingw" -j"$jobs"

echo "==== Wine prefix"
export WINEPREFIX=$top/wineprefix WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES="mscoree,mshtml="
# One wineserver for every test (a Windows program starts in a fraction of a
# second then, in seconds without), stopped on every way out.
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
# The prefix is made on the display the tests then use: the desktop process
# that wineboot starts lives on with the wineserver, and on a desktop made
# without a display no window can be made (the window tests would fail or
# wait until it ends).
prepare_prefix_and_test() { # prepare_prefix_and_test BUILD-FOLDER JOBS
  wineboot -i >/dev/null 2>&1
  # A crashing program ends with its status instead of waiting in a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineboot -u >/dev/null 2>&1
  echo "==== tests under Wine"
  ctest --test-dir "$1" --output-on-failure --timeout 300 -j"$2"
}
log=$(mktemp)
status=0
# xvfb-run is a POSIX shell script, which passes no exported function on.
xvfb-run -a bash -c "$(declare -f prepare_prefix_and_test); prepare_prefix_and_test \"\$@\"" prepare \
  "$top/mingw" "$jobs" 2>&1 | tee "$log" || status=1
summary=$(grep -E "tests passed, [0-9]+ tests? failed out of" "$log" | tail -1 || true)
rm -f "$log"
[ -n "$summary" ] || { summary="no summary (ctest did not finish)"; status=1; }
echo "Windows build under Wine: $summary"
exit $status
