#!/usr/bin/env bash
# Runs the Windows zip as a person would: unpacked into a fresh Wine prefix
# with nothing else installed, started on a virtual X display inside a Wine
# desktop with its taskbar, and driven with the keyboard and the mouse.
#
#   blackbox.sh ZIP WINPROBE_EXE [SCREENSHOT_FOLDER]
#   blackbox.sh PROGRAM_FOLDER WINPROBE_EXE [SCREENSHOT_FOLDER]
#
# A program folder (a build's bin/) is run as it is, without the zip's checks.
# Checks what the user sees and what Windows sees: the zip's contents, the
# four windows' titles and styles (taskbar button or not, owner, title bar),
# a lookup, an added word in the dictionary file, the addresses handed to
# the shell and System Info started. With a folder given, it saves a
# screenshot of each window there.
set -euo pipefail
given=$(realpath "$1")
probe=$(realpath "$2")
shots=${3:+$(realpath "$3")}
work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-blackbox.XXXXXX")
xvfb=
source "$(dirname "$0")/checks.sh"
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# --- The zip: the program, the tool, the dictionary, libpq with OpenSSL for a
# server, and the licences; nothing to install.
if [ -d "$given" ]; then
    folder=$given
else
    expect "files in the zip" "LICENSE libcrypto-3-x64.dll libpq.dll libssl-3-x64.dll \
licenses/openssl/LICENSE.txt licenses/postgresql/COPYRIGHT nym2.fdb nym2.fdb.dist orvex-db.exe orvex.exe" \
        "$(unzip -Z1 "$given" | grep -v '/$' | sed 's|^[^/]*/||' | LC_ALL=C sort | xargs)"
    mkdir -p "$work/unpacked"
    unzip -q "$given" -d "$work/unpacked"
    folder=$(dirname "$(find "$work/unpacked" -name orvex.exe)")
fi
# Only the system's own libraries: Qt, SQLite and the compiler's run time
# (Qt6*.dll, libstdc++-6.dll, libgcc_s_seh-1.dll, ...) are linked in.
for exe in orvex.exe orvex-db.exe; do
    foreign=$(x86_64-w64-mingw32-objdump -p "$folder/$exe" | sed -n 's/^\s*DLL Name: //p' \
        | grep -iE '^(qt|lib|sqlite)' || true)
    expect "libraries $exe needs besides the system's" "" "$(echo $foreign)"
done

# --- A display, a fresh prefix, and the zip unpacked into Program Files.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 5>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
wine wineboot --init </dev/null >/dev/null 2>&1
win() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
reg() { wine reg "$@" </dev/null >/dev/null 2>&1; }
# Every program of the prefix, the probe too, runs inside one Wine desktop
# whose taskbar shows the buttons Windows would show ("shell" is the
# desktop name that has one).
reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f
reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f
program_files="$WINEPREFIX/drive_c/Program Files/Orvex"
mkdir -p "$program_files"
cp "$folder"/orvex.exe "$folder"/orvex-db.exe "$folder"/nym2.fdb* "$program_files/"

# The shell's mail and web handlers record what they are handed (the test
# marker program), and System Info is where Windows records it: Wine ships
# msinfo32.exe but does not name it in the registry.
cp "$(dirname "$probe")/orvex_marker.exe" "$work/mail.exe"
cp "$(dirname "$probe")/orvex_marker.exe" "$work/web.exe"
mail_handler="Z:${work//\//\\}\\mail.exe"
web_handler="Z:${work//\//\\}\\web.exe"
reg add 'HKCR\mailto' /ve /d 'URL:MailTo Protocol' /f
reg add 'HKCR\mailto' /v 'URL Protocol' /d '' /f
reg add 'HKCR\mailto\shell\open\command' /ve /d "\"$mail_handler\" \"%1\"" /f
reg add 'HKCR\http' /ve /d 'URL:HyperText Transfer Protocol' /f
reg add 'HKCR\http' /v 'URL Protocol' /d '' /f
reg add 'HKCR\http\shell\open\command' /ve /d "\"$web_handler\" \"%1\"" /f
reg add 'HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO' /v PATH /d 'C:\windows\system32\msinfo32.exe' /f

# --- Start it. Wine's process trace records what it starts in turn.
(cd "$program_files" && WINEDEBUG=-all,+process wine 'C:\Program Files\Orvex\orvex.exe' \
    </dev/null >"$work/orvex.log" 2>&1 &)
desktop=
for _ in $(seq 300); do
    desktop=$(xdotool search --name 'shell - Wine desktop' 2>/dev/null | head -n 1) && [ -n "$desktop" ] && break
    sleep 0.1
