#!/usr/bin/env bash
# Deleting a listed note on a real desktop: after the two questions are answered the note's file is in the user's
# trash, where trash-list finds it, and its record is gone from data.mdb.
source "$DESKTOP_LIB"

# One note under "Work", made the way the program stores it.
key="AbCdEfGhIjKlMnOp"
mkdir -p "$PROGRAM/data"
cp "$PROGRAM/original/data.mdb" "$PROGRAM/original/settings.dat" "$PROGRAM/data/"
printf '[main]\r\ntotal=1\r\n[category]\r\n1=Work\r\n' >"$PROGRAM/data/category.dat"
printf 'to the trash\r\n' >"$PROGRAM/data/$key.txt"
sqlite3 "$PROGRAM/data/data.mdb" "INSERT INTO data (theDate, theTime, theCategory, theDescription, thePath)
    VALUES ('12/08/26', '2:05:09 PM', 'Work', 'doomed', '\\data\\$key.txt')"

start_program >/dev/null
win="$(wait_window 15)" || fail "the window did not appear"

# Waits for a message box (title "Scribbet") to have the keyboard, and presses its default button with Enter.
answer_box() {
    local box=""
    for _ in $(seq 200); do
        box="$(xdotool search --onlyvisible --name '^Scribbet$' 2>/dev/null | head -n1 || true)"
        [ -n "$box" ] && [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$box" ] && break
        sleep 0.05
    done
    [ -n "$box" ] || fail "no message box: $1"
    xdotool key Return
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name '^Scribbet$' 2>/dev/null | grep -qx "$box" || return 0
        sleep 0.05
    done
    fail "the message box stayed: $1"
}

click_at "$win" 75 313   # Open Database
sleep 0.3
click_at "$win" 100 117  # the first row of the list
sleep 0.3
click_at "$win" 202 313  # Delete
answer_box "the question"
answer_box "the confirmation"

trash-list | grep -qF "$PROGRAM/data/$key.txt" || fail "trash-list does not show the note: $(trash-list)"
[ ! -e "$PROGRAM/data/$key.txt" ] || fail "the note file is still in the data folder"
[ "$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT count(*) FROM data')" = 0 ] || fail "the record is still there"
echo "delete note: ok"
