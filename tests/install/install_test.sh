#!/usr/bin/env bash
# Installs the built program into throw-away prefixes and checks the tree:
# the program folder, the links, the menu entry, the icons, the metainfo,
# that a second install keeps the words a user added, and that the README's
# uninstall removes what the install put there and nothing else. The
# build's own install_manifest.txt, the user's, is left as it was.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
source "$(dirname "$0")/../support/install_aside.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_file() { [ -f "$1" ] || fail "missing $1"; }
users_manifest() { cat "$build/install_manifest.txt" 2>/dev/null | sha256sum || true; }
before=$(users_manifest)

prefix="$work/home dir/.local" # a space, as home folders may have
manifest=$work/install_manifest.txt
install_aside "$build" "$prefix" "$manifest" >"$work/install.log"
folder="$prefix/lib/orvex"

for file in orvex orvex-db nym2.fdb nym2.fdb.dist LICENSE; do expect_file "$folder/$file"; done
[ -x "$folder/orvex" ] && [ -x "$folder/orvex-db" ] || fail "the programs are not executable"
for program in orvex orvex-db; do
    link="$prefix/bin/$program"
    [ -L "$link" ] || fail "$link is not a link"
    [ "$(readlink "$link")" = "../lib/orvex/$program" ] || fail "$link points to $(readlink "$link")"
    [ "$(readlink -f "$link")" = "$(readlink -f "$folder/$program")" ] || fail "$link does not reach the program"
done
for size in 16 20 24 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/orvex.png"
    expect_file "$icon"
    # PNG width and height are big-endian words at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "$icon is $dims"
done
expect_file "$prefix/share/icons/hicolor/scalable/apps/orvex.svg"

desktop="$prefix/share/applications/orvex.desktop"
expect_file "$desktop"
grep -qx "Exec=\"$prefix/bin/orvex\"" "$desktop" || fail "Exec line: $(grep '^Exec=' "$desktop")"
grep -qx 'Icon=orvex' "$desktop" || fail "Icon line: $(grep '^Icon=' "$desktop")"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
metainfo="$prefix/share/metainfo/com.kelbrite.orvex.metainfo.xml"
expect_file "$metainfo"
appstreamcli validate-tree --no-net "$prefix" >"$work/tree.log" 2>&1 || { cat "$work/tree.log" >&2; fail "appstreamcli rejects the tree"; }

# The installed tool, started through its link, finds the installed dictionary.
"$prefix/bin/orvex-db" stats >"$work/stats.txt"
grep -qF "dictionary:  $folder/nym2.fdb" "$work/stats.txt" || fail "orvex-db uses $(head -1 "$work/stats.txt")"
records=$(awk '/^records:/ {print $2}' "$work/stats.txt")
[ "${records:-0}" -ge 1000 ] || fail "the installed dictionary holds ${records:-no} records"
cmp -s "$folder/nym2.fdb" "$folder/nym2.fdb.dist" || fail "nym2.fdb is not the starter dictionary"

# The user's dictionary is no installed file: uninstalling by the manifest
# leaves it, and installing again keeps what the user added.
grep -q '/nym2\.fdb$' "$manifest" && fail "install_manifest.txt lists nym2.fdb"
printf 'MYWORD\tadded by the user\n' >"$work/mine.tsv"
"$prefix/bin/orvex-db" import "$work/mine.tsv" >/dev/null
install_aside "$build" "$prefix" "$manifest" >"$work/again.log"
grep -q 'Keeping: .*nym2.fdb' "$work/again.log" || fail "a second install did not say it keeps nym2.fdb"
"$prefix/bin/orvex-db" export | grep -qx $'MYWORD\tadded by the user' || fail "a second install lost the user's word"

# The README's uninstall, word for word but for the manifest's place.
command=$(grep -oF "xargs -d '\\n' rm -f < build/install_manifest.txt" "$(dirname "$0")/../../README.md") \
    || fail "the README's uninstall command is not the one tested here"
(cd "$work" && eval "${command/build\/install_manifest.txt/install_manifest.txt}")
left=$(cd "$prefix" && find . -not -type d | sort)
[ "$left" = ./lib/orvex/nym2.fdb ] || fail "after the README's uninstall, not only nym2.fdb is left: $left"

# A staged install, as packages make them, names the final place in Exec.
DESTDIR="$work/stage" install_aside "$build" /usr "$work/staged_manifest.txt" >/dev/null
grep -qx 'Exec="/usr/bin/orvex"' "$work/stage/usr/share/applications/orvex.desktop" || fail "staged Exec line is wrong"
expect_file "$work/stage/usr/lib/orvex/nym2.fdb"

[ "$(users_manifest)" = "$before" ] || fail "$build/install_manifest.txt was changed"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "installed tree is complete"
