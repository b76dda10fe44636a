#!/usr/bin/env bash
# On a desktop without a system tray the window is never stranded: "Minimize" and saving minimise it instead of
# hiding it, and starting the program again brings it back.
source "$DESKTOP_LIB"

# Waits until the window manager reports the window in STATE (Normal or Iconic).
wait_state() {
    local state="" deadline=$((SECONDS + 20))
    while [ $SECONDS -lt $deadline ]; do
        state="$(xprop -id "$win" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p')"
        [ "$state" = "$1" ] && return 0
        sleep 0.05
    done
    echo "$state"
    return 1
}

pid="$(start_program)"
win="$(wait_window 15)" || fail "the window did not appear"
[ "$(tray_icons)" -eq 0 ] || fail "there is no tray, yet an icon was embedded"
# The window manager frames the window and takes it in hand, on a loaded machine some time after it is mapped.
state="$(wait_state Normal)" || fail "the window manager did not take the window (state: $state)"
click_at "$win" 267 313 # Minimize
state="$(wait_state Iconic)" || fail "Minimize did not minimise the window (state: $state)"
timeout 10 "$SCRIBBET" || fail "the second start did not end by itself"
state="$(wait_state Normal)" || fail "starting again did not bring the window back (state: $state)"
kill -0 "$pid" || fail "the program ended"
echo "notray: ok"
