#!/usr/bin/env bash
# Installs what is missing, builds (the build also makes the demo packages)
# and starts the wizard in the demo folder on the built-in simulated
# terminals. TVX_BUILD_DIR picks the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=${TVX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target TVXUpgrade demo-packages
demo="$build/demo"
echo "Demo packages in $demo:"
ls -1 "$demo" "$demo/batch"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display to show the wizard on: run this from a desktop session," >&2
  echo "or under a virtual one: xvfb-run -a bash scripts/run-demo.sh" >&2
  exit 1
fi
export TVX_SIMULATOR=${TVX_SIMULATOR:-demo}
cd "$demo"
exec "../app/TVXUpgrade"
