#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on
# any failure. Ends with one line of the robustness figures the tests
# gathered (faults survived, crash trials, concurrent writes, ...).
#
#   ./test.sh             the whole suite
#   ./test.sh --sanitize  the whole suite built with AddressSanitizer and
#                         UndefinedBehaviorSanitizer (in build-sanitize/)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

mode=${1:-}
case "$mode" in
"")
    dir=build
    options=()
    ;;
--sanitize)
    dir=build-sanitize
    flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    options=(-DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined")
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizer/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
*)
    echo "usage: ./test.sh [--sanitize]" >&2
    exit 2
    ;;
esac

ensure_packages "${BUILD_PACKAGES[@]}"
configure_and_build "$dir" "${options[@]}"
cd "$dir"
rm -rf figures
status=0
ctest --output-on-failure -j"$(nproc)" || status=$?
if compgen -G "figures/*.txt" >/dev/null; then
    echo "Figures: $(cat figures/*.txt | paste -sd ';' | sed 's/;/; /g')"
fi
exit "$status"
