#!/usr/bin/env bash
# Finding a saved note: through Ctrl+F in the window, through "scribbet --find" handed to the running program, and
# through "scribbet --find" starting the program; each time Enter shows the note in the window.
# SCRIBBET_SCREENSHOTS=folder keeps a picture of the find window.
source "$DESKTOP_LIB"

find_window() {
    local id
    for _ in $(seq 200); do
        id="$(xdotool search --onlyvisible --name '^Find Notes$' 2>/dev/null | head -n1 || true)"
        [ -n "$id" ] && echo "$id" && return 0
        sleep 0.05
    done
    return 1
}
no_find_window() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^Find Notes$' >/dev/null 2>&1 || return 0
        sleep 0.05
    done
    return 1
}
# Enter in the find window shows the found note in the main window.
choose_and_check() {
    xdotool windowfocus --sync "$fw"
    xdotool key Return
    win="$(wait_window 5)" || fail "Enter did not bring the window forward"
    wait_a11y "yes" 5 state Notes visible || fail "the note list is not shown"
    [ "$(a11y text Category)" = "Birds" ] || fail "category box: $(a11y text Category)"
    [ "$(a11y rows | cut -f2)" = "Swans on the river" ] || fail "list: $(a11y rows)"
    wait_a11y "yes" 5 state Delete enabled || fail "the note's row is not chosen"
    [ "$(a11y text Note)" = $'Seven sleepy swans\nby the weir' ] || fail "the note is not shown: $(a11y text Note)"
}
expect_found() {
    for _ in $(seq 100); do
        [ "$(a11y rows "Found Notes" 2>/dev/null | cut -f1-2)" = $'Birds\tSwans on the river' ] && break
        sleep 0.1
    done
    [ "$(a11y rows "Found Notes" | cut -f1,2,4)" = $'Birds\tSwans on the river\tSeven sleepy swans by the weir' ] ||
        fail "not found: $(a11y rows 'Found Notes')"
    wait_a11y "1 note matches." 5 text "1 note matches." || fail "the count line is wrong"
}

pid="$(start_program)"
win="$(wait_window 15)" || fail "the window did not appear"

# A note saved as a user saves one.
printf 'Seven sleepy swans\nby the weir' | xclip -selection clipboard -i
wait_a11y $'Seven sleepy swans\nby the weir' 5 text Note || fail "the copied text did not arrive"
xdotool windowfocus --sync "$win"
click_at "$win" 100 32
xdotool type --delay 20 "Birds"
click_at "$win" 150 103
xdotool type --delay 20 "Swans on the river"
wait_a11y "Swans on the river" 5 text Description || fail "the description was not typed"
click_at "$win" 202 313
wait_no_window 5 || fail "the window stayed after Save"

# A second start hands its request to the running program and ends.
timeout 10 "$SCRIBBET" --find "SLEEPY" || fail "scribbet --find did not end at once"
fw="$(find_window)" || fail "--find did not open the find window"
[ "$(a11y text Find)" = "SLEEPY" ] || fail "the search field holds: $(a11y text Find)"
expect_found
if [ -n "${SCRIBBET_SCREENSHOTS:-}" ]; then
    sleep 0.3
    import -window "$fw" "$SCRIBBET_SCREENSHOTS/find-notes.png"
fi
choose_and_check
xdotool windowfocus --sync "$fw"
xdotool key Escape
no_find_window || fail "Escape did not close the find window"

# Ctrl+F in the window.
xdotool windowfocus --sync "$win"
xdotool key ctrl+f
fw="$(find_window)" || fail "Ctrl+F did not open the find window"
xdotool windowfocus --sync "$fw"
xdotool key ctrl+a
xdotool type --delay 20 "weir swa"
expect_found
choose_and_check

# Not running: the program starts with the find window open.
kill "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
no_find_window || fail "the find window outlived the program"
"$SCRIBBET" --find swans >"$WORK/second.log" 2>&1 &
win="$(wait_window 15)" || fail "the program did not start"
fw="$(find_window)" || fail "the started program did not open the find window"
expect_found
choose_and_check
echo "find: ok"
