#!/usr/bin/env bash
# Runs one desktop test script under a private X server with a tray host, with a private home, runtime folder and
# trash. Usage: run-desktop-test.sh SCRIPT PROGRAM
# PROGRAM is a program folder, whose copy the test runs, or an installed executable (such as /usr/bin/scribbet),
# which keeps its data in the home folder. SCRIBBET_HOME=folder gives the home folder, which then outlives the test.
set -euo pipefail
script="$1"
program="$2"

work="$(mktemp -d /tmp/scribbet-desktop.XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    # The programs this test started, and no other: they carry its folder in their environment.
    for p in $(pgrep -x scribbet || true); do
        tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WORK=$work" && kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export HOME="${SCRIBBET_HOME:-$work/home}"
export XDG_RUNTIME_DIR="$work/run"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY SESSION_MANAGER
export QT_QPA_PLATFORM=xcb

# A session bus with the accessibility bus, so that tests read the window as a screen reader does; without it
# (SCRIBBET_NO_A11Y=1) where the program is measured as most users run it.
eval "$(dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")
if [ -z "${SCRIBBET_NO_A11Y:-}" ]; then
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
    pids+=($!)
fi

# The window that owns the system tray of screen 0 on this display, 0 when there is none.
tray_owner() {
    /usr/bin/python3 -c '
import ctypes
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XGetSelectionOwner.restype = ctypes.c_ulong
display = x.XOpenDisplay(None)
print(x.XGetSelectionOwner(display, x.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0)) if display else 0)'
}

# A display number of its own: the server names the first free one. Without -noreset the server starts afresh each
# time its last client leaves, and a client that connects meanwhile (the window manager or the tray host right after
# the check below) is refused.
exec 3>"$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
# Each part of the desktop is waited for up to 30 s (a loaded machine), and the test stops when one never comes.
within_30s() {
    local deadline=$((SECONDS + 30))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}
within_30s test -s "$work/display" || { echo "FAIL: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
within_30s xdpyinfo >/dev/null 2>&1 || { echo "FAIL: the X server does not answer" >&2; exit 1; }

# Starts a part of the test desktop, NAME, with COMMAND and waits until READY holds. A part that ends before it is
# ready (one refused by a busy X server) is started once more; the test stops when it never becomes ready.
start_part() {
    local name="$1" ready="$2" attempt
    shift 2
    for attempt in 1 2; do
        "$@" >"$work/$name.log" 2>&1 &
        pids+=($!)
        settled() { "$ready" || ! kill -0 "${pids[-1]}" 2>/dev/null; }
        within_30s settled || true
        "$ready" && return 0
        kill -0 "${pids[-1]}" 2>/dev/null && break
        echo "the $name ended before it was ready (attempt $attempt); it said: $(cat "$work/$name.log")" >&2
    done
    echo "FAIL: the $name never became ready; it and the X server said:" >&2
    cat "$work/$name.log" "$work/xvfb.log" >&2
    exit 1
}

# A window manager where a test needs one (SCRIBBET_WM=1): minimising needs it.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; }
if [ -n "${SCRIBBET_WM:-}" ]; then
    start_part "window manager" wm_running openbox --sm-disable
fi

# A desktop without a system tray is tested too (SCRIBBET_NO_TRAY=1).
# A program asks whether there is a tray when it puts its window aside: the host must own the tray's selection before
# the test starts, or the program rightly minimises instead. A loaded machine may take seconds for that.
tray_taken() { [ "$(tray_owner)" != 0 ]; }
if [ -z "${SCRIBBET_NO_TRAY:-}" ]; then
    start_part "tray host" tray_taken \
        trayer --edge top --align right --widthtype request --height 32 --transparent false --expand true
fi

# PROGRAM is the folder that data/ and backup/ are in.
if [ -d "$program" ]; then
    cp -a "$program" "$work/program"
    export PROGRAM="$work/program"
    export SCRIBBET="$work/program/scribbet"
else
    export PROGRAM="$XDG_DATA_HOME/scribbet"
    export SCRIBBET="$program"
fi
export DESKTOP_LIB="$(dirname "$0")/lib.sh"
export WORK="$work"
started=$SECONDS
bash "$script" || {
    status=$?
    echo "The test failed after $((SECONDS - started)) s. What the program printed:" >&2
    tail -n 40 "$work/scribbet.log" >&2 2>/dev/null || true
    exit "$status"
}
