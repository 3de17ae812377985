#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on
# any failure. Ends with one line of the robustness figures the tests
# gathered (faults survived, crash trials, concurrent writes, ...).
#
#   ./test.sh            the program and its tests, natively
#   ./test.sh --windows  the Windows side without Qt: cross-compiled with
#                        MinGW-w64 into build-windows/ and run under Wine
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

windows_check() {
    ensure_packages "${WINDOWS_PACKAGES[@]}"
    cmake -S tests/windows -B build-windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build build-windows -j"$(nproc)"

    # A fresh Wine prefix for every run, thrown away afterwards: the tests
    # rewrite registry values in it. No display is needed for console
    # programs, and the Mono and Gecko installers are not wanted.
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/orvex-wine.XXXXXX")
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    # Wine takes its ANSI code page from the locale; this one gives 1252,
    # which holds the accented letters the tests pass through it.
    export LC_ALL=C.UTF-8
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    echo "Preparing a Wine prefix in $WINEPREFIX"
    wine wineboot --init </dev/null >/dev/null 2>&1
    # A console that waits for input keeps Wine's own service processes up
    # for the whole run. Otherwise they stop between tests and start again
    # from inside a later test, holding its output open, so ctest sees that
    # test end only when they stop again (half a minute and more).
    mkfifo "$WINEPREFIX/keep"
    exec 3<>"$WINEPREFIX/keep"
    wine cmd.exe <&3 >/dev/null 2>&1 &

    cd build-windows
    ctest --output-on-failure -j"$(nproc)"
}

if [ "${1:-}" = "--windows" ]; then
    windows_check
    exit
fi

ensure_packages "${BUILD_PACKAGES[@]}"
configure_and_build build
cd build
rm -rf figures
status=0
ctest --output-on-failure -j"$(nproc)" || status=$?
if compgen -G "figures/*.txt" >/dev/null; then
    echo "Figures: $(cat figures/*.txt | paste -sd ';' | sed 's/;/; /g')"
fi
exit "$status"
