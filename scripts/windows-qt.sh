#!/usr/bin/env bash
# Builds the Qt that the Windows program links: Debian's own qt6-base source,
# cross-compiled with MinGW-w64 as a static Core, Gui, Widgets and Test, and
# installed into a cache folder outside the checkout. It is built once per
# machine: the folder's name holds the Qt version and a hash of the recipe
# below (toolchain and options), so changing the recipe builds it again and
# an unchanged one finds it at once.
#
#   scripts/windows-qt.sh     builds it when missing; prints its folder last
#
# Progress goes to standard error; standard output has the folder alone.
# The first build takes 25-35 minutes on two otherwise idle cores.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

say() { echo "windows-qt: $*" >&2; }
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

toolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
'
# Debian's tarball leaves out the wintab header, hence no tablet events.
# OpenGL stays on: the Windows platform plugin of this version does not
# compile without it, and Wine provides opengl32.dll.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DBUILD_SHARED_LIBS=OFF
    -DFEATURE_static_runtime=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DINPUT_opengl=desktop
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_openssl=OFF
    -DFEATURE_system_zlib=OFF
    # Parts the program never uses, left out for the build's time (the
    # graphics view is a sixth of Widgets). The Direct2D plugin stays: in
    # this version Gui builds the DirectWrite font database only with it,
    # and the Windows plugin needs that.
    -DFEATURE_graphicsview=OFF
    -DFEATURE_mdiarea=OFF
    -DFEATURE_calendarwidget=OFF
    -DFEATURE_datetimeedit=OFF
    -DFEATURE_pdf=OFF
    -DFEATURE_textmarkdownreader=OFF
    -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_textodfwriter=OFF
    -DFEATURE_movie=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_gif=OFF
)

# The host tools (moc, rcc, uic) come from Debian's Qt, so the source must be
# the very same version.
ensure_packages qt6-base-dev-tools g++-mingw-w64-x86-64 cmake ninja-build perl dpkg-dev xz-utils >&2
debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
qt_version=${debian_version%%+*}
recipe_hash=$( (printf '%s' "$toolchain" && printf '%s\n' "${options[@]}") | sha256sum | cut -c1-12)
cache=${ORVEX_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvex}
prefix=$cache/qt-$qt_version-$recipe_hash

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work=$cache/work-qt-$qt_version-$recipe_hash
log=$work/build.log
if [ -f "$work/build/build.ninja" ]; then
    # An earlier run was stopped part-way: its build goes on where it was.
    say "resuming the build of Qt $qt_version for Windows into $prefix"
else
    say "building Qt $qt_version for Windows into $prefix (first time on this machine: 25-35 minutes)"
    rm -rf "$work" "$prefix"
    mkdir -p "$work"
    say "the full log is $log"

    ensure_deb_src >&2 || unavailable "no deb-src entry for apt-get source"
    say "fetching the qt6-base $debian_version source package"
    (cd "$work" && apt-get source -qq "qt6-base=$debian_version") >>"$log" 2>&1 \
        || unavailable "apt-get source qt6-base=$debian_version (see $log)"
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
    [ -n "$src" ] || fail "the unpacked source is not in $work"
    printf '%s' "$toolchain" >"$work/toolchain.cmake"

    say "configuring"
    nice -n 19 cmake -S "$src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" \
        >>"$log" 2>&1 || fail "configuring Qt (see the end of $log)"
fi

say "compiling (nice -n 19, two jobs); follow it in $log"
nice -n 19 cmake --build "$work/build" -j2 >>"$log" 2>&1 || fail "compiling Qt (see the end of $log)"

say "installing"
cmake --install "$work/build" >>"$log" 2>&1 || fail "installing Qt (see the end of $log)"
touch "$prefix/.complete"
rm -rf "$work"
say "done: $(du -sh "$prefix/" | cut -f1) in $prefix"
echo "$prefix"
