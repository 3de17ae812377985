#!/usr/bin/env bash
# Installs what is missing, builds the program alone (the tests are
# ./test.sh's), puts a ready nym2.fdb beside it (never replacing one that is
# there), says where both are and starts the program. Without a display it
# runs the program on a virtual one, looks an acronym up and saves a
# screenshot instead; every wait there has a limit. One line a stage: the
# output of each goes to build/run.log, and a stage that fails says so and
# where that log is.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}" fonts-liberation2
mkdir -p build
log=$PWD/build/run.log
: >"$log"
stage() { # what command...
    local what=$1
    shift
    echo "$what"
    echo "== $what: $*" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        tail -n 15 "$log" >&2
        echo "run.sh: failed while ${what,}; the whole output is in $log" >&2
        exit 1
    fi
}
program_pid='' xvfb='' own_runtime=''
cleanup() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    [ -z "$own_runtime" ] || rm -rf "$own_runtime"
}
trap cleanup EXIT
# Qt wants a private folder for run-time files, which a root shell or a
# plain ssh session may not have; one of its own spares its warning.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    own_runtime=$(mktemp -d "${TMPDIR:-/tmp}/orvex-runtime.XXXXXX")
    export XDG_RUNTIME_DIR=$own_runtime
fi
# The build folder ./test.sh uses, so that neither builds twice.
stage "Configuring the build in build/" cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "Building the program, orvex-web and the dictionary" cmake --build build -j"$(nproc)" --target orvex orvex-web dictionary
program=$PWD/build/bin/orvex
dictionary=$PWD/build/bin/nym2.fdb
[ -f "$dictionary" ] || { echo "no dictionary beside $program" >&2; exit 1; }
echo "Program:    $program"
echo "Dictionary: $dictionary (your words; a new build keeps it)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$program"
    exit
fi

# No display: show the program's main job on a virtual one.
give_up() {
    echo "No screenshot: $*. Orvex needs a display to show its window (the output is in $log)." >&2
    exit 1
}
ensure_packages xvfb xauth xdotool imagemagick
screen=99
while [ -e "/tmp/.X11-unix/X$screen" ] || [ -e "/tmp/.X$screen-lock" ]; do screen=$((screen + 1)); done
Xvfb ":$screen" -screen 0 640x400x24 -nolisten tcp >>"$log" 2>&1 &
xvfb=$!
export DISPLAY=":$screen"
# On the virtual display, whatever platform the environment names.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
ready=false
for _ in $(seq 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && { ready=true; break; }
    sleep 0.1
done
$ready || give_up "the virtual display (Xvfb) did not start within 5 seconds"

"$program" >>"$log" 2>&1 &
program_pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Orvex$' | head -n 1) || true
[ -n "$window" ] || give_up "the main window did not appear within 10 seconds"
xdotool windowmove "$window" 20 20
sleep 0.5
# No window manager gives focus here: point at the acronym box and click it.
xdotool mousemove --window "$window" 120 40 click 1
sleep 0.2
xdotool type --delay 50 'cpu'
xdotool key Return
sleep 0.5
screenshot=$PWD/build/screenshot.png
timeout 10 import -window root -crop 420x220+0+0 +repage "$screenshot" || give_up "the screen could not be captured"
echo "Screenshot: $screenshot (Orvex after looking up \"cpu\" on a virtual display)"
