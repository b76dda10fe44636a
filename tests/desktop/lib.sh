# Helpers for desktop tests: sourced by each test script.
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits until the program's window is visible; prints its id.
wait_window() {
    local timeout="${1:-10}" id
    for _ in $(seq $((timeout * 20))); do
        id="$(xdotool search --onlyvisible --name '^Scribbet 1\.6$' 2>/dev/null | head -n1 || true)"
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# Waits until no window of the program is visible.
wait_no_window() {
    local timeout="${1:-10}"
    for _ in $(seq $((timeout * 20))); do
        xdotool search --onlyvisible --name '^Scribbet 1\.6$' >/dev/null 2>&1 || return 0
        sleep 0.05
    done
    return 1
}

# The program's icons that a tray host has embedded: windows of the program that sit inside another window.
tray_icons() {
    xwininfo -root -tree | grep -cE '^ {6,}0x[0-9a-f]+ "Scribbet": \("scribbet" ' || true
}

# Clicks a point of the window's client area, given in pixels.
click_at() {
    local win="$1" x="$2" y="$3"
    xdotool mousemove --window "$win" "$x" "$y" click 1
}

start_program() {
    "$SCRIBBET" >"$WORK/scribbet.log" 2>&1 &
    echo $!
}

# A listing of every file of the data folder with its modification time and its contents' hash: one hashing process
# for all files, as a folder may hold thousands of notes.
data_snapshot() {
    (
        cd "$PROGRAM"
        export LC_ALL=C
        join <(find data -type f -printf '%p %T@\n' | sort) \
            <(find data -type f -exec sha256sum {} + | awk '{ print $2, $1 }' | sort)
    )
}

# Reads the window through the accessibility bus (see a11y.py).
a11y() {
    /usr/bin/python3 "$(dirname "$DESKTOP_LIB")/a11y.py" "$@"
}

# Waits until a11y ARGS... prints EXPECTED.
wait_a11y() {
    local expected="$1" timeout="$2"
    shift 2
    for _ in $(seq $((timeout * 10))); do
        [ "$(a11y "$@" 2>/dev/null)" = "$expected" ] && return 0
        sleep 0.1
    done
    return 1
}

# Starts a program that owns the clipboard (arguments: see clipboard_owner.py); prints its pid once it owns it.
own() {
    local ready="$WORK/ready.$RANDOM"
    /usr/bin/python3 "$(dirname "$DESKTOP_LIB")/clipboard_owner.py" --ready "$ready" "$@" >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 200); do [ -e "$ready" ] && break; sleep 0.05; done
    [ -e "$ready" ] || fail "the owner did not take the clipboard"
    echo "$pid"
}

# Waits until a process has ended: an owner ends when the program takes the clipboard from it.
gone() {
    local pid="$1" timeout="$2"
    for _ in $(seq $((timeout * 20))); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.05; done
    return 1
}

# The number of lines of a file, 0 when there is none.
lines() { [ -f "$1" ] && wc -l <"$1" || echo 0; }