done
[ -n "$desktop" ] || { fail "no Wine desktop appeared"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$desktop" | sed 's/^/desktop_/')"

# Prints a window's styles (see winprobe.cpp) and sets its frame and client
# rectangles as frame_x, client_x and so on.
window() { # title
    local text
    text=$(win "$probe" window "$1") || { fail "no window titled '$1'"; return 1; }
    echo "$text" >"$work/window"
    IFS=, read -r frame_x frame_y frame_w frame_h < <(sed -n 's/^frame=//p' "$work/window")
    IFS=, read -r client_x client_y client_w client_h < <(sed -n 's/^client=//p' "$work/window")
}
style() { sed -n "s/^$1=//p" "$work/window"; }
# Clicks at a point of the window's client area. In the main window the
# layout's places lie below the menu bar, which Qt draws inside the client
# area: its 115 pixels are the bottom of it.
click() { # x y
    xdotool mousemove $((desktop_X + client_x + $1)) $((desktop_Y + client_y + $2)) click 1
    sleep 0.5
}
click_main() { click "$1" $(($2 + client_h - 115)); }
keys() { xdotool key --delay 80 "$@"; sleep 0.5; }
type_text() { xdotool type --delay 60 "$1"; sleep 0.3; }
shot() { # name
    [ -n "$shots" ] || return 0
    sleep 0.5
    import -window root -crop "${frame_w}x${frame_h}+$((desktop_X + frame_x))+$((desktop_Y + frame_y))" \
        +repage "$shots/$1.png"
}
copied() { win "$probe" clipboard; }
stored() { # acronym (letters only)
    sqlite3 -readonly "$program_files/nym2.fdb" \
        "SELECT Definition FROM Acronyms WHERE Acronym = '$1'"
}
wait_for_marker() { # program
    for _ in $(seq 100); do [ -f "$1.ran" ] && break; sleep 0.1; done
    cat "$1.ran" 2>/dev/null || true
}

# --- The main window: a fixed window with its own taskbar button.
window "Orvex"
expect "main window: title bar" 1 "$(style caption)"
expect "main window: taskbar button" 1 "$(style taskbar)"
expect "main window: minimize box" 1 "$(style minimizebox)"
expect "main window: maximize box" 0 "$(style maximizebox)"
expect "main window: resizable border" 0 "$(style thickframe)"
# Qt draws the menu bar inside the client area, above the window's fixed 115 pixels.
expect "main window: client width" 331 "$client_w"

# A lookup: type an acronym, Enter, and copy the definition box's text.
type_text "3gpp"
keys Return
click_main 144 68
keys ctrl+a ctrl+c
expect "definition shown for 3gpp" "3rd Generation Partnership Project" "$(copied)"
shot frmMain

# Add stores a word: the input box asks for its definition.
click_main 144 17
keys ctrl+a
type_text "ZQXW"
keys alt+a
window "Add Acronym" || true
type_text "Orvex black-box word"
keys Return
win "$probe" gone "Add Acronym" >/dev/null || fail "the input box stayed open"
expect "stored definition of ZQXW" "Orvex black-box word" "$(stored ZQXW)"

# Add on a stored acronym opens the existing-definition dialog.
keys alt+a
window "Definition Exists"
expect "dialog: taskbar button" 1 "$(style taskbar)"
shot frmEdit
keys alt+F4
win "$probe" gone "Definition Exists" >/dev/null || fail "the dialog did not close"

# Help > Contact Us: a dialog frame without a taskbar button, and both
# addresses handed to the shell.
window "Orvex"
click_main 30 40
keys alt+h c
window "Contact Us"
expect "contact: title bar" 1 "$(style caption)"
expect "contact: tool window (small title bar)" 0 "$(style toolwindow)"
expect "contact: taskbar button" 0 "$(style taskbar)"
expect "contact: owner hidden" "1 0" "$(style owner) $(style ownervisible)"
expect "contact: minimize box" 0 "$(style minimizebox)"
expect "contact: client area" "262x154" "${client_w}x${client_h}"
shot frmContact
click 128 48
expect_within "mail hand-off" '"mailto:support@kelbrite.example"' "$(wait_for_marker "$work/mail.exe")"
click 128 96
expect_within "web hand-off" '"http://www.kelbrite.example/"' "$(wait_for_marker "$work/web.exe")"
window "Contact Us"
click 128 132
win "$probe" gone "Contact Us" >/dev/null || fail "OK did not close the contact window"

# Help > About: the same frame; System Info starts Wine's msinfo32.exe.
window "Orvex"
click_main 30 40
keys alt+h a
window "About Orvex"
expect "about: title bar" 1 "$(style caption)"
expect "about: tool window (small title bar)" 0 "$(style toolwindow)"
expect "about: taskbar button" 0 "$(style taskbar)"
expect "about: owner hidden" "1 0" "$(style owner) $(style ownervisible)"
expect "about: client area" "382x171" "${client_w}x${client_h}"
shot frmAbout
keys alt+s
sleep 3
checks=$((checks + 1))
grep -qi 'msinfo32.exe' "$work/orvex.log" || fail "System Info did not start msinfo32.exe"
if [ -n "$shots" ]; then
    # The whole desktop, taskbar included, with the About window open.
    import -window root -crop "${desktop_WIDTH}x${desktop_HEIGHT}+${desktop_X}+${desktop_Y}" +repage \
        "$shots/desktop.png"
fi

# --- The manifest: per-monitor DPI awareness.
checks=$((checks + 1))
win "$probe" manifest "$(winepath -w "$program_files/orvex.exe")" | grep -q 'PerMonitorV2' \
    || fail "orvex.exe has no manifest declaring per-monitor DPI awareness"

echo "blackbox: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
