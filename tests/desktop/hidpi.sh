#!/usr/bin/env bash
# At twice the scale, as on a high-dpi screen, the window and every twip position scale with it.
# SCRIBBET_SCREENSHOT=path keeps a picture of the window.
source "$DESKTOP_LIB"
export QT_SCALE_FACTOR=2

pid="$(start_program)"
win="$(wait_window 15)" || fail "the window did not appear"
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" -eq 642 ] && [ "$HEIGHT" -eq 730 ] || fail "the window is ${WIDTH}x${HEIGHT} at twice the scale"
for _ in $(seq 300); do [ "$(tray_icons)" -ge 1 ] && break; sleep 0.05; done
[ "$(tray_icons)" -ge 1 ] || fail "no icon in the tray"
# The Save button's centre in device pixels is twice its centre in logical pixels.
click_at "$win" 534 626 # Minimize
wait_no_window 5 || fail "the Minimize button is not where twice its position puts it"
if [ -n "${SCRIBBET_SCREENSHOT:-}" ]; then
    timeout 10 "$SCRIBBET"
    win="$(wait_window 5)"
    sleep 0.5
    import -window "$win" "$SCRIBBET_SCREENSHOT"
fi
echo "hidpi: ok"
