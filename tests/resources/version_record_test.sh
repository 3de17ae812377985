#!/usr/bin/env bash
# Compiles the Windows version record with a resource compiler that runs on
# this machine, reads the result back and checks what Explorer will show:
# the version numbers, the strings, and the six images of the icon.
#   version_record_test.sh WINDRES RC_FILE PROJECT_VERSION RESOURCES_DIR
# RC_FILE is the script the build made; the icon it names is found in
# RESOURCES_DIR.
set -euo pipefail
windres=$1 rc=$2 version=$3 resources=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The host's preprocessor: the file needs no Windows headers.
"$windres" --preprocessor=cpp --include-dir "$resources" -O res "$rc" -o "$work/orvex.res"
"$windres" -i "$work/orvex.res" -O rc >"$work/decompiled.rc"

numbers=${version//./, }
for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" "FILEOS 0x40004" "FILETYPE 0x1"; do
    grep -qx " $line" "$work/decompiled.rc" || fail "no line \"$line\""
done
while IFS='|' read -r name value; do
    grep -qxF "      VALUE \"$name\", \"$value\"" "$work/decompiled.rc" || fail "$name is not \"$value\""
done <<'STRINGS'
CompanyName|Kelbrite productions
FileVersion|0.05
ProductVersion|0.05
OriginalFilename|orvex.exe
InternalName|orvex
ProductName|Orvex
STRINGS
for name in FileDescription LegalCopyright; do
    grep -q "VALUE \"$name\", \"..*\"" "$work/decompiled.rc" || fail "no $name"
done

# The icon group: "width height colours pad", planes, bits per pixel.
icons=$(grep -o '"\\[0-9]*\\[0-9]*\\[0-9]*\\000", 1, [0-9]*' "$work/decompiled.rc" | tr -d '"\\' | sort)
expected=$(printf '%s\n' "030030020000, 1, 4" "030030000000, 1, 8" "024024020000, 1, 4" \
    "024024000000, 1, 8" "020020020000, 1, 4" "020020000000, 1, 8" | sort)
[ "$icons" = "$expected" ] || fail "icon images are:
$icons"

[ "$failures" -eq 0 ] || { cat "$work/decompiled.rc" >&2; exit 1; }
echo "version record and icon are as they should be"
