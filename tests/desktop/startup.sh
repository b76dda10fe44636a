#!/usr/bin/env bash
# Start-up on a real X server: the window appears centred with its caption, its icon sits in the tray, a second
# start hands over to the first without touching the data folder, and the session's end closes it without a question.
source "$DESKTOP_LIB"

pid="$(start_program)"
win="$(wait_window 15)" || fail "the window did not appear"
[ "$(xdotool getwindowname "$win")" = "Scribbet 1.6" ] || fail "caption"
[ -f "$PROGRAM/data/data.mdb" ] && [ -f "$PROGRAM/data/category.dat" ] && [ -f "$PROGRAM/data/settings.dat" ] ||
    fail "the data folder was not made from original/"

# The window with its frame (title bar and borders, where a window manager draws them) is centred on the screen.
screen_w=1280
screen_h=1024
centred() {
    # The client area's place on the screen (xdotool's position counts a frame twice).
    eval "$(xdotool getwindowgeometry --shell "$win")"
    X="$(xwininfo -id "$win" | sed -n 's/.*Absolute upper-left X: *//p')"
    Y="$(xwininfo -id "$win" | sed -n 's/.*Absolute upper-left Y: *//p')"
    local extents left=0 right=0 top=0 bottom=0
    extents="$(xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')"
    [ -n "$extents" ] && IFS=, read -r left right top bottom <<<"$extents"
    [ -z "${SCRIBBET_WM:-}" ] || [ "$top" -gt 0 ] || return 1
    frame="$((WIDTH + left + right))x$((HEIGHT + top + bottom))+$((X - left))+$((Y - top))"
    local dx=$((X - left - (screen_w - WIDTH - left - right) / 2))
    local dy=$((Y - top - (screen_h - HEIGHT - top - bottom) / 2))
    [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ]
}
# A loaded machine may take seconds before the window manager has framed the window.
deadline=$((SECONDS + 20))
until centred || [ $SECONDS -ge $deadline ]; do sleep 0.05; done
centred || fail "not centred: frame ${frame:-unknown}"
[ "$WIDTH" -eq 321 ] && [ "$HEIGHT" -eq 365 ] || fail "client area ${WIDTH}x${HEIGHT}"

for _ in $(seq 300); do [ "$(tray_icons)" -ge 1 ] && break; sleep 0.05; done
[ "$(tray_icons)" -ge 1 ] || fail "no icon in the tray"

before="$(data_snapshot)"
sleep 1.1 # a write after this would show in the modification times
timeout 10 "$SCRIBBET" || fail "the second start did not end by itself"
kill -0 "$pid" || fail "the first instance ended"
[ "$(data_snapshot)" = "$before" ] || fail "the second start touched the data folder"
wait_window 5 >/dev/null || fail "the window went away"

# A window hidden with "Minimize" comes back when the program is started again.
click_at "$win" 267 313
wait_no_window 5 || fail "Minimize did not hide the window"
timeout 10 "$SCRIBBET" || fail "the third start did not end by itself"
wait_window 5 >/dev/null || fail "a second start did not bring the hidden window back"
kill -0 "$pid" || fail "the first instance ended"

# The session ending (log-off, shutdown) ends the program without the exit question.
kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
! kill -0 "$pid" 2>/dev/null || fail "the program did not end with the session"
[ "$(tray_icons)" -eq 0 ] || fail "the tray icon stayed behind"
echo "startup: ok"
