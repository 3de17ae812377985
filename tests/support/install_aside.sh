# Sourced by the tests that install the build. install_aside BUILD PREFIX
# MANIFEST [cmake options...] does what `cmake --install BUILD --prefix
# PREFIX` does, except that the list of installed files goes to MANIFEST.
# BUILD/install_manifest.txt belongs to the user's own install: the README
# uninstalls by it, so a test that rewrote it with its own paths (say
# /usr/lib/orvex, from a staged install) would have that uninstall delete
# files it never installed.
install_aside() {
    local build=$1 prefix=$2 manifest=$3
    shift 3
    local script
    script=$(mktemp "${TMPDIR:-/tmp}/orvex-install.XXXXXX")
    # The install script ends by writing the list into the build folder.
    sed "s|^file(WRITE \"[^\"]*/\${CMAKE_INSTALL_MANIFEST}\"|file(WRITE \"$manifest\"|" \
        "$build/cmake_install.cmake" >"$script"
    if ! grep -qF "file(WRITE \"$manifest\"" "$script"; then
        echo "install_aside: $build/cmake_install.cmake writes its manifest in a way not known here" >&2
        rm -f "$script"
        return 1
    fi
    local status=0
    cmake -DCMAKE_INSTALL_PREFIX="$prefix" "$@" -P "$script" || status=$?
    rm -f "$script"
    return "$status"
}
