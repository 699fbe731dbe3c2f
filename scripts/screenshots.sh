#!/usr/bin/env bash
# Takes the README's screenshots anew: starts the real TVXUpgrade on the
# built-in demo terminals under a virtual X display of its own, walks a whole
# upgrade of the VORN 470 M online with xdotool, and saves each step as
# docs/screenshots/NN-name.png. TVX_BUILD_DIR picks the build folder
# (default: build); it is configured and built when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

if [ -z "${TVX_SCREENSHOT_DISPLAY:-}" ]; then
  bash scripts/deps.sh
  build=${TVX_BUILD_DIR:-build}
  [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j"$(nproc)" --target TVXUpgrade demo-packages
  # Always a display of our own, so that nothing else is on the pictures.
  exec xvfb-run -a -s "-screen 0 1280x900x24" \
    env TVX_SCREENSHOT_DISPLAY=1 TVX_BUILD_DIR="$build" bash "$0" "$@"
fi

build=$(cd "${TVX_BUILD_DIR:-build}" && pwd)
out="$top/docs/screenshots"
# A fixed folder name, since the file dialogs show it.
work=/tmp/tvxupgrade-demo
rm -rf "$work"
cp -r "$build/demo" "$work"
mkdir -p "$out"
rm -f "$out"/*.png

app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "screenshots: $*" >&2
  exit 1
}

# Waits for a visible window whose name matches; prints its id.
wait_for() {
  local pattern=$1 seconds=${2:-10} id
  for _ in $(seq $((seconds * 5))); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return
    fi
    sleep 0.2
  done
  fail "no window \"$pattern\" within ${seconds}s"
}

wait_gone() {
  for _ in $(seq 50); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "window \"$1\" did not close"
}

# The screen is black around the windows; trimming leaves just them.
shot() {
  sleep 0.4
  import -window root -trim +repage "$out/$1.png"
  echo "  $1.png"
}

# Answers a message box with its default button (OK).
press_ok() {
  local box
  box=$(wait_for "$1")
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
  sleep 0.2
  xdotool key Return
  wait_gone "$1"
}

# Clicks a point of the wizard given in dialog units of its template
# (485 x 271), so that the walk follows the window's real size.
click() {
  local wizard
  wizard=$(wait_for "Firmware-Update Wizard")
  eval "$(xdotool getwindowgeometry --shell "$wizard")"
  xdotool mousemove --window "$wizard" $(($1 * WIDTH / 485)) $(($2 * HEIGHT / 271)) click 1
  sleep 0.5
}

next_button() { click 380 255; }

cd "$work"
TVX_SIMULATOR=demo LC_ALL=C.UTF-8 LANG=C.UTF-8 "$build/app/TVXUpgrade" 2>/dev/null &
app=$!

echo "Screenshots into $out:"
wait_for "firmware upgrade tool" 20 >/dev/null
shot 01-welcome
press_ok "firmware upgrade tool"
wait_for "Please prepare the terminal" >/dev/null
shot 02-preparation
press_ok "Please prepare the terminal"

# The device step: the first terminal, the VORN 470 M online.
wait_for "Firmware-Update Wizard" >/dev/null
click 60 73
shot 03-select-device
next_button

# The package step lists the folder's packages with the last one selected;
# the 470's package is the third from the end.
click 221 87
xdotool key Up Up Return
sleep 0.3
shot 04-select-package
next_button

shot 05-backup
next_button

wait_for "ready for the firmware-upgrade" >/dev/null
shot 06-ready
press_ok "ready for the firmware-upgrade"
wait_for "Firmware-upgrade start" >/dev/null
shot 07-start
press_ok "Firmware-upgrade start"

# The demo terminal's phases in real time: initialisation 2.5 s, two PIN
# prompts of 4 s, download 4 s, installation 4 s, restart 3 s.
sleep 4
shot 08-pin-entry
sleep 7.5
shot 09-download
sleep 4
shot 10-installation

wait_for "Firmware upgrade successful" 40 >/dev/null
shot 11-success
press_ok "Firmware upgrade successful"
shot 12-finished
click 440 255
wait_gone "Firmware-Update Wizard"
wait "$app" || true
app=
