#!/usr/bin/env bash
# Installs what is missing, builds, puts a ready nym2.fdb beside the program
# (never replacing one that is there) and starts the program. Without a
# display it runs the program on a virtual one, looks an acronym up and
# saves a screenshot instead.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}" fonts-liberation2
configure_and_build build
program=build/bin/orvex
[ -f build/bin/nym2.fdb ] || { echo "no dictionary beside $program" >&2; exit 1; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

# No display: show the program's main job on a virtual one.
ensure_packages xvfb xauth xdotool imagemagick
screen=99
while [ -e "/tmp/.X11-unix/X$screen" ] || [ -e "/tmp/.X$screen-lock" ]; do screen=$((screen + 1)); done
Xvfb ":$screen" -screen 0 640x400x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$screen"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$program" &
program_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Orvex$' | head -n 1)
xdotool windowmove "$window" 20 20
sleep 0.5
# No window manager gives focus here: point at the acronym box and click it.
xdotool mousemove --window "$window" 120 40 click 1
sleep 0.2
xdotool type --delay 50 'cpu'
xdotool key Return
sleep 0.5
screenshot=build/screenshot.png
import -window root -crop 420x220+0+0 +repage "$screenshot"
echo "$(pwd)/$screenshot"
