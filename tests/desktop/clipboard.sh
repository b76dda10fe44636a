#!/usr/bin/env bash
# The clipboard on a real X server, owned by other programs: text copied before the start is taken; a change costs
# its owner one read and an unchanged clipboard none; a password manager's secret is never asked for; an owner that
# hangs never stalls the window, and is read once it answers; a copy in the note box is no new note; a megabyte line
# comes and goes whole.
source "$DESKTOP_LIB"
export SCRIBBET_STALL_LOG="$WORK/stall.log"

clipboard_text() { timeout 10 xclip -o -selection clipboard; }

# Stalls of the event loop, in ms, logged after a moment given in ms since the epoch; the longest, or 0.
longest_stall_since() { awk -v since="$1" '$1 > since && $2 > max { max = $2 } END { print max + 0 }' "$WORK/stall.log"; }

first="$(own --text "on the clipboard before the start")"
pid="$(start_program)"
wait_window 15 >/dev/null || fail "the window did not appear"
gone "$first" 10 || fail "text on the clipboard at the start was not taken"
[ "$(clipboard_text)" = "on the clipboard before the start" ] || fail "the note is not on the clipboard"

# The same text offered anew: one read (its formats, then its text), and nothing more while it stays.
same="$(own --text "on the clipboard before the start" --log "$WORK/same.log")"
for _ in $(seq 200); do [ "$(lines "$WORK/same.log")" -ge 2 ] && break; sleep 0.05; done
sleep 3
[ "$(tr '\n' ' ' <"$WORK/same.log")" = "TARGETS UTF8_STRING " ] ||
    fail "an unchanged clipboard was read: $(tr '\n' ' ' <"$WORK/same.log")"
kill -0 "$same" || fail "text equal to the note was taken"

# A password: its formats and its mark are read, its text never.
secret="$(own --text "hunter2" --secret --log "$WORK/secret.log")"
for _ in $(seq 200); do [ "$(lines "$WORK/secret.log")" -ge 2 ] && break; sleep 0.05; done
sleep 2
kill -0 "$secret" || fail "the secret was taken"
[ "$(tr '\n' ' ' <"$WORK/secret.log")" = "TARGETS x-kde-passwordManagerHint " ] ||
    fail "the secret was asked for: $(tr '\n' ' ' <"$WORK/secret.log")"
! grep -rq hunter2 "$PROGRAM/data" || fail "the secret reached the disk"

# An owner that hangs as soon as it owns the clipboard: the window goes on, and takes the text when it answers.
since="$(date +%s%3N)"
frozen="$(own --text "from a program that hung" --freeze)"
sleep 6
stall="$(longest_stall_since "$since")"
[ "$stall" -lt 100 ] || fail "the window stalled for $stall ms behind a frozen owner"
kill -0 "$pid" || fail "the program ended"
kill -CONT "$frozen"
gone "$frozen" 15 || fail "the text was not taken once its owner answered"
[ "$(clipboard_text)" = "from a program that hung" ] || fail "the thawed owner's text is not the note"

# A word copied in the note box is the user's to paste elsewhere, not a new note.
win="$(wait_window 5)" || fail "the window went away"
click_at "$win" 60 180
xdotool key ctrl+Home shift+Right shift+Right shift+Right shift+Right ctrl+c
for _ in $(seq 100); do [ "$(clipboard_text)" = "from" ] && break; sleep 0.05; done
[ "$(clipboard_text)" = "from" ] || fail "the word copied in the note box is not on the clipboard"
sleep 1
[ "$(a11y text Note)" = "from a program that hung" ] || fail "a copy in the note box was taken as a new note"

# A megabyte on one line arrives in pieces, and goes out to the next reader whole.
head -c 786432 /dev/urandom | base64 -w0 >"$WORK/line"
xclip -quiet -selection clipboard -i <"$WORK/line" >/dev/null 2>&1 &
line_owner=$!
gone "$line_owner" 60 || fail "the long line was not taken"
clipboard_text | cmp -s - "$WORK/line" || fail "the long line did not come back whole"
kill -0 "$pid" || fail "the program ended"
echo "clipboard: ok"
