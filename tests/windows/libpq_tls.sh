#!/usr/bin/env bash
# Checks the libpq for Windows that scripts/windows-libpq.sh builds: its
# DLLs, put beside a program as the zip puts them, load under Wine and need
# nothing but Windows' own DLLs, and libpq connects over TLS to a PostgreSQL
# server started here, verifying the server's certificate against the
# authority given as a Windows path, and refusing another authority.
#
#   libpq_tls.sh PQPROBE_EXE
#
# Skips (exit 77) when that libpq has not been built on this machine.
set -euo pipefail
probe=$(realpath "$1")
cd "$(dirname "$0")/../.."
source scripts/packages.sh

if ! libpq=$(scripts/windows-libpq.sh --cached); then
    echo "SKIPPED: no libpq for Windows on this machine; scripts/windows-libpq.sh builds it"
    exit 77
fi
ensure_packages postgresql openssl wine >/dev/null

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-libpq.XXXXXX")
server=()
pg=
own_prefix=false
cleanup() {
    if [ -f "$pg/data/postmaster.pid" ]; then
        "${server[@]}" "$bin/pg_ctl" -D "$pg/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    $own_prefix && { wineserver -k >/dev/null 2>&1 || true; }
    rm -rf "$work"
}
trap cleanup EXIT

# --- The DLLs need one another and Windows' own DLLs, nothing else (no
# libwinpthread-1.dll, libgcc_s_seh-1.dll, ...).
for dll in "$libpq"/bin/*.dll; do
    foreign=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p' \
        | grep -ivE '^(libpq|libssl-3-x64|libcrypto-3-x64)\.dll$' | grep -iE '^lib' || true)
    [ -z "$foreign" ] || fail "$(basename "$dll") needs ${foreign//$'\n'/ }"
done

# --- A server with TLS, its certificate signed by an authority of its own;
# another authority signs nothing. Run as root, the server runs as nobody.
bin=$(find /usr/lib/postgresql -path '*/bin/initdb' -printf '%h\n' | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "FAIL: no PostgreSQL server under /usr/lib/postgresql" >&2; exit 1; }
pg=$work/server
mkdir "$pg"
if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$work"
    chown nobody: "$pg"
    server=(runuser -u nobody --)
fi
port=$(perl -MIO::Socket::INET -e \
    'print IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 0, Listen => 1)->sockport')
start_server() {
    cd "$pg" || return 1
    "${server[@]}" "$bin/initdb" -D data -U postgres -E UTF8 --no-locale -A trust --no-sync || return 1
    "${server[@]}" sh -ec '
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=orvex-test-ca -keyout ca.key -out ca.crt
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=orvex-other-ca -keyout other.key -out other.crt
        openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr
        printf "subjectAltName=DNS:localhost\n" >san.ext
        openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile san.ext \
            -out server.crt
        chmod 600 server.key' || return 1
    printf '%s\n' "port = $port" "listen_addresses = '127.0.0.1'" "unix_socket_directories = '$pg'" \
        "ssl = on" "ssl_cert_file = '$pg/server.crt'" "ssl_key_file = '$pg/server.key'" \
        >>data/postgresql.conf || return 1
    "${server[@]}" "$bin/pg_ctl" -D data -l server.log -w start
}
if ! (start_server) >"$work/server.log" 2>&1; then
    cat "$work/server.log" "$pg/server.log" >&2 || true
    echo "FAIL: the PostgreSQL server did not start" >&2
    exit 1
fi

# --- The program's folder as in the zip: the program with the DLLs beside it.
mkdir "$work/program"
cp "$probe" "$libpq"/bin/*.dll "$work/program/"
if [ -z "${WINEPREFIX:-}" ]; then
    export WINEPREFIX=$work/wine
    own_prefix=true
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
windows() { # a path here as Windows under Wine sees it
    local path=${1//\//\\}
    echo "Z:$path"
}
connect_trusting() { # authority-file: runs the probe, its output in $work/out and $work/err
    # Backslashes are escaped in a connection string.
    local root
    root=$(windows "$1")
    wine "$work/program/$(basename "$probe")" "host=localhost hostaddr=127.0.0.1 port=$port dbname=postgres \
user=postgres sslmode=verify-full sslrootcert='${root//\\/\\\\}' connect_timeout=30" \
        </dev/null >"$work/out" 2>"$work/err"
}

# --- The server's own authority: verified, encrypted, and a query answered.
status=0
connect_trusting "$pg/ca.crt" || status=$?
if [ "$status" -ne 0 ]; then
    fail "connecting with the server's authority: exit $status, $(tr -d '\r' <"$work/err")"
else
    out=$(tr -d '\r' <"$work/out")
    major=$(basename "$(dirname "$bin")")
    for expected in "server_version=$major." "ssl=1" "protocol=TLSv1." "select=1"; do
        grep -qF "$expected" <<<"$out" || fail "the probe printed no '$expected' but: ${out//$'\n'/ }"
    done
fi

# --- Another authority: the server's certificate is refused.
status=0
connect_trusting "$pg/other.crt" || status=$?
if [ "$status" -ne 1 ]; then
    fail "connecting with another authority: exit $status rather than 1"
elif ! grep -q 'certificate verify failed' "$work/err"; then
    fail "connecting with another authority failed for another reason: $(tr -d '\r' <"$work/err")"
fi

[ "$failures" -eq 0 ] || exit 1
echo "libpq $(basename "$libpq") over TLS under Wine: all checks passed"
