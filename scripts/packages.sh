# Sourced by run.sh and test.sh: installs the Debian packages a step needs
# when they are missing, and does nothing when they are all there.
ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Another apt run on the machine holds the lock for a while: wait for it.
    local lock=(-o DPkg::Lock::Timeout=900)
    "${sudo[@]}" apt-get "${lock[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${lock[@]}" install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# What building and testing need. Liberation Sans has the metrics the
# windows' fixed labels were laid out in; GNU libmicrohttpd serves orvex-web.
BUILD_PACKAGES=(cmake g++ make qt6-base-dev libsqlite3-dev libpq-dev libfontconfig-dev libgtest-dev
                fonts-dejavu-core fonts-liberation2 libmicrohttpd-dev)
# What the tests need besides: the validators of the desktop entry and the
# AppStream metainfo; a resource compiler for the Windows version record;
# for the packages dpkg-shlibdeps (their Depends), lintian and unzip; a
# virtual display with the desktop's accessibility bus and its Python reader
# for the screen-reader test; a PostgreSQL server (with PgBouncer in front,
# and openssl for its certificates) that the server tests start for
# themselves; clang-format for the layout check; bsdgames for the BSD wtf
# acronym files that the import tests read as people have them; headless
# Chromium driven through Selenium for orvex-web's pages, and systemd's own
# reader of its service file.
TEST_PACKAGES=(desktop-file-utils appstream binutils-mingw-w64-x86-64 dpkg-dev lintian unzip
               xvfb dbus at-spi2-core python3-pyatspi
               postgresql postgresql-common pgbouncer openssl clang-format bsdgames
               chromium chromium-driver python3-selenium systemd)

# What the Windows check needs: the MinGW-w64 cross compiler (with its
# resource compiler), Wine (and its fonts) to run what it builds, GoogleTest's
# sources, and for the black-box run a virtual display, a keyboard and mouse
# driver, a screenshot taker, unzip and SQLite's shell. The Qt and SQLite for
# Windows are built from Debian's sources (scripts/windows-qt.sh).
WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64 wine wine64 fonts-wine googletest
    xvfb xdotool imagemagick unzip sqlite3)

# The fuzzers' run-time library, of the installed clang's version.
clang_runtime_package() {
    echo "libclang-rt-$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)-dev"
}

# Every package a stage of .ci/run installs, at once: the lists above, clang
# for the fuzzers, what scripts/windows-qt.sh and windows-sqlite.sh build
# with, and what run.sh takes its screenshot with. .ci/run takes the
# machine's state after this and compares it at the end, so a package some
# stage installs that is missing here shows there.
ensure_every_package() {
    ensure_packages clang
    ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" \
        "$(clang_runtime_package)" qt6-base-dev-tools ninja-build perl dpkg-dev xz-utils tcl xauth
}

configure_and_build() { # build-dir [cmake options...]
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

# apt-get source needs deb-src entries. They mirror the Debian archive
# entries the machine already uses, so a source matches what is installed.
ensure_deb_src() {
    local file=/etc/apt/sources.list.d/orvex-deb-src.sources
    [ -s "$file" ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    local entries
    entries=$(for f in /etc/apt/sources.list.d/*.sources; do
        [ "$f" = "$file" ] || [ ! -f "$f" ] && continue
        # Each stanza signed by the Debian archive key, as deb-src.
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /Types:[^\n]*deb/ && /debian-archive-keyring/ {
                 sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
    done)
    if [ -z "$entries" ]; then
        echo "No Debian archive entry in /etc/apt/sources.list.d to mirror as deb-src" >&2
        return 1
    fi
    echo "Adding deb-src entries beside the Debian archive's deb entries"
    printf '%s\n' "$entries" | "${sudo[@]}" tee "$file" >/dev/null
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update -qq
}
