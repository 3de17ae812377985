#!/usr/bin/env bash
# Builds the PostgreSQL client library that the Windows program loads: libpq
# with TLS, from Debian's own postgresql and openssl sources, cross-compiled
# with MinGW-w64 as DLLs and installed into a cache folder outside the
# checkout. Only what libpq needs is built: OpenSSL's two libraries without
# its programs, tests, engines or rarely used algorithms, and of PostgreSQL
# the generated headers, the port and common libraries and libpq itself.
#
#   scripts/windows-libpq.sh            builds it when missing; prints its folder last
#   scripts/windows-libpq.sh --cached   prints the folder when it is built, and
#                                       fails quietly (exit 1) when it is not
#
# The folder holds bin/libpq.dll with the OpenSSL DLLs it needs beside it,
# include/ with libpq-fe.h and its two headers (and OpenSSL's), lib/ with
# the import libraries, and share/licenses/ with the licences the DLLs are
# shipped under. Its name holds both versions and a hash of the recipe
# below, so changing the recipe builds it again.
#
# Progress goes to standard error; standard output has the folder alone.
# The first build takes about 4 minutes on two otherwise idle cores (6 minutes
# of processor time).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

say() { echo "windows-libpq: $*" >&2; }
fail() {
    say "FAILED: $*"
    exit 1
}
# A source cannot be had: a reason outside the project, told apart by the
# exit code (3) so that the caller can say so rather than fail.
unavailable() {
    say "UNAVAILABLE: $*"
    exit 3
}

cached_only=false
case "${1:-}" in
"") ;;
--cached) cached_only=true ;;
*)
    echo "usage: scripts/windows-libpq.sh [--cached]" >&2
    exit 2
    ;;
esac

# The win32 thread model: the DLLs then need nothing but Windows' own DLLs
# (libpq has its own threads for Windows, OpenSSL uses Windows' own).
mingw=x86_64-w64-mingw32
cc=$mingw-gcc-win32

# OpenSSL keeps what TLS from libpq uses, including what reads encrypted
# client keys.
openssl_options=(
    mingw64 "--cross-compile-prefix=$mingw-" "CC=${cc#"$mingw-"}"
    shared no-tests no-legacy no-engine no-dso no-comp no-uplink
    no-srp no-srtp no-dtls no-sctp no-ssl-trace no-nextprotoneg no-cmp no-cms no-ts
    no-idea no-mdc2 no-whirlpool no-seed no-aria no-camellia no-sm2 no-sm3 no-sm4 no-gost
    no-md4 no-rc2 no-rc4 no-bf no-cast
)
# The folders the DLLs look in at run time (for openssl.cnf; the others are
# unused here) are those of OpenSSL's own Windows builds, which only
# administrators can write to. Configure would make them relative to the
# prefix, and the default, \usr\local\ssl on the current drive, is open to
# any user.
openssl_folders=(
    "OPENSSLDIR=C:/Program Files/Common Files/SSL"
    "ENGINESDIR=C:/Program Files/OpenSSL/lib/engines-3"
    "MODULESDIR=C:/Program Files/OpenSSL/lib/ossl-modules"
)
# libpq looks in its configuration folder for pg_service.conf: likewise.
postgresql_options=(
    "--prefix=C:/Program Files/PostgreSQL" "--host=$mingw" "CC=$cc" --with-ssl=openssl
    --without-readline --without-zlib --without-icu --without-gssapi --without-ldap
    --disable-nls
)

