#!/usr/bin/env bash
# Deleting a listed note on a real desktop: after the two questions are answered the note's file is in the user's
# trash, where trash-list finds it, and its record is gone from data.mdb. Only this run's own trash is read.
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

# This run's own trash: the file whole, and a record that trash-list reads. trash-list also reads the trash folders
# of every other volume, so its output is taken whole before it is searched.
trash="$XDG_DATA_HOME/Trash"
[ "$(cat "$trash/files/$key.txt" 2>/dev/null)" = "$(printf 'to the trash\r\n')" ] ||
    fail "the note is not whole in the trash: $(ls -la "$trash/files" 2>&1)"
grep -qxF "Path=$PROGRAM/data/$key.txt" "$trash/info/$key.txt.trashinfo" ||
    fail "the trash record does not name the note: $(cat "$trash/info/$key.txt.trashinfo" 2>&1)"
listed="$(trash-list 2>/dev/null || true)"
grep -qF "$PROGRAM/data/$key.txt" <<<"$listed" || fail "trash-list does not show the note: $listed"
[ ! -e "$PROGRAM/data/$key.txt" ] || fail "the note file is still in the data folder"
[ "$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT count(*) FROM data')" = 0 ] || fail "the record is still there"
echo "delete note: ok"
