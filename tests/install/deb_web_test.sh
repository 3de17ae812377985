#!/usr/bin/env bash
# orvex-web in the .deb: the program, its link and manual page; its service
# installed but not enabled, sound as systemd reads it; its settings a
# conffile that listens on this machine only.
#   deb_web_test.sh PACKAGES_DIR
set -euo pipefail
deb=$(ls "$1"/orvex_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
root=$work/root

[ -x "$root/usr/lib/orvex/orvex-web" ] || fail "no program usr/lib/orvex/orvex-web"
[ "$(readlink "$root/usr/bin/orvex-web")" = ../lib/orvex/orvex-web ] || fail "usr/bin/orvex-web is no link to the program"
[ -f "$root/usr/share/man/man1/orvex-web.1.gz" ] || fail "no manual page orvex-web.1.gz"
"$root/usr/lib/orvex/orvex-web" --version | grep -qx "orvex-web $(dpkg-deb -f "$deb" Version)" \
    || fail "the packaged orvex-web does not say the package's version"

unit=$root/lib/systemd/system/orvex-web.service
[ -f "$unit" ] || fail "no lib/systemd/system/orvex-web.service"
# Disabled: no link that would start it with the machine.
found=$(find "$root" -path '*/systemd/system/*.wants/*' | head -n 1)
[ -z "$found" ] || fail "the package enables a unit: $found"
grep -qx 'User=orvex-web' "$unit" || fail "the service does not run as orvex-web"
grep -qx 'ExecStart=/usr/bin/orvex-web --config /etc/orvex/web.conf' "$unit" || fail "ExecStart: $(grep ExecStart "$unit")"
# systemd's own reading of it, with the program where the package puts it.
sed "s|/usr/bin/orvex-web|$root/usr/lib/orvex/orvex-web|" "$unit" >"$work/orvex-web.service"
systemd-analyze verify --man=no "$work/orvex-web.service" >"$work/verify.log" 2>&1 \
    || { cat "$work/verify.log" >&2; fail "systemd-analyze verify rejects the service"; }

grep -qx /etc/orvex/web.conf "$work/control/conffiles" || fail "/etc/orvex/web.conf is no conffile"
conf=$root/etc/orvex/web.conf
grep -qx 'listen = 127.0.0.1:8077' "$conf" || fail "web.conf does not listen on this machine only"
# The shipped settings are ones the program takes: it starts on them.
"$root/usr/lib/orvex/orvex-web" --config "$conf" --listen 127.0.0.1:0 --db "$work/none.fdb" >/dev/null 2>"$work/web.log" &
web=$!
for _ in $(seq 50); do grep -q ' at http' "$work/web.log" && break; sleep 0.1; done
grep -q ' at http' "$work/web.log" || fail "orvex-web does not start on the shipped web.conf: $(cat "$work/web.log")"
kill "$web" 2>/dev/null || true
wait "$web" 2>/dev/null || true

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "orvex-web is in the .deb, its service disabled and its settings a conffile"
