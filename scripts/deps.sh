#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libssl-dev openssl libjsonparser-dev libusb-1.0-0-dev libudev-dev nlohmann-json3-dev help2man
  umockdev libumockdev-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  dpkg-dev file lintian desktop-file-utils appstream
  dbus python3-dbusmock qt6-translations-l10n
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
