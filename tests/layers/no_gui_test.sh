#!/usr/bin/env bash
# The store and the tool must never need a display: the programs that link
# them alone (orvex-db, the store's tests) load no Qt Gui, Widgets or X11
# library. Fails naming the program and the library.
set -euo pipefail
status=0
for program in "$@"; do
    libraries=$(ldd "$program") || { echo "cannot read $program"; exit 1; }
    if found=$(grep -E 'libQt6(Gui|Widgets)|libX11|libxcb|libGL|libfontconfig' <<<"$libraries"); then
        echo "$program loads a GUI library:"
        echo "$found"
        status=1
    fi
done
exit $status
