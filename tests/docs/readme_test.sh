#!/usr/bin/env bash
# Pastes the README's sections "Sharing a dictionary with a team" and
# "Backing up your words" into a shell, block by block as they stand, with
# the two changes the README asks of its reader: the server's name
# (db.example.org becomes localhost, the one machine here being server and
# client) and nothing else; the placeholder passwords are kept. Then checks
# that the programs use the server and that the backups hold every record.
#
# The server is a PostgreSQL cluster this test starts in a temporary folder,
# set up as Debian's is (peer login on its socket, no other machine let in,
# listening to no address) and standing in for the machine's own, which a
# test may not reconfigure: "sudo -u postgres" runs as the cluster's owner
# on its socket, and "systemctl restart postgresql" restarts it. It listens
# on a free port (PGPORT) and, where the README says every address, on
# localhost only: the placeholder passwords are known to all. Orvex is
# installed for one user into a temporary home.
#   readme_test.sh BUILD_DIR README
set -euo pipefail
build=$1 readme=$2
source "$(dirname "$0")/../support/install_aside.sh"
work=$(mktemp -d)
chmod 755 "$work" # the cluster's owner works in here too
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The fenced sh blocks of one section, unindented as a reader copies them.
blocks() {
    awk -v title="$1" '
        /^## / { inside = ($0 == title) }
        !inside { next }
        !block && match($0, /^ *```sh$/) { block = 1; indent = RLENGTH - 5; next }
        block && /^ *```$/ { block = 0; next }
        block { print substr($0, indent + 1) }' "$readme"
}
replay() { # section file
    blocks "$1" | sed -e 's/db\.example\.org/localhost/g' \
        -e "s/listen_addresses = '\\*'/listen_addresses = 'localhost'/" >"$2"
    grep -q localhost "$2" || { echo "FAIL: no server named in the README's section $1" >&2; exit 1; }
}
replay "## Sharing a dictionary with a team" "$work/team.sh"
replay "## Backing up your words" "$work/backup.sh"
grep -q "listen_addresses = 'localhost'" "$work/team.sh" || fail "the README sets no listen_addresses"

# The cluster, as the machine's PostgreSQL would be.
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
[ -x "$bin/initdb" ] || { echo "FAIL: no PostgreSQL server (./test.sh installs it)" >&2; exit 1; }
owner=$(id -un)
as_server() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
    owner=nobody # the server refuses to run as root
    as_server() { runuser -u nobody -- "$@"; }
fi
pg=$work/pg
mkdir "$pg"
chown "$owner" "$pg"
cleanup() {
    [ -f "$pg/data/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$pg/data" -m immediate stop >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_server "$bin/initdb" -D "$pg/data" -U "$owner" -E UTF8 --no-locale --no-sync >"$pg/initdb.log" 2>&1 \
    || { cat "$pg/initdb.log" >&2; exit 1; }
echo 'local all all peer' >"$pg/data/pg_hba.conf"
printf "port = %s\nlisten_addresses = ''\nunix_socket_directories = '%s'\nfsync = off\n" "$port" "$pg" \
    >>"$pg/data/postgresql.conf"
as_server "$bin/pg_ctl" -D "$pg/data" -l "$pg/server.log" -w start >/dev/null
# Debian's superuser postgres has a database of its name, where psql goes
# by default; so has this one's.
[ "$owner" = postgres ] || as_server "$bin/createdb" -h "$pg" -p "$port" -U "$owner" "$owner"

mkdir "$work/bin"
cat >"$work/bin/sudo" <<EOF
#!/usr/bin/env bash
# sudo, as far as the README's server steps use it.
if [ "\$1" = -u ] && [ "\$2" = postgres ]; then
    shift 2
    set -- env PGHOST='$pg' PSQLRC='$work/psqlrc' PATH="\$PATH" "\$@"
    if [ "\$(id -u)" -eq 0 ]; then exec runuser -u nobody -- "\$@"; fi
    exec "\$@"
elif [ "\$1" = systemctl ]; then
    exec "\$@"
fi
echo "sudo \$*: not a use of sudo this test knows" >&2
exit 1
EOF
cat >"$work/bin/systemctl" <<EOF
#!/usr/bin/env bash
[ "\$*" = "restart postgresql" ] || { echo "systemctl \$*: not known to this test" >&2; exit 1; }
if [ "\$(id -u)" -eq 0 ]; then set -- runuser -u nobody --; else set --; fi
"\$@" '$bin/pg_ctl' -D '$pg/data' -l '$pg/server.log' -w -m fast restart >/dev/null \
    || { cat '$pg/server.log' >&2; exit 1; }
EOF
chmod 755 "$work/bin/sudo" "$work/bin/systemctl"
# psql stops at the first failing statement, so that a failure fails the test.
echo '\set ON_ERROR_STOP on' >"$work/psqlrc"

# A user with Orvex installed, in a home of its own.
export HOME=$work/home
mkdir "$HOME" "$work/session"
install_aside "$build" "$HOME/.local" "$work/install_manifest.txt" >/dev/null
for variable in $(compgen -e | grep '^PG' || true); do unset "$variable"; done
export PATH=$HOME/.local/bin:$work/bin:$PATH PGPORT=$port PSQLRC=$work/psqlrc

run() { # script name
    (cd "$work/session" && bash -e -o pipefail "$1") >"$work/$2.log" 2>&1 \
        || { cat "$work/$2.log" >&2; echo "FAIL: the README's $2 steps failed as pasted (output above)" >&2; exit 1; }
}
run "$work/team.sh" team
folder=$HOME/.local/lib/orvex
starter=$(orvex-db stats --from "$folder/nym2.fdb.dist" | awk '/^records:/ { print $2 }')
grep -q '^dictionary: .*localhost' "$work/team.log" || fail "orvex-db stats does not name the server: $(tail -n 5 "$work/team.log")"
grep -qx "records: *$starter" "$work/team.log" || fail "the server does not hold the $starter records copied there"
on_server() { as_server "$bin/psql" -h "$pg" -d orvex -U "$owner" -tA -c "$1"; }
orvex-db add teamword "added through nym2.server" >/dev/null || fail "the writer role cannot add"
[ "$(on_server "SELECT definition FROM acronyms WHERE acronym = 'TEAMWORD'")" = "added through nym2.server" ] \
    || fail "a word added through nym2.server is not on the server"

run "$work/backup.sh" backup
same() { # what a b
    cmp -s <(orvex-db export --from "$2") <(orvex-db export --from "$3") || fail "$1 does not hold every record"
}
backup() { # pattern: the one file the backup steps made so
    local found=("$HOME"/$1)
    [ ${#found[@]} -eq 1 ] && [ -f "${found[0]}" ] || { fail "no backup $1 in $(ls "$HOME")"; return 1; }
    echo "${found[0]}"
}
if file=$(backup 'orvex-backup-*.fdb'); then same "the backup file" "$folder/nym2.fdb" "$file"; fi
if file=$(backup 'orvex-backup-*.csv'); then
    orvex-db create "$work/fromcsv.fdb" >/dev/null
    orvex-db import "$file" --into "$work/fromcsv.fdb" >/dev/null
    same "the CSV backup" "$folder/nym2.fdb" "$work/fromcsv.fdb"
fi
if file=$(backup 'orvex-team-*.fdb'); then same "the server's backup" "$(cat "$folder/nym2.server")" "$file"; fi

[ "$failures" -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "the README's team and backup steps work as written"
