#!/usr/bin/env bash
# Fails, naming each file, when a C++ source is not laid out as .clang-format
# says. `clang-format -i FILE` puts a file right.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages clang-format
status=0
while IFS= read -r file; do
    if ! clang-format --style=file "$file" | cmp -s - "$file"; then
        echo "not laid out as .clang-format says: $file"
        status=1
    fi
done < <(git ls-files '*.cpp' '*.h')
[ "$status" -eq 0 ] && echo "layout: every C++ file as .clang-format says"
exit "$status"
