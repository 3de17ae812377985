#!/usr/bin/env bash
# Installs the .deb as an administrator would and checks the shared
# dictionary: a member of the group orvex can add a word, a user outside it
# can look words up but not add, and upgrading, removing and purging keep
# the words without a dpkg warning. A dictionary left in /usr/lib/orvex by
# an older package is moved, not overwritten, and so is a nym2.server
# written there by hand. The server setting is the conffile
# /etc/orvex/nym2.server, which an upgrade keeps as edited.
#
# All of it happens in a throwaway root: a private mount namespace in which
# /usr, /etc and /var are overlays whose changes go to a tmpfs that vanishes
# with the namespace. The package, its group and the test's users never
# reach this machine, and whatever Orvex this machine has is set aside
# there first. Needs root (for the namespace and dpkg); skipped otherwise.
#   deb_install_test.sh PACKAGES_DIR BUILD_DIR
set -euo pipefail
skip() { echo "skipped: $*"; exit 77; }

if [ -z "${ORVEX_THROWAWAY_ROOT:-}" ]; then
    [ "$(id -u)" -eq 0 ] || skip "not root: installing a package needs root, even in a throwaway root"
    layers=$(mktemp -d)
    trap 'rm -rf "$layers"' EXIT
    unshare --mount --propagation private true 2>/dev/null \
        || skip "no private mount namespace here (unshare --mount is refused)"
    status=0
    ORVEX_THROWAWAY_ROOT=$layers unshare --mount --propagation private --fork -- bash "$0" "$@" || status=$?
    exit "$status"
fi

# In the namespace. Nothing below runs unless every overlay is in place.
layers=$ORVEX_THROWAWAY_ROOT
mount -t tmpfs -o mode=755 orvex-throwaway "$layers"
for dir in usr etc var; do
    mkdir -p "$layers/$dir/upper" "$layers/$dir/work"
    mount -t overlay "orvex-$dir" \
        -o "lowerdir=/$dir,upperdir=$layers/$dir/upper,workdir=$layers/$dir/work" "/$dir"
    findmnt -n -o OPTIONS --mountpoint "/$dir" | grep -q "upperdir=$layers/$dir/upper" \
        || { echo "FAIL: /$dir is not the throwaway overlay; nothing was changed" >&2; exit 1; }
done

deb=$(ls "$1"/orvex_*.deb)
tool=$2/bin/orvex-db
member=orvex-test-member outsider=orvex-test-outsider
work=$layers/work
mkdir -m 755 "$work" # read by the test users
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
no_warning() { ! grep -i 'warning' "$1" || fail "dpkg warned while $2"; }
dpkg_run() {
    local log=$1; shift
    dpkg "$@" >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}
words() { runuser -u "$1" -- /usr/bin/orvex-db export; }

# A machine without Orvex: whatever this one has is set aside, in here only.
if dpkg-query -W orvex >/dev/null 2>&1; then
    dpkg --purge orvex >/dev/null 2>&1 || fail "the installed orvex would not purge in the throwaway root"
fi
rm -rf /var/lib/orvex /usr/lib/orvex /etc/orvex
for user in $member $outsider orvex-web; do userdel $user >/dev/null 2>&1 || true; done
for group in orvex orvex-web; do groupdel $group >/dev/null 2>&1 || true; done

# What an older package left behind: its dictionary, a plain file, and a
# nym2.server written beside the program by hand.
mkdir -p /usr/lib/orvex
"$tool" create /usr/lib/orvex/nym2.fdb >/dev/null
printf 'OLDWORD\tkept from before\n' >"$work/old.tsv"
"$tool" import "$work/old.tsv" --into /usr/lib/orvex/nym2.fdb >/dev/null
printf 'postgresql://orvex_writer@db.example.org/orvex\n' >/usr/lib/orvex/nym2.server

dpkg_run "$work/install.log" -i "$deb" || fail "the package does not install"
no_warning "$work/install.log" installing
[ "$(readlink /usr/lib/orvex/nym2.fdb)" = /var/lib/orvex/nym2.fdb ] || fail "no link beside the program"
[ "$(stat -c %G /var/lib/orvex/nym2.fdb)" = orvex ] || fail "the dictionary's group is not orvex"
[ "$(readlink /usr/lib/orvex/nym2.server)" = /etc/orvex/nym2.server ] || fail "no link to /etc/orvex/nym2.server"
dpkg-query -W -f='${Conffiles}\n' orvex | grep -q '^ /etc/orvex/nym2.server ' \
    || fail "/etc/orvex/nym2.server is not a conffile"
grep -qx 'postgresql://orvex_writer@db.example.org/orvex' /etc/orvex/nym2.server.dpkg-old \
    || fail "the hand-written nym2.server was not kept as /etc/orvex/nym2.server.dpkg-old"
grep -q 'nym2.server.dpkg-old' "$work/install.log" || fail "installing did not say where the old nym2.server went"

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
# The shipped setting names no server: the programs use the shared file.
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

# The administrator names a server (none listens on port 1 here): every
# user's program then uses it, and an upgrade keeps the setting.
server='postgresql://orvex_reader@127.0.0.1:1/orvex?connect_timeout=2'
printf '%s\n' "$server" >>/etc/orvex/nym2.server
runuser -u $outsider -- /usr/bin/orvex-db stats >"$work/server.log" 2>&1 && fail "stats on a server that is not there succeeded"
grep -q '127.0.0.1' "$work/server.log" || fail "orvex-db did not use the server in /etc/orvex/nym2.server: $(cat "$work/server.log")"
dpkg_run "$work/upgrade.log" -i "$deb" || fail "the package does not install over itself"
no_warning "$work/upgrade.log" upgrading
grep -qxF "$server" /etc/orvex/nym2.server || fail "upgrading lost the server setting"

dpkg_run "$work/remove.log" --remove orvex || fail "the package is not removed"
no_warning "$work/remove.log" removing
grep -qxF "$server" /etc/orvex/nym2.server || fail "removing (not purging) lost the server setting"
dpkg_run "$work/purge.log" --purge orvex || fail "the package is not purged"
no_warning "$work/purge.log" purging
for path in /usr/lib/orvex /etc/orvex; do [ ! -e "$path" ] || fail "$path is left after purging"; done
"$tool" export --from /var/lib/orvex/nym2.fdb | grep -qx $'MYWORD\tadded by a member' \
    || fail "purging lost the words"

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "the shared dictionary works as promised (in a throwaway root)"
