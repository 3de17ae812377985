#!/usr/bin/env bash
# Builds the SQLite that the Windows program links: Debian's own sqlite3
# source (the version installed here), made into its one-file amalgamation
# and compiled with MinGW-w64 as a static library. Cached outside the
# checkout like the Windows Qt, keyed by version and this script's hash.
#
#   scripts/windows-sqlite.sh   builds it when missing; prints its folder last
#
# The folder holds include/sqlite3.h and lib/libsqlite3.a. Takes a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

say() { echo "windows-sqlite: $*" >&2; }
fail() {
    say "FAILED: $*"
    exit 1
}
# The source cannot be had: a reason outside the project, told apart by the
# exit code (3) so that the caller can say so rather than fail.
unavailable() {
    say "UNAVAILABLE: $*"
    exit 3
}

ensure_packages libsqlite3-dev g++-mingw-w64-x86-64 tcl make dpkg-dev xz-utils >&2
debian_version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
sqlite_version=${debian_version%%-*}
script_hash=$(sha256sum "$0" | cut -c1-12)
cache=${ORVEX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvex}
prefix=$cache/sqlite-$sqlite_version-$script_hash

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work=$cache/work-sqlite-$sqlite_version-$script_hash
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/include" "$prefix/lib"
log=$work/build.log
say "building SQLite $sqlite_version for Windows into $prefix (log: $log)"

ensure_deb_src >&2 || unavailable "no deb-src entry for apt-get source"
(cd "$work" && apt-get source -qq "sqlite3=$debian_version") >>"$log" 2>&1 \
    || unavailable "apt-get source sqlite3=$debian_version (see $log)"
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)
[ -n "$src" ] || fail "the unpacked source is not in $work"

say "making the amalgamation"
(cd "$src" && ./configure >>"$log" 2>&1 && make sqlite3.c >>"$log" 2>&1) \
    || fail "making sqlite3.c (see $log)"

# The options the Debian build uses that the program relies on.
say "compiling it with MinGW-w64"
nice -n 10 x86_64-w64-mingw32-gcc-posix -O2 -c "$src/sqlite3.c" -o "$work/sqlite3.o" \
    -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_COLUMN_METADATA \
    -DSQLITE_DEFAULT_FOREIGN_KEYS=0 >>"$log" 2>&1 || fail "compiling sqlite3.c (see $log)"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$src/sqlite3.h" "$src/sqlite3ext.h" "$prefix/include/"
touch "$prefix/.complete"
rm -rf "$work"
say "done"
echo "$prefix"
