#!/usr/bin/env bash
# The real program on a virtual display, with the desktop's accessibility
# bus, driven and read through AT-SPI alone as a screen reader does: find the
# acronym box by its name, type into it, press Find, read the definition;
# then open the other three windows and find a name for every control.
#   atspi_test.sh PROGRAM DICTIONARY
# Needs xvfb, dbus, at-spi2-core and python3-pyatspi (the test packages of
# scripts/packages.sh); any of them missing fails the test.
set -euo pipefail
program=$1
dictionary=$2
here=$(cd "$(dirname "$0")" && pwd)
# The system's Python, which the pyatspi package installs into.
python=/usr/bin/python3

missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v dbus-run-session >/dev/null || missing+=(dbus)
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi2-core)
"$python" -c 'import pyatspi' 2>/dev/null || missing+=(python3-pyatspi)
if [ ${#missing[@]} -gt 0 ]; then
    echo "FAIL: missing ${missing[*]} (install the test packages of scripts/packages.sh)" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-atspi.XXXXXX")
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The program opens the dictionary beside itself: a copy of each in a folder
# of their own, so the build's dictionary is never written.
cp "$program" "$work/orvex"
cp "$dictionary" "$work/nym2.fdb"

# Built with AddressSanitizer (./test.sh --sanitize), the program would be
# stopped inside libxkbcommon-x11, which reads a keymap name from libxcb past
# its end as Qt connects to the display: not ours to mend, so that one check
# is off here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_strndup=0"
export work python here

# One run: a display of its own, then a session bus of its own on which the
# accessibility bus is started on demand; the program and the reader both
# find it there. Exits 75 when the display went away under the program, which
# is the virtual display's fault and not the program's.
attempt() {
    rm -f "$work/display" "$work/orvex.log"
    # Xvfb writes the number it took once it is ready.
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
    [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
    local status=0
    DISPLAY=":$(head -n 1 "$work/display")" dbus-run-session -- bash -c '
        set -euo pipefail
        unset AT_SPI_BUS_ADDRESS
        # What a screen reader does as it starts: turn accessibility on for
        # the session, which the program asks about as it starts.
        dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
            org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled \
            variant:boolean:true >/dev/null
        QT_QPA_PLATFORM=xcb "$work/orvex" >"$work/orvex.log" 2>&1 &
        program=$!
        status=0
        timeout 60 "$python" "$here/atspi_lookup.py" || status=$?
        kill "$program" 2>/dev/null || true
        wait "$program" 2>/dev/null || true
        if [ "$status" -ne 0 ]; then echo "--- the program said:" >&2; cat "$work/orvex.log" >&2; fi
        exit "$status"
    ' || status=$?
    if [ "$status" -ne 0 ] && grep -q "could not connect to display" "$work/orvex.log" 2>/dev/null; then
        echo "--- the virtual display (Xvfb pid $xvfb, $(kill -0 "$xvfb" 2>/dev/null && echo running || echo gone)) said:" >&2
        cat "$work/xvfb.log" >&2
        status=75
    fi
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=
    return "$status"
}

unset DBUS_SESSION_BUS_ADDRESS
status=0
attempt || status=$?
if [ "$status" -eq 75 ]; then
    echo "the program could not reach its virtual display; once more on a new one" >&2
    status=0
    attempt || status=$?
fi
exit "$status"
