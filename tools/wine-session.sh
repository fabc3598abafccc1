# shellcheck shell=bash
# Sourced by scripts/demo, bench/run and the Wine tests: which Wine loader
# runs here, a private X display, scratch Wine prefixes whose servers stay up
# between commands, the editor stand-in run inside one of them, and the
# cleanup of all that. The caller sets editor_exe and kdnc_exe (the two
# stand-ins) and traps stop_session on EXIT.

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
session_display_pid="" session_prefixes=()

# Debian's wine starts every program through its i386 loader, which a kernel
# without 32-bit support cannot run; 64-bit programs then go to wine64.
if /usr/lib/wine/wine --version >/dev/null 2>&1 || [ ! -x /usr/lib/wine/wine64 ]; then
    runs_32bit=yes
else
    runs_32bit=no
    export WINELOADER=/usr/lib/wine/wine64
    wine() { /usr/lib/wine/wine64 "$@"; }
fi

# True when the Windows program is a 64-bit one (PE machine 0x8664).
is_64bit() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    [ "$(od -An -tx1 -j $((pe + 4)) -N2 "$1" | tr -d ' ')" = 6486 ]
}

# Ends the caller with 77, which ctest counts as skipped, when this machine
# cannot run the program.
require_runnable() {
    [ "$runs_32bit" = yes ] || is_64bit "$1" && return
    echo "skipped: this machine cannot run 32-bit code, so not $(basename "$1")"
    exit 77
}

stop_session() {
    local prefix
    for prefix in "${session_prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    [ -z "$session_display_pid" ] || kill "$session_display_pid" 2>/dev/null || true
}

# Windows name of a file on this machine, through Wine's Z: drive.
winpath() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}

# Starts Xvfb on a free display for the windows and boxes, and exports
# DISPLAY; the number lands in DIR/display.
start_display() {
    rm -f "$1/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" </dev/null >"$1/xvfb.log" 2>&1 &
    session_display_pid=$!
    for _ in $(seq 100); do
        if [ -s "$1/display" ]; then
            DISPLAY=:$(cat "$1/display") && export DISPLAY
            return
        fi
        sleep 0.05
    done
    echo "Xvfb did not start; see $1/xvfb.log" >&2
    return 1
}

# Makes fresh prefixes side by side, each given as DIR:ARCH (win32 or win64).
open_prefixes() {
    local item jobs=()
    for item in "$@"; do
        session_prefixes+=("${item%:*}")
        make_prefix "${item%:*}" "${item##*:}" &
        jobs+=($!)
    done
    for item in "${jobs[@]}"; do wait "$item"; done
}

make_prefix() {
    export WINEPREFIX=$1 WINEARCH=$2
    # A server left by an earlier run would outlive its deleted prefix.
    [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1
    prepare_prefix
}

# Readies $WINEPREFIX, fresh or with programs installed, for the editor
# stand-in's runs.
prepare_prefix() {
    # The server left running (wineboot's, or an installer's) is not a
    # persistent one, and its desktop may not be on this display; a running
    # server cannot be made persistent. Should stop_session never run, the
    # new one ends a minute after its last program.
    wineserver -k 2>/dev/null || true
    wineserver -p60
    # With no window manager on the display, Wine would wait two seconds for
    # one as each window closes, and would draw no captions.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    # What WINEDEBUG=+relay traces: the launcher's two visible effects.
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'user32.MessageBoxA;shell32.ShellExecuteA' /f >/dev/null
    # Keeps Wine's desktop open between runs, for a quarter of an hour at most.
    wine "$editor_exe" --hold-desktop 900000 </dev/null >/dev/null 2>&1 &
    # The first windows of a fresh prefix may not get the foreground.
    run_editor warm-up "$(winpath "$kdnc_exe")" >/dev/null 2>&1 || true
}

# Runs the editor stand-in in $WINEPREFIX from its C: drive, so that the
# programs it starts have C:\ as their current directory; its report in
# Unix line ends.
run_editor() {
    (cd "$WINEPREFIX/drive_c" && wine "$editor_exe" "$@") | tr -d '\r'
}

# Waits up to five seconds for FILE: the DNC stand-in, started by the
# launcher, may still be writing its log when the launcher has ended.
wait_for_file() {
    for _ in $(seq 100); do [ -f "$1" ] && return; sleep 0.05; done
}

# The launcher's calls of MessageBoxA and ShellExecuteA as Wine traces them
# on standard error, without the pointers and with the C escapes undone.
traced_calls() {
    sed -nE 's/.*Call (user32|shell32)\.([A-Za-z]+\(.*\)) ret=.*/\2/p' |
        sed -E 's/\b[0-9a-f]{8,16} "/"/g; s/\\\\/\\/g'
}
