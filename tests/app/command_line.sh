#!/usr/bin/env bash
# The real program's command line, with no display: help, the version and mistakes are answered without one and
# without a word to a running instance; Qt's own options reach Qt; and the layout around the executable decides
# where the notes go. Usage: command_line.sh PROGRAM_DIR
set -euo pipefail
work="$(mktemp -d /tmp/scribbet-cli.XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
cp -a "$1" "$work/program"
# The installed form: the executable in <prefix>/bin, the shipped files in <prefix>/share/scribbet.
mkdir -p "$work/usr/bin" "$work/usr/share/scribbet"
cp "$work/program/scribbet" "$work/usr/bin/"
cp -r "$work/program/original" "$work/usr/share/scribbet/"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
portable="$work/program/scribbet"
installed="$work/usr/bin/scribbet"

[ "$("$portable" --version)" = "Scribbet 1.6" ] || fail "--version"
"$portable" --help >"$work/help" || fail "--help ended with $?"
grep -qxF "Your notes are kept in $work/program/data" "$work/help" || fail "--help: $(cat "$work/help")"
grep -qF -- "--version" "$work/help" || fail "--help does not list --version"
"$installed" --help | grep -qxF "Your notes are kept in $XDG_DATA_HOME/scribbet/data" || fail "installed --help"
status=0
"$portable" --bogus >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "an unknown option ended with $status"
[ ! -s "$work/out" ] || fail "an unknown option wrote to standard output"
[ "$(head -n1 "$work/err")" = "scribbet: unknown option '--bogus'" ] || fail "error: $(cat "$work/err")"
[ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "answering made $(ls -A "$XDG_RUNTIME_DIR")"
[ ! -e "$work/program/data" ] && [ ! -e "$XDG_DATA_HOME/scribbet" ] || fail "answering made a data folder"

# Without a display, only Qt's -platform option lets the program start.
wait_for() {
    for _ in $(seq 200); do [ -e "$1" ] && return 0; sleep 0.05; done
    return 1
}
"$portable" -platform offscreen >"$work/portable.log" 2>&1 &
pids+=($!)
wait_for "$work/program/data/data.mdb" || fail "-platform offscreen did not start it: $(cat "$work/portable.log")"
# While it runs, the answers still come without it.
[ "$("$portable" --version)" = "Scribbet 1.6" ] || fail "--version beside a running instance"
kill -0 "${pids[0]}" || fail "the running instance ended"

"$installed" -platform offscreen >"$work/installed.log" 2>&1 &
pids+=($!)
wait_for "$XDG_DATA_HOME/scribbet/data/data.mdb" || fail "the installed form did not start: $(cat "$work/installed.log")"
[ "$(stat -c %a "$XDG_DATA_HOME/scribbet")" = 700 ] || fail "the user's folder is $(stat -c %a "$XDG_DATA_HOME/scribbet")"
[ ! -e "$work/usr/bin/data" ] && [ ! -e "$work/usr/share/scribbet/data" ] || fail "the installed form wrote beside itself"
kill -0 "${pids[1]}" || fail "the installed form ended: one instance per data folder, not one in all"
echo "command line: ok"
