#!/usr/bin/env bash
# Installs the .deb on this machine, as an administrator would, and checks
# the shared dictionary: a member of the group orvex can add a word, a user
# outside it can look words up but not add, and upgrading, removing and
# purging keep the words without a dpkg warning. A dictionary left in
# /usr/lib/orvex by an older package is moved, not overwritten.
#
# It changes the real system, so it runs only as root on a machine with no
# trace of Orvex, and takes back all it did (users, group, files); anything
# else skips it.
#   deb_install_test.sh PACKAGES_DIR BUILD_DIR
set -euo pipefail
deb=$(ls "$1"/orvex_*.deb)
tool=$2/bin/orvex-db
skip() { echo "skipped: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "not root"
member=orvex-test-member outsider=orvex-test-outsider
if dpkg-query -W -f='${Status}' orvex 2>/dev/null | grep -qv 'not-installed'; then
    skip "a package orvex is known to dpkg here"
fi
for path in /var/lib/orvex /usr/lib/orvex; do [ ! -e "$path" ] || skip "$path exists"; done
for user in $member $outsider; do ! getent passwd $user >/dev/null || skip "user $user exists"; done
group_existed=false
getent group orvex >/dev/null && group_existed=true
! getent passwd orvex-web >/dev/null || skip "user orvex-web exists"

work=$(mktemp -d)
chmod 755 "$work" # read by the test users
cleanup() {
    dpkg --purge orvex >/dev/null 2>&1 || true
    for user in $member $outsider; do userdel $user >/dev/null 2>&1 || true; done
    $group_existed || groupdel orvex >/dev/null 2>&1 || true
    userdel orvex-web >/dev/null 2>&1 || true
    groupdel orvex-web >/dev/null 2>&1 || true
    rm -rf /var/lib/orvex /usr/lib/orvex "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# dpkg and apt share one lock with whatever else runs apt here.
dpkg_run() {
    local log=$1; shift
    for _ in $(seq 120); do
        if dpkg "$@" >"$log" 2>&1; then return 0; fi
        grep -q 'lock' "$log" || { cat "$log" >&2; return 1; }
        sleep 1
    done
    cat "$log" >&2
    return 1
}
no_warning() { ! grep -i 'warning' "$1" || fail "dpkg warned while $2"; }
words() { runuser -u "$1" -- /usr/bin/orvex-db export; }

# What an older package left behind: its dictionary, a plain file.
mkdir -p /usr/lib/orvex
"$tool" create /usr/lib/orvex/nym2.fdb >/dev/null
printf 'OLDWORD\tkept from before\n' >"$work/old.tsv"
"$tool" import "$work/old.tsv" --into /usr/lib/orvex/nym2.fdb >/dev/null

dpkg_run "$work/install.log" -i "$deb" || fail "the package does not install"
no_warning "$work/install.log" installing
[ "$(readlink /usr/lib/orvex/nym2.fdb)" = /var/lib/orvex/nym2.fdb ] || fail "no link beside the program"
[ "$(stat -c %G /var/lib/orvex/nym2.fdb)" = orvex ] || fail "the dictionary's group is not orvex"

# orvex-web's own user: a system user without home or login, alone in its
# group, which alone may read the service's settings; the service is left
# disabled.
IFS=: read -r _ _ web_uid _ _ web_home web_shell < <(getent passwd orvex-web) || fail "no user orvex-web"
[ "${web_uid:-1000}" -lt 1000 ] || fail "orvex-web is no system user (uid ${web_uid:-none})"
[ "${web_home:-}" = /nonexistent ] && [ "${web_shell:-}" = /usr/sbin/nologin ] \
    || fail "orvex-web has home ${web_home:-none} and shell ${web_shell:-none}"
[ "$(stat -c '%a %U %G' /etc/orvex/web.conf)" = "640 root orvex-web" ] \
    || fail "/etc/orvex/web.conf is $(stat -c '%a %U %G' /etc/orvex/web.conf)"
! compgen -G '/etc/systemd/system/*.wants/orvex-web.service' >/dev/null || fail "the package enabled orvex-web"
runuser -u orvex-web -- /usr/bin/orvex-web --config /etc/orvex/web.conf --listen 127.0.0.1:0 >"$work/web.log" 2>&1 &
web=$!
for _ in $(seq 50); do grep -q ' at http' "$work/web.log" && break; sleep 0.1; done
url=$(sed -n 's/.* at \(http[^ ]*\)$/\1/p' "$work/web.log")
[ -n "$url" ] && kill -0 "$web" 2>/dev/null || fail "orvex-web does not start as its user: $(cat "$work/web.log")"
kill "$web" 2>/dev/null || true
wait "$web" 2>/dev/null || true
grep -q 'serving /usr/lib/orvex/nym2.fdb' "$work/web.log" || fail "orvex-web serves $(head -n 1 "$work/web.log")"

useradd --no-create-home --groups orvex $member
useradd --no-create-home $outsider
words $outsider | grep -qx $'OLDWORD\tkept from before' || fail "the older package's words are not in /var/lib/orvex"

printf 'MYWORD\tadded by a member\n' >"$work/mine.tsv"
chmod 644 "$work"/*.tsv
runuser -u $member -- /usr/bin/orvex-db import "$work/mine.tsv" >"$work/member.log" 2>&1 \
    || { cat "$work/member.log" >&2; fail "a member of orvex cannot add a word"; }
words $outsider | grep -qx $'MYWORD\tadded by a member' || fail "a user outside orvex cannot look up"
printf 'THEIRS\tadded by an outsider\n' >"$work/theirs.tsv"
chmod 644 "$work/theirs.tsv"
if runuser -u $outsider -- /usr/bin/orvex-db import "$work/theirs.tsv" >"$work/outsider.log" 2>&1; then
    fail "a user outside orvex added a word"
fi
grep -qi 'read-only' "$work/outsider.log" || fail "the outsider is not told the dictionary is read-only: $(cat "$work/outsider.log")"

dpkg_run "$work/upgrade.log" -i "$deb" || fail "the package does not install over itself"
no_warning "$work/upgrade.log" upgrading
dpkg_run "$work/remove.log" --remove orvex || fail "the package is not removed"
no_warning "$work/remove.log" removing
dpkg_run "$work/purge.log" --purge orvex || fail "the package is not purged"
no_warning "$work/purge.log" purging
[ ! -e /usr/lib/orvex ] || fail "/usr/lib/orvex is left after purging"
[ ! -e /etc/orvex/web.conf ] || fail "/etc/orvex/web.conf is left after purging"
"$tool" export --from /var/lib/orvex/nym2.fdb | grep -qx $'MYWORD\tadded by a member' \
    || fail "purging lost the words"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "the shared dictionary works as promised"
