#!/usr/bin/env bash
# The road of one note, as a person takes it: copy text elsewhere, file it under a new category, find it in the
# list from the tray, sort, delete it to the trash, back up, save another note and restore the backup; then with a few
# thousand notes a Backup and a Restore, each cancelled once while it runs and then run to its end.
# SCRIBBET_SCREENSHOTS=folder keeps pictures of both views and of the progress window on the way.
source "$DESKTOP_LIB"

screenshot() {
    [ -n "${SCRIBBET_SCREENSHOTS:-}" ] || return 0
    sleep 0.3
    import -window "$win" "$SCRIBBET_SCREENSHOTS/$1"
}

client_click() { click_at "$win" "$1" "$2"; }
# Answers the message box that shows TEXT with its BUTTON (OK when not given).
answer_box() {
    local text="$1" button="${2:-OK}" box
    for _ in $(seq 100); do
        box="$(xdotool search --onlyvisible --name '^Scribbet$' 2>/dev/null | head -n1 || true)"
        [ -n "$box" ] && a11y boxes 2>/dev/null | grep -F "$text" >/dev/null && break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no message box saying: $text"
    a11y boxes | grep -F "$text" >/dev/null || fail "the message box does not say: $text"
    a11y press "$button"
    for _ in $(seq 50); do
        a11y boxes 2>/dev/null | grep -F "$text" >/dev/null || return 0
        sleep 0.1
    done
    fail "the message box stayed: $text"
}
tray_icon_centre() {
    xwininfo -root -tree | grep -E '^ {6,}0x[0-9a-f]+ "Scribbet": \("scribbet" ' | head -n1 |
        sed -E 's/.* ([0-9]+)x([0-9]+)[+-][0-9-]+[+-][0-9-]+ +\+([0-9-]+)\+([0-9-]+).*/\1 \2 \3 \4/' |
        awk '{ print $3 + int($1 / 2), $4 + int($2 / 2) }'
}
tray_menu() {
    local downs="$1" pos
    pos="$(tray_icon_centre)"
    xdotool mousemove ${pos% *} ${pos#* } click 3
    sleep 0.5
    for _ in $(seq "$downs"); do xdotool key Down; done
    xdotool key Return
}
# Waits for the progress window of long work after answering its QUESTION with OK (see a11y.py progress), and takes
# the picture SHOT of it over the main window.
progress_window() {
    local question="$1" label="$2" shot="$3"
    if [ -n "${SCRIBBET_SCREENSHOTS:-}" ]; then
        a11y progress "$question" "$label" --shot "$SCRIBBET_SCREENSHOTS/$shot"
    else
        a11y progress "$question" "$label"
    fi
}
# Checks what the progress window showed: its caption, LABEL and the files done of all FILES.
check_progress() {
    local seen="$1" label="$2" files="$3"
    [ "$(echo "$seen" | sed -n 1p)" = Scribbet ] || fail "progress window caption: $seen"
    [ "$(echo "$seen" | sed -n 2p)" = "$label" ] || fail "progress window label: $seen"
    echo "$seen" | sed -n 3p | grep -E "^[0-9]+ of $files files\$" >/dev/null || fail "progress window count: $seen"
}
# Answers QUESTION, then clicks Cancel in the progress window that says LABEL as soon as it shows the FILES files to
# do, and checks that the window goes and no message box follows it. A click in the second half of the work may come
# after it has ended on a fast machine: returns 1 then, having seen and answered its SUCCESS message. A click in the
# first half must stop it.
cancel_work() {
    local question="$1" label="$2" files="$3" success="$4" seen at_click
    seen="$(a11y progress "$question" "$label" --cancel)" || fail "no progress window saying: $label"
    check_progress "$seen" "$label" "$files"
    at_click="$(echo "$seen" | sed -n 3p | cut -d' ' -f1)"
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name '^Scribbet$' >/dev/null 2>&1 || break
        sleep 0.05
    done
    sleep 1
    if ! xdotool search --onlyvisible --name '^Scribbet$' >/dev/null 2>&1; then
        echo "$label cancelled at $at_click of $files files"
        return 0
    fi
    if [ $((at_click * 2)) -ge "$files" ] && a11y boxes | grep -xF "$success" >/dev/null; then
        echo "the work ended before Cancel reached it: $at_click of $files files were done at the click"
        answer_box "$success"
        return 1
    fi
    fail "a window stayed or came after Cancel ($at_click of $files files done at the click): $(a11y boxes)"
}
# COUNT notes of some SIZE bytes each under CATEGORY: files in data/ and their records, written as the program
# writes them (CR LF line ends, one at the end).
add_notes() {
    local count="$1" size="$2" category="$3"
    awk -v data="$PROGRAM/data" -v count="$count" -v size="$size" -v category="$category" '
    BEGIN {
        srand(count + size)
        n = split("note meeting the and remember call buy milk project idea todo tomorrow about with price " \
                  "address phone recipe draft budget garden", words, " ")
        for (l = 1; l <= 500; l++) {
            line = words[int(rand() * n) + 1]
            while (length(line) < 40 + rand() * 60) line = line " " words[int(rand() * n) + 1]
            lines[l] = line "\r\n"
        }
        letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
        print "BEGIN;"
        for (i = 1; i <= count; i++) {
            key = ""
            for (k = 0; k < 16; k++) key = key substr(letters, int(rand() * 52) + 1, 1)
            file = data "/" key ".txt"
            for (written = 0; written < size; written += length(line)) {
                line = lines[int(rand() * 500) + 1]
                printf "%s", line > file
            }
            close(file)
            printf "INSERT INTO data (theDate, theTime, theCategory, theDescription, thePath) VALUES " \
                   "(\047%02d/%02d/25\047, \0479:30:00 AM\047, \047%s\047, \047Note %d\047, \047\\data\\%s.txt\047);\n",
                   i % 12 + 1, i % 28 + 1, category, i, key
        }
        print "COMMIT;"
    }' | sqlite3 "$PROGRAM/data/data.mdb"
}
today="$(date +%m/%d/%y)"

pid="$(start_program)"
win="$(wait_window 15)" || fail "the window did not appear"
for _ in $(seq 300); do [ "$(tray_icons)" -ge 1 ] && break; sleep 0.05; done
[ "$(tray_icons)" -ge 1 ] || fail "no icon in the tray"
client_click 267 313 # Minimize: the window goes to the tray
wait_no_window 10 || fail "Minimize left the window on screen"

# 1-2. Text copied in another program pops the window up with the text.
printf 'Buy milk\nand bread' | xclip -selection clipboard -i
win="$(wait_window 5)" || fail "the window did not pop up"
wait_a11y $'Buy milk\nand bread' 5 text Note || fail "the note box does not hold the copied text"
[ "$(a11y state Category focused)" = yes ] || [ "$(a11y text Category)" = "" ] || fail "the category box lacks focus"

# 3. A new category and a description.
xdotool windowfocus --sync "$win"
xdotool type --delay 20 "Groceries"
client_click 150 103
xdotool type --delay 20 "Shopping list"
wait_a11y "Shopping list" 5 text Description || fail "the description was not typed"
[ "$(a11y state Save enabled)" = yes ] || fail "Save is not enabled"
screenshot scribbet.png

# 4. Save: the window goes to the tray.
client_click 202 313
wait_no_window 5 || fail "the window stayed after Save"

# 5. The record and the note file.
record="$(sqlite3 -separator '|' "$PROGRAM/data/data.mdb" 'SELECT theCategory, theDescription, theDate, thePath FROM data')"
[ "$(echo "$record" | cut -d'|' -f1-3)" = "Groceries|Shopping list|$today" ] || fail "record: $record"
note_path="$(echo "$record" | cut -d'|' -f4)"
[[ "$note_path" =~ ^\\data\\[A-Za-z]{16}\.txt$ ]] || fail "note path: $note_path"
note_file="$PROGRAM/data/${note_path:6}"
[ "$(od -An -c "$note_file" | tr -s ' ')" = "$(printf 'Buy milk\r\nand bread\r\n' | od -An -c | tr -s ' ')" ] ||
    fail "the note file does not hold exactly the text plus CR LF"
tr -d '\r' <"$PROGRAM/data/category.dat" | grep -x '1=Groceries' >/dev/null || fail "the category was not added"

# 6. A double click on the tray icon shows the list with the note and today's date.
pos="$(tray_icon_centre)"
xdotool mousemove ${pos% *} ${pos#* } click --repeat 2 --delay 80 1
win="$(wait_window 5)" || fail "the double click did not show the window"
wait_a11y "yes" 5 state Notes visible || fail "the list is not shown"
rows="$(a11y rows)"
[ "$(echo "$rows" | cut -f1-3)" = "1	Shopping list	$today" ] || fail "list: $rows"
[ "$(a11y text Category)" = "Groceries" ] || fail "category box: $(a11y text Category)"
screenshot scribbet-list.png

# 7. Sorting by date keeps the row.
client_click 260 100
[ "$(a11y rows | cut -f1-3)" = "1	Shopping list	$today" ] || fail "after sorting: $(a11y rows)"

# 8. Delete the note: its file goes to the trash.
client_click 100 121
wait_a11y "yes" 5 state Delete enabled || fail "a click on the row did not enable Delete"
client_click 202 313
answer_box "Are you sure you want to delete the selected Note?"
answer_box "The selected note has been moved to the Windows Recycle Bin."
trash-list | grep -F "${note_file##*/}" >/dev/null || fail "the note file is not in the trash"
[ -z "$(a11y rows)" ] || fail "the list still shows the note"
[ "$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT count(*) FROM data')" = 0 ] || fail "the record is still there"

# 9. Backup from the tray menu. libzip, and the crypto library it brings, come with the first backup, not before.
! grep -E '/lib(zip|crypto)\.so' "/proc/$pid/maps" >/dev/null || fail "libzip was loaded before the first backup"
tray_menu 2
answer_box "The database was backed up successfully."
grep -F /libzip.so "/proc/$pid/maps" >/dev/null || fail "the backup did not load libzip"
listing="$(unzip -l "$PROGRAM/backup/backup.dat")"
for f in data.mdb category.dat settings.dat; do
    echo "$listing" | grep -E " $f\$" >/dev/null || fail "the archive lacks $f"
done

# 10. Another note, then Restore: the list is back to what the archive held.
printf 'Second note' | xclip -selection clipboard -i
win="$(wait_window 5)" || fail "the window did not pop up for the second note"
wait_a11y "Second note" 5 text Note || fail "the second text did not arrive"
client_click 150 103
xdotool type --delay 20 "Later"
client_click 202 313
wait_no_window 5 || fail "the window stayed after the second save"
[ "$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT count(*) FROM data')" = 1 ] || fail "the second note was not saved"
second="$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT thePath FROM data')"
tray_menu 3
answer_box "Are you sure you want to restore the database from your previous backup?"
answer_box "The database was restored successfully."
[ "$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT count(*) FROM data')" = 0 ] || fail "the restore kept the second note"
[ -f "$PROGRAM/data/${second:6}" ] || fail "the second note's file went away"
pos="$(tray_icon_centre)"
xdotool mousemove ${pos% *} ${pos#* } click --repeat 2 --delay 80 1
win="$(wait_window 5)" || fail "the window did not come back"
wait_a11y "yes" 5 state Notes visible || fail "the list is not shown after the restore"
[ -z "$(a11y rows)" ] || fail "the list shows notes the archive did not hold: $(a11y rows)"

# 11. A few thousand notes; a Backup cancelled while it runs leaves the old archive as it was and says nothing.
start=$SECONDS
notes=5000
add_notes $notes 8000 Groceries
echo "notes made in $((SECONDS - start)) s"
files="$(find "$PROGRAM/data" -type f | wc -l)"
archive="$PROGRAM/backup/backup.dat"
old="$(sha256sum <"$archive")"
trashed="$(trash-list | wc -l)"
tray_menu 2
if cancel_work "Are you sure you want to replace the existing backup file?" "Backing up the database..." "$files" \
    "The database was backed up successfully."; then
    [ "$(sha256sum <"$archive")" = "$old" ] || fail "the cancelled backup changed the archive"
    [ "$(trash-list | wc -l)" = "$trashed" ] || fail "the cancelled backup put the old archive in the trash"
fi
[ -z "$(find "$PROGRAM/backup" -name 'backup.dat-*')" ] || fail "the cancelled backup left: $(ls -A "$PROGRAM/backup")"
echo "backup cancelled at $((SECONDS - start)) s"

# 12. The Backup run to its end.
tray_menu 2
progress_window "Are you sure you want to replace the existing backup file?" "Backing up the database..." \
    scribbet-backup.png >/dev/null || fail "the backup did not start"
answer_box "The database was backed up successfully."
unzip -tq "$archive" >/dev/null || fail "the archive does not pass unzip -t"
[ "$(unzip -Z1 "$archive" | grep -vc '/$')" = "$files" ] || fail "the archive does not hold every file"
[ -z "$(find "$PROGRAM/backup" -name 'backup.dat-*')" ] || fail "the backup left: $(ls -A "$PROGRAM/backup")"
echo "backed up at $((SECONDS - start)) s"

# 13. One note more and one file less, then a Restore cancelled while it unpacks: data/ stays as it was.
gone_note="$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT thePath FROM data ORDER BY theKey LIMIT 1')"
gone_file="$PROGRAM/data/${gone_note:6}"
kept="$(sha256sum <"$gone_file")"
rm "$gone_file"
add_notes 1 100 Later
before="$(data_snapshot)"
tray_menu 3
if cancel_work "Are you sure you want to restore the database from your previous backup?" \
    "Restoring the database..." "$files" "The database was restored successfully."; then
    [ "$(data_snapshot)" = "$before" ] || fail "the cancelled restore changed data/"
fi
[ -z "$(find "$PROGRAM" -maxdepth 1 -name '.restore-*')" ] || fail "the cancelled restore left: $(ls -A "$PROGRAM")"
echo "restore cancelled at $((SECONDS - start)) s"

# 14. The Restore run to its end: the archive's notes are back, the file it lacks stays.
tray_menu 3
progress_window "Are you sure you want to restore the database from your previous backup?" \
    "Restoring the database..." scribbet-restore.png >/dev/null || fail "the restore did not start"
answer_box "The database was restored successfully."
[ "$(sqlite3 "$PROGRAM/data/data.mdb" 'SELECT count(*) FROM data')" = $notes ] ||
    fail "the restore did not bring back the notes"
[ "$(sha256sum <"$gone_file")" = "$kept" ] || fail "the restore did not bring back a note's file"
[ "$(find "$PROGRAM/data" -type f | wc -l)" = $((files + 1)) ] || fail "the restore lost the file the archive lacks"
[ -z "$(find "$PROGRAM" -maxdepth 1 -name '.restore-*')" ] || fail "the restore left: $(ls -A "$PROGRAM")"
echo "restored at $((SECONDS - start)) s"
kill -0 "$pid" || fail "the program ended"
echo "road: ok"
