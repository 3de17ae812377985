#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on
# any failure. Ends with the robustness figures the tests gathered (faults
# survived, crash trials, concurrent writes, ...), one group a line.
#
#   ./test.sh             the whole suite
#   ./test.sh ARGS...     the suite with ctest's ARGS: -L quick runs the
#                         fast tests alone, -R NAME the tests named so
#   ./test.sh --sanitize [ARGS...]
#                         the whole suite built with AddressSanitizer and
#                         UndefinedBehaviorSanitizer (in build-sanitize/)
#   ./test.sh --fuzz [S]  each libFuzzer target for S seconds (default 60),
#                         built with clang (in build-fuzz/)
#   ./test.sh --no-server the store's and the tool's tests in a build without
#                         the server engine (in build-noserver/): everything
#                         that needs no server works there
#   ./test.sh --windows   the Windows program, cross-compiled with MinGW-w64
#                         and run under Wine: the platform layer's tests
#                         (build-windows/), then orvex.exe and orvex-db.exe
#                         against a static Qt for Windows built once per
#                         machine (scripts/windows-qt.sh), the windows' tests,
#                         and the zip driven as a person would on a virtual
#                         display (build-windows-app/)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

windows_check() {
    ensure_packages "${WINDOWS_PACKAGES[@]}"
    # The Qt, SQLite and libpq for Windows come from Debian's sources, built
    # once per machine into a cache outside the checkout (the first Qt build
    # takes half an hour). When the sources cannot be had, that is no fault of
    # the project: the program check says loudly below that it did not run.
    local qt='' sqlite='' libpq='' status=0
    qt=$(scripts/windows-qt.sh) && sqlite=$(scripts/windows-sqlite.sh) &&
        libpq=$(scripts/windows-libpq.sh) || status=$?
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || return "$status"

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

    (cd build-windows && ctest --output-on-failure -j"$(nproc)")

    # The whole program: orvex.exe and orvex-db.exe, the windows' tests under
    # Wine, and the zip driven as a person would.
    if [ "$status" -eq 3 ]; then
        echo "SKIPPED: the Windows program check (orvex.exe, its window tests, the zip under Wine):"
        echo "SKIPPED: the Qt, SQLite, PostgreSQL or OpenSSL source package could not be fetched; see above."
        return 0
    fi
    # A Linux orvex-db shares a server with the Windows programs in their
    # test (the suite's build, made here when it is not there yet).
    ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)" --target orvex-db
    # The server engine with the libpq built above, which the zip carries.
    cmake -S . -B build-windows-app -DCMAKE_BUILD_TYPE=Release -DORVEX_LINUX_DB_TOOL="$PWD/build/bin/orvex-db" \
        -DPostgreSQL_INCLUDE_DIR="$libpq/include" -DPostgreSQL_TYPE_INCLUDE_DIR="$libpq/include" \
        -DPostgreSQL_LIBRARY="$libpq/lib/libpq.dll.a" -DORVEX_LIBPQ_DIR="$libpq" \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a" \
        -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
    cmake --build build-windows-app -j"$(nproc)"
    (cd build-windows-app && ctest --output-on-failure -j"$(nproc)")
    (cd build-windows-app && cpack -G ZIP >/dev/null)
    wineserver -k >/dev/null 2>&1 || true
    local shots=()
    [ -n "${ORVEX_SCREENSHOTS:-}" ] && shots=("$ORVEX_SCREENSHOTS")
    tests/windows/blackbox.sh build-windows-app/orvex-*.zip build-windows/winprobe.exe "${shots[@]}"
}

mode=${1:-}
case "$mode" in
--sanitize)
    shift
    dir=build-sanitize
    flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    # -O1 and line tables only: the reports keep their files and lines, and
    # the build takes little more than half the time of -O2 with full
    # debugging information.
    options=(-DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined")
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizer/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
--fuzz)
    ensure_packages clang
    ensure_packages "${BUILD_PACKAGES[@]}" "$(clang_runtime_package)"
    flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    # The fuzzers alone, not the programs beside them.
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_BUILD_TESTS=OFF \
        -DORVEX_BUILD_FUZZERS=ON -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
    cmake --build build-fuzz -j"$(nproc)" --target fuzzers
    seconds=${2:-60}
    executions=0
    crashes=0
    for fuzzer in build-fuzz/fuzzers/*; do
        name=$(basename "$fuzzer")
        corpus=build-fuzz/corpus/$name
        mkdir -p "$corpus"
        seeds=()
        [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
        log=build-fuzz/$name.log
        if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
            -artifact_prefix="build-fuzz/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
            result=ok
        else
            result=CRASHED
            crashes=$((crashes + 1))
            tail -n 40 "$log"
        fi
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        executions=$((executions + ${runs:-0}))
        echo "$name: ${runs:-0} executions in ${seconds}s, $result"
    done
    echo "fuzz executions $executions, crashes $crashes (${seconds}s a target)" > build-fuzz/figures.txt
    echo "Figures: $(cat build-fuzz/figures.txt)"
    [ "$crashes" -eq 0 ]
    exit
    ;;
--no-server)
    ensure_packages "${BUILD_PACKAGES[@]}"
    cmake -S . -B build-noserver -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_SERVER_ENGINE=OFF >/dev/null
    cmake --build build-noserver -j"$(nproc)" --target orvex-db store_tests tools_tests
    status=0
    for program in store_tests tools_tests; do
        build-noserver/tests/$program --gtest_brief=1 || status=1
    done
    exit "$status"
    ;;
--windows)
    windows_check
    exit
    ;;
-h | --help)
    echo "usage: ./test.sh [CTEST-ARGS... | --sanitize [CTEST-ARGS...] | --fuzz [SECONDS] | --no-server | --windows]"
    exit 0
    ;;
-*)
    # Anything else is ctest's; a misspelt mode is told at once, not after the build.
    if [[ "$(ctest --help)" != *"$mode"* ]]; then
        echo "usage: ./test.sh [CTEST-ARGS... | --sanitize [CTEST-ARGS...] | --fuzz [SECONDS] | --no-server | --windows]" >&2
        exit 2
    fi
    dir=build
    options=()
    ;;
*)
    dir=build
    options=()
    ;;
esac

ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
configure_and_build "$dir" "${options[@]}"
cd "$dir"
rm -rf figures
status=0
ctest --output-on-failure -j"$(nproc)" "$@" || status=$?
# The fuzzers run apart (--fuzz); their last figures join the others.
if [ -f ../build-fuzz/figures.txt ]; then mkdir -p figures && cp ../build-fuzz/figures.txt figures/fuzz.txt; fi
if compgen -G "figures/*.txt" >/dev/null; then
    echo "Figures:"
    sed 's/^/  /' figures/*.txt
fi
exit "$status"
