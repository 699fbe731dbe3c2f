#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root).
# With the argument "windows": what the Windows build and its tests under Wine
# need, and the deb-src entries that apt-get source fetches the sources of
# json-parser and libusb through.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libssl-dev openssl libjsonparser-dev libusb-1.0-0-dev libudev-dev nlohmann-json3-dev help2man
  umockdev libumockdev-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-tidy clang-format jq
  xvfb xauth xdotool imagemagick fonts-dejavu-core
  dpkg-dev file lintian desktop-file-utils appstream
  dbus python3-dbusmock qt6-translations-l10n
)
windows_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth googletest dpkg-dev xz-utils bzip2 nsis
)
update_needed=false
if [ "${1:-}" = windows ]; then
  packages=("${windows_packages[@]}")
  # Source entries beside Debian's binary ones, same archives: a deb822 file
  # gets a -deb-src.sources twin, a one-line list a -deb-src.list.
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -e "$list" ] || continue
    source_list=${list%.sources}-deb-src.sources
    case $list in *-deb-src.sources) continue ;; esac
    if [ ! -e "$source_list" ] && grep -q "^URIs:.*debian" "$list" &&
       ! grep -q "^Types:.*deb-src" "$list"; then
      sed -e 's/^Types:.*/Types: deb-src/' "$list" > "$source_list"
    fi
  done
  if [ -e /etc/apt/sources.list ] && grep -q "^deb .*debian" /etc/apt/sources.list &&
     ! grep -q "^deb-src " /etc/apt/sources.list; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list \
      > /etc/apt/sources.list.d/debian-deb-src.list
  fi
  apt-cache showsrc libusb-1.0-0-dev 2>/dev/null | grep -q "^Package:" || update_needed=true
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || $update_needed; then
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
