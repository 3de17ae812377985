#!/usr/bin/env bash
# Upgrading an unpacked .zip the way the README says: the programs are
# replaced, the dictionary with the user's words is kept.
#   zip_upgrade_test.sh PACKAGES_DIR
set -euo pipefail
zip=$(ls "$1"/orvex-*.zip)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cd "$work"
unzip -q "$zip"
printf 'MYWORD\tadded by the user\n' >mine.tsv
orvex/orvex-db import mine.tsv >/dev/null
# An older version's programs, as far as this test can tell.
for file in orvex orvex-db nym2.fdb.dist LICENSE; do printf 'old\n' >"orvex/$file"; done

unzip -q -o "$zip" -x orvex/nym2.fdb # the README's command

for file in orvex orvex-db nym2.fdb.dist LICENSE; do
    unzip -p "$zip" "orvex/$file" | cmp -s - "orvex/$file" || fail "orvex/$file was not replaced"
done
orvex/orvex-db export | grep -qx $'MYWORD\tadded by the user' || fail "the user's word is lost"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "the zip upgrade kept the words and replaced the programs"
