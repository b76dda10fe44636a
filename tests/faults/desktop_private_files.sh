#!/usr/bin/env bash
# The real program, started on a program folder without a data folder, makes the data folder and its files for
# its owner only, while an editor it starts for the user keeps the user's own file mode mask.
source "$DESKTOP_LIB"

umask 022
rm -rf "$PROGRAM/data"
pid="$(start_program)"
wait_window 15 >/dev/null || fail "the window did not appear"
[ "$(stat -c %a "$PROGRAM/data")" = 700 ] || fail "data folder: $(stat -c %a "$PROGRAM/data")"
for f in data.mdb category.dat settings.dat; do
    [ "$(stat -c %a "$PROGRAM/data/$f")" = 600 ] || fail "$f: $(stat -c %a "$PROGRAM/data/$f")"
done
kill -TERM "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
echo "private files: ok"
