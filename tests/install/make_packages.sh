#!/usr/bin/env bash
# Makes the .deb and the .zip of a build into OUT, for the package tests.
#   make_packages.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
rm -rf "$out"
mkdir -p "$out"
cpack -G "DEB;ZIP" --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 \
    || { cat "$out/cpack.log" >&2; exit 1; }
ls "$out"/*.deb "$out"/*.zip
