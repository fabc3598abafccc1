# shellcheck shell=bash
# Sourced by scripts/demo, bench/run and the Wine tests: which Wine loader
# runs here, a private X display, scratch Wine prefixes whose servers stay up
# between commands, the editor stand-in run inside one of them, and the
# cleanup of all that. The caller sets editor_exe and kdnc_exe (the two
# stand-ins) and traps stop_session on EXIT.

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
session_display_pid="" session_prefixes=()
session_tools=$(realpath "$(dirname "${BASH_SOURCE[0]}")")
prefix_templates=${KDNC_PREFIX_TEMPLATES:-$(realpath -m "$session_tools/../build/wine-prefixes")}

# True when binfmt_misc hands 32-bit x86 programs to an emulator such as
# qemu-user, which starts Wine's i386 loader but not Wine itself.
emulates_i386() {
    local entry
    grep -qsx enabled /proc/sys/fs/binfmt_misc/status || return 1
    for entry in /proc/sys/fs/binfmt_misc/*; do
        grep -qsx enabled "$entry" && grep -qE '^magic 7f454c4601.{26}0[36]00' "$entry" && return 0
    done
    return 1
}

# Debian's wine starts every program through its i386 loader, which a kernel
# without 32-bit support cannot run; 64-bit programs then go to wine64, and
# 32-bit ones to a VM. KDNC_FORCE_VM=1 takes that road on any machine.
if [ -z "${KDNC_IN_VM:-}" ] && [ -n "${KDNC_FORCE_VM:-}" ] && [ -x /usr/lib/wine/wine64 ]; then
    runs_32bit=no
elif ! emulates_i386 && /usr/lib/wine/wine --version >/dev/null 2>&1 || [ ! -x /usr/lib/wine/wine64 ]; then
    runs_32bit=yes
else
    runs_32bit=no
fi
if [ "$runs_32bit" = no ]; then
    export WINELOADER=/usr/lib/wine/wine64
    wine() { /usr/lib/wine/wine64 "$@"; }
fi
# Bounds that suit a PC are twelve times as long in the VM, which emulates.
patience=1 && [ -z "${KDNC_IN_VM:-}" ] || patience=12

# True when the Windows program is a 64-bit one (PE machine 0x8664).
is_64bit() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    [ "$(od -An -tx1 -j $((pe + 4)) -N2 "$1" | tr -d ' ')" = 6486 ]
}

# True when PROGRAM runs here; else the caller is ended with 77 (skipped)
# when KDNC_SKIP_VM is set, for quick rounds, or with 1 in a VM already.
runs_here() {
    [ "$runs_32bit" = yes ] || is_64bit "$1" && return
    [ -z "${KDNC_IN_VM:-}" ] || { echo "the VM cannot run $(basename "$1") either"; exit 1; }
    [ -z "${KDNC_SKIP_VM:-}" ] || { echo "skipped: KDNC_SKIP_VM is set, so not $(basename "$1") in a VM"; exit 77; }
    return 1
}

# require_runnable PROGRAM SCRIPT [ARGS...]: returns when this machine runs
# PROGRAM; else runs SCRIPT again in a VM that does (tools/vm-run) and ends
# with its exit code, 77 (skipped) when no VM can be had here.
require_runnable() {
    ! runs_here "$1" || return 0
    shift
    exec "$session_tools/vm-run" --timeout 2400 "$@"
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
    for _ in $(seq $((100 * patience))); do
        if [ -s "$1/display" ]; then
            DISPLAY=:$(cat "$1/display") && export DISPLAY
            return
        fi
        sleep 0.05
    done
    echo "Xvfb did not start; see $1/xvfb.log" >&2
    return 1
}

# copy_prefixes PROGRAM DIR:ARCH...: fresh prefixes (ARCH win32 or win64) to
# run PROGRAM in, copies of templates made once, under a lock. Where PROGRAM
# needs a VM, they are made in one, and copied here before the caller moves
# into it: in the VM a prefix takes minutes to make, and a copy over 9p too.
copy_prefixes() {
    local program=$1 item arch lock version needed=() templated=yes
    shift
    [ -z "${KDNC_IN_VM:-}" ] || return 0
    # wine64 alone makes prefixes that run no 32-bit program: each is made
    # afresh, and none is a template a VM might want whole.
    ! { [ "$runs_32bit" = no ] && is_64bit "$program"; } || templated=no
    if [ "$templated" = yes ]; then
        mkdir -p "$prefix_templates" && exec {lock}>"$prefix_templates/lock" && flock "$lock" || exit 1
        version=$(wine --version)
        for arch in win32 win64; do
            [ "$(cat "$prefix_templates/$arch/.made-by" 2>/dev/null)" != "$version" ] || continue
            # Here only the kinds asked for; a VM makes every kind at once.
            runs_here "$program" && [[ " $* " != *":$arch "* ]] || needed+=("$arch")
        done
        if [ ${#needed[@]} -gt 0 ] && runs_here "$program"; then
            make_templates "${needed[@]}" || exit 1
        elif [ ${#needed[@]} -gt 0 ]; then
            "$session_tools/vm-run" --timeout 1500 bash -c 'source "$0" && make_templates "$@"' \
                "$session_tools/wine-session.sh" "${needed[@]}" || exit
        fi
    fi
    for item in "$@"; do
        # A server left by an earlier run would outlive its deleted prefix.
        [ ! -d "${item%:*}" ] || WINEPREFIX=${item%:*} wineserver -k 2>/dev/null || true
        rm -rf "${item%:*}" && mkdir -p "$(dirname "${item%:*}")" || exit 1
        if [ "$templated" = yes ]; then
            cp -a "$prefix_templates/${item##*:}" "${item%:*}" || exit 1
        else
            mkdir "${item%:*}" && WINEPREFIX=${item%:*} WINEARCH=${item##*:} wine wineboot -i >/dev/null 2>&1 || exit 1
        fi
    done
    [ "$templated" = no ] || exec {lock}>&-
}

make_templates() {  # make_templates ARCH...: side by side
    local arch jobs=() failed=0
    for arch in "$@"; do
        # Emulated, a first boot may outlast the loader's wait for it (five
        # minutes, two boots sharing the cores): wineboot then fails while
        # the boot goes on and completes. What counts is a prefix that runs a
        # program once its server is done.
        (export WINEPREFIX=$prefix_templates/$arch WINEARCH=$arch
         rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" &&
             { wine wineboot -i; wineserver -w; wine cmd /c exit 0 && wineserver -w; } >"$WINEPREFIX.log" 2>&1 &&
             wine --version >"$WINEPREFIX/.made-by" ||
             { echo "cannot make a $arch prefix; see $WINEPREFIX.log" >&2 && exit 1; }) &
        jobs+=($!)
    done
    for arch in "${jobs[@]}"; do wait "$arch" || failed=1; done
    return "$failed"
}

# Readies the prefixes, each given as DIR:ARCH, side by side for the editor
# stand-in; copy_prefixes made them.
open_prefixes() {
    local item jobs=()
    for item in "$@"; do
        session_prefixes+=("${item%:*}")
        (export WINEPREFIX=${item%:*} WINEARCH=${item##*:} && prepare_prefix) &
        jobs+=($!)
    done
    for item in "${jobs[@]}"; do wait "$item"; done
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
    # Keeps Wine's desktop open between runs, for a quarter of an hour at
    # most on a PC.
    wine "$editor_exe" --hold-desktop $((900000 * patience)) </dev/null >/dev/null 2>&1 &
    # The first windows of a fresh prefix may not get the foreground.
    run_editor warm-up "$(winpath "$kdnc_exe")" >/dev/null 2>&1 || true
}

# Runs the editor stand-in in $WINEPREFIX from its C: drive, so that the
# programs it starts have C:\ as their current directory; its report in
# Unix line ends.
run_editor() {
    (cd "$WINEPREFIX/drive_c" && wine "$editor_exe" "$@") | tr -d '\r'
}

# Waits up to five seconds on a PC for FILE: the DNC stand-in, started by
# the launcher, may still be writing its log when the launcher has ended.
wait_for_file() {
    for _ in $(seq $((100 * patience))); do [ -f "$1" ] && return; sleep 0.05; done
}

# The launcher's calls of MessageBoxA and ShellExecuteA as Wine traces them
# on standard error, without the pointers and with the C escapes undone.
traced_calls() {
    sed -nE 's/.*Call (user32|shell32)\.([A-Za-z]+\(.*\)) ret=.*/\2/p' |
        sed -E 's/\b[0-9a-f]{8,16} "/"/g; s/\\\\/\\/g'
}
