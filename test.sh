#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on
# any failure. Ends with one line of the robustness figures the tests
# gathered (faults survived, crash trials, concurrent writes, ...).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh

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
