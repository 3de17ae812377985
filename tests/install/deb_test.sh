#!/usr/bin/env bash
# The .deb as a distribution would take it: lintian finds no error and no
# warning that the package's overrides do not explain, the control fields
# name what the program needs, and the files sit where Debian wants them.
#   deb_test.sh PACKAGES_DIR
set -euo pipefail
deb=$(ls "$1"/orvex_*.deb)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Maintainer)" =~ \<[^@]+@kelbrite\.example\>$ ]] || fail "Maintainer: $(field Maintainer)"
[[ ", $(field Depends)," == *", adduser,"* ]] || fail "Depends lacks adduser: $(field Depends)"
for package in fonts-liberation2 xdg-utils; do
    [[ ", $(field Recommends)," == *", $package,"* ]] || fail "Recommends lacks $package"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
top=$(zcat "$work/usr/share/doc/orvex/changelog.gz" | head -n 1)
[[ "$top" == "orvex ($(field Version)) "* ]] || fail "the changelog starts with \"$top\", not this version"
[ "$(readlink "$work/usr/lib/orvex/nym2.fdb")" = /var/lib/orvex/nym2.fdb ] \
    || fail "usr/lib/orvex/nym2.fdb is no link to /var/lib/orvex/nym2.fdb"
[ ! -e "$work/var" ] || fail "the package holds files under /var, which dpkg would delete on purge"
# The server setting is the administrator's: a conffile in /etc, which as
# shipped names no server, and the program finds it beside itself.
[ "$(readlink "$work/usr/lib/orvex/nym2.server")" = /etc/orvex/nym2.server ] \
    || fail "usr/lib/orvex/nym2.server is no link to /etc/orvex/nym2.server"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/orvex/nym2.server \
    || fail "/etc/orvex/nym2.server is not a conffile"
[ -f "$work/etc/orvex/nym2.server" ] && ! grep -v '^[[:space:]]*\(#.*\)\{0,1\}$' "$work/etc/orvex/nym2.server" \
    || fail "the shipped /etc/orvex/nym2.server is missing or names a server"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "the .deb is lintian-clean and complete"