build_openssl() { # source-folder prefix
    local src=$1 prefix=$2
    if [ ! -f "$src/.configured" ]; then
        (cd "$src" && nice -n 19 ./Configure "${openssl_options[@]}") >>"$log" 2>&1 \
            || fail "configuring OpenSSL (see the end of $log)"
        touch "$src/.configured"
    fi
    # The two DLLs alone: build_libs would compile everything a second time
    # for the static libraries.
    local dlls
    read -ra dlls < <(sed -n 's/^SHLIBS=//p' "$src/Makefile")
    [ ${#dlls[@]} -gt 0 ] || fail "OpenSSL's Makefile names no DLLs"
    (nice -n 19 make -C "$src" -j2 "${openssl_folders[@]}" build_generated \
        && nice -n 19 make -C "$src" -j2 "${openssl_folders[@]}" "${dlls[@]}") >>"$log" 2>&1 \
        || fail "compiling OpenSSL (see the end of $log)"
    mkdir -p "$prefix/bin" "$prefix/lib" "$prefix/include/openssl" "$prefix/share/licenses/openssl"
    (cd "$src" && cp "${dlls[@]}" "$prefix/bin/" && cp ./*.dll.a "$prefix/lib/" \
        && cp include/openssl/*.h "$prefix/include/openssl/" \
        && cp LICENSE.txt "$prefix/share/licenses/openssl/") || fail "installing OpenSSL"
    # Their symbols are of no use to the program's users: a quarter of the size.
    (cd "$prefix/bin" && $mingw-strip --strip-unneeded "${dlls[@]}") || fail "stripping OpenSSL's DLLs"
}

build_libpq() { # source-folder prefix
    local src=$1 prefix=$2
    if [ ! -f "$src/.configured" ]; then
        (cd "$src" && nice -n 19 ./configure "${postgresql_options[@]}" \
            --with-includes="$prefix/include" --with-libraries="$prefix/lib") >>"$log" 2>&1 \
            || fail "configuring PostgreSQL (see the end of $log)"
        touch "$src/.configured"
    fi
    # What libpq's own Makefile would make first, less the server's
    # variants of the port and common libraries.
    (nice -n 19 make -C "$src/src/backend" generated-headers \
        && nice -n 19 make -C "$src/src/port" -j2 libpgport.a libpgport_shlib.a \
        && nice -n 19 make -C "$src/src/common" -j2 libpgcommon.a libpgcommon_shlib.a \
        && nice -n 19 make -C "$src/src/interfaces/libpq" -j2 all-shared-lib SHLIB_PREREQS=) >>"$log" 2>&1 \
        || fail "compiling libpq (see the end of $log)"
    mkdir -p "$prefix/bin" "$prefix/lib" "$prefix/include" "$prefix/share/licenses/postgresql"
    # PostgreSQL names the import library libpq.a; .dll.a says what it is.
    (cd "$src" && cp src/interfaces/libpq/libpq.dll "$prefix/bin/" \
        && cp src/interfaces/libpq/libpq.a "$prefix/lib/libpq.dll.a" \
        && cp src/interfaces/libpq/libpq-fe.h src/interfaces/libpq/libpq-events.h \
            src/include/postgres_ext.h src/include/pg_config_ext.h "$prefix/include/" \
        && cp COPYRIGHT "$prefix/share/licenses/postgresql/") || fail "installing libpq"
    $mingw-strip --strip-unneeded "$prefix/bin/libpq.dll" || fail "stripping libpq.dll"
}

# The versions of a source package worth building, best first: the one
# installed, then the later ones the archive lists, newest first. The
# archive keeps only the latest security update of a release, so the
# installed version's source is often gone; a later one is as good, since
# nothing built here links the installed libraries. An earlier one, with
# the fixes the installed one has missing, is never taken.
source_versions() { # source-package installed-version
    echo "$2"
    apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u -V -r \
        | while read -r version; do
            if dpkg --compare-versions "$version" gt "$2"; then echo "$version"; fi
        done
}
upstream() { # debian-version: without the epoch and the Debian revision
    local version=${1#*:}
    echo "${version%-*}"
}

# The versions are those of the installed development packages' sources
# (postgresql-15 and openssl on Debian 12). Only asking installs nothing.
$cached_only || ensure_packages libpq-dev libssl-dev gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 \
    make perl dpkg-dev xz-utils bzip2 >&2
source_of() { dpkg-query -W -f='${source:Package} ${source:Version}\n' "$1" 2>/dev/null; }
not_installed() {
    $cached_only && exit 1
    fail "libpq-dev or libssl-dev is not installed"
}
read -r pg_package pg_installed < <(source_of libpq-dev) || not_installed
read -r ssl_package ssl_installed < <(source_of libssl-dev) || not_installed
recipe_hash=$( (printf '%s\n' "$cc" "${openssl_options[@]}" "${openssl_folders[@]}" "${postgresql_options[@]}" \
    && declare -f build_openssl build_libpq) | sha256sum | cut -c1-12)
cache=${ORVEX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvex}
prefix_of() { # postgresql-version openssl-version
    echo "$cache/libpq-$(upstream "$1")-openssl-$(upstream "$2")-$recipe_hash"
}

# A build from any of the versions that would be fetched now will do.
mapfile -t pg_versions < <(source_versions "$pg_package" "$pg_installed")
mapfile -t ssl_versions < <(source_versions "$ssl_package" "$ssl_installed")
for pg_version in "${pg_versions[@]}"; do
    for ssl_version in "${ssl_versions[@]}"; do
        prefix=$(prefix_of "$pg_version" "$ssl_version")
        if [ -f "$prefix/.complete" ]; then
            echo "$prefix"
            exit 0
        fi
    done
done
$cached_only && exit 1

fetch() { # source-package version... : the first the archive gives, unpacked
    local package=$1 version
    shift
    for version in "$@"; do
        say "fetching the $package $version source package"
        rm -rf "${work:?}/$package"
        mkdir -p "$work/$package"
        if (cd "$work/$package" && apt-get source -qq --only-source "$package=$version") >>"$log" 2>&1; then
            echo "$version" >"$work/$package.version"
            return 0
        fi
        say "the $package $version source package cannot be had"
    done
    rm -rf "${work:?}/$package"
    unavailable "no $package source package of version $1 or later (see $log)"
}
unpacked() { # source-package: its unpacked folder
    find "$work/$1" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

work=$cache/work-libpq-$recipe_hash
log=$work/build.log
if [ -f "$work/$pg_package.version" ] && [ -f "$work/$ssl_package.version" ]; then
    # An earlier run was stopped part-way: its build goes on where it was.
    pg_version=$(cat "$work/$pg_package.version")
    ssl_version=$(cat "$work/$ssl_package.version")
    prefix=$(prefix_of "$pg_version" "$ssl_version")
    say "resuming the build of libpq $(upstream "$pg_version") and OpenSSL $(upstream "$ssl_version") into $prefix"
else
    rm -rf "$work"
    mkdir -p "$work"
    say "the full log is $log"
    ensure_deb_src >&2 || unavailable "no deb-src entry for apt-get source"
    # The deb-src entries may be new: ask again what the archive has.
    mapfile -t pg_versions < <(source_versions "$pg_package" "$pg_installed")
    mapfile -t ssl_versions < <(source_versions "$ssl_package" "$ssl_installed")
    fetch "$ssl_package" "${ssl_versions[@]}"
    fetch "$pg_package" "${pg_versions[@]}"
    pg_version=$(cat "$work/$pg_package.version")
    ssl_version=$(cat "$work/$ssl_package.version")
    prefix=$(prefix_of "$pg_version" "$ssl_version")
    rm -rf "$prefix"
    say "building libpq $(upstream "$pg_version") and OpenSSL $(upstream "$ssl_version") for Windows into $prefix" \
        "(first time on this machine: about 4 minutes)"
fi

ssl_src=$(unpacked "$ssl_package")
pg_src=$(unpacked "$pg_package")
if [ -z "$ssl_src" ] || [ -z "$pg_src" ]; then fail "the unpacked sources are not in $work"; fi
say "compiling OpenSSL's libraries (nice -n 19, two jobs); follow it in $log"
build_openssl "$ssl_src" "$prefix"
say "compiling libpq"
build_libpq "$pg_src" "$prefix"
touch "$prefix/.complete"
rm -rf "$work"
say "done: $(du -sh "$prefix/" | cut -f1) in $prefix"
echo "$prefix"
