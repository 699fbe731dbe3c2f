#!/usr/bin/env bash
# Installs what is missing, builds and starts the wizard on simulated
# terminals with demo packages.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
build=${TVX_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
export TVX_SIMULATOR=${TVX_SIMULATOR:-demo}
demo="$build/demo"
mkdir -p "$demo"
cd "$demo"
exec "../app/TVXUpgrade"
