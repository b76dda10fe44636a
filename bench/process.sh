#!/usr/bin/env bash
# The whole-process figures: start-up time and memory of the real executable, under a private X server with a tray
# host and a session bus, as on a desktop. Prints rows for bench/run.sh (figure, median, target, ratio, holds;
# tab-separated). Usage: bench/process.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${DESKTOP_LIB:-}" ]; then
    export BENCH_BUILD="$(cd "$1" && pwd)"
    SCRIBBET_NO_A11Y=1 exec bash "$root/tests/desktop/run-desktop-test.sh" "$root/bench/process.sh" \
        "$BENCH_BUILD/program"
fi
source "$DESKTOP_LIB"
build="$BENCH_BUILD"
runs="${SCRIBBET_BENCH_RUNS:-11}"
work="$WORK"
# The search index goes to the private home's cache, whatever the caller's environment names.
export XDG_CACHE_HOME="$HOME/.cache"

# A program folder: the executable beside data files with a note table of that many records.
make_program() {
    "$build/bench/bench_folder" "$work/$1" "$2" "$3"
    cp "$build/program/scribbet" "$build/program/about.html" "$work/$1/"
}

# The search index of a program folder: in the user's cache, in a folder named by the start of the SHA-256 of the
# canonical path of its data folder.
index_file() {
    local hash
    hash="$(printf '%s' "$(realpath "$work/$1/data")" | sha256sum | cut -c1-24)"
    printf '%s/scribbet/%s/index.sqlite' "$XDG_CACHE_HOME" "$hash"
}

# Starts the program of a folder once and waits until its search index holds every one of its records, indexed.
build_index() {
    local index done=""
    index="$(index_file "$1")"
    start_timed "$1"
    for _ in $(seq 6000); do
        if [ -s "$index" ] && [ "$(sqlite3 -readonly "$index" "SELECT (SELECT count(*) FROM notes) = $2 AND
                NOT EXISTS (SELECT 1 FROM notes WHERE fileSize IS NULL)" 2>/dev/null)" = 1 ]; then
            done=1
            break
        fi
        sleep 0.1
    done
    stop "$started_pid"
    if [ -z "$done" ]; then
        echo "process.sh: the search index of $1 was not complete after 10 minutes" >&2
        exit 1
    fi
}

# Starts the program of a folder and waits for its first paint. Sets started_pid and started_ms (from just before
# the process was started to the first paint of its window, its list filled).
start_timed() {
    local report="$work/painted"
    rm -f "$report"
    # Read by the shell itself, so that no helper process stands between the reading and the start.
    local begin="${EPOCHREALTIME/./}"
    SCRIBBET_STARTUP_REPORT="$report" "$work/$1/scribbet" >>"$work/scribbet.log" 2>&1 &
    started_pid=$!
    for _ in $(seq 600); do
        [ -s "$report" ] && break
        sleep 0.02
    done
    if [ ! -s "$report" ]; then
        echo "process.sh: the window of $1 did not appear; see $work/scribbet.log" >&2
        exit 1
    fi
    started_ms="$(awk -v a="$begin" -v b="$(cat "$report")" 'BEGIN { printf "%.1f", (b / 1e3 - a) / 1e3 }')"
}

# Ends the program the way the desktop does at log-out (no question), and waits until it has gone.
stop() {
    kill -TERM "$1" 2>/dev/null || true
    for _ in $(seq 250); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.02
    done
    kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

median() {
    sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints a row; holds when the median is at most the limit (no limit: shown for scale).
row() {
    local figure="$1" value="$2" unit="$3" limit="$4" target="-" holds=""
    if [ -n "$limit" ]; then
        target="<= $limit $unit"
        holds="$(awk -v v="$value" -v l="$limit" 'BEGIN { print (v <= l) ? "yes" : "NO" }')"
    fi
    printf '%s\t%s %s\t%s\t\t%s\n' "$figure" "$value" "$unit" "$target" "$holds"
}

# Without a search index (no_index): the one that the last start began to build in the background is removed first.
unindexed() {
    if [ "${2:-}" = no_index ]; then
        rm -rf "$(dirname "$(index_file "$1")")"
    fi
}

startup() {
    local times=()
    unindexed "$@"
    start_timed "$1" # the first start fills the file cache; it is not counted
    stop "$started_pid"
    for _ in $(seq "$runs"); do
        unindexed "$@"
        start_timed "$1"
        times+=("$started_ms")
        stop "$started_pid"
    done
    printf '%s\n' "${times[@]}" | median
}

# Proportional set size with the list of the category that start-up chose (10,000 notes) open and painted.
memory() {
    local sizes=()
    for _ in 1 2 3; do
        unindexed "$@"
        start_timed "$1"
        local window
        window="$(xdotool search --onlyvisible --name '^Scribbet 1\.6$' | head -n1)"
        xdotool mousemove --window "$window" 75 313 click 1 # Open Database
        sleep 2
        sizes+=("$(awk '/^Pss:/ { printf "%.1f", $2 / 1024 }' "/proc/$started_pid/smaps_rollup")")
        stop "$started_pid"
    done
    printf '%s\n' "${sizes[@]}" | median
}

make_program small 1000 none
make_program large 100000 all
# The same folder again, with its search index complete.
make_program indexed 100000 all
build_index indexed 100000
# The data sets go to the disk before any timing: writing back a hundred thousand fresh files would otherwise run
# beside the starts being timed.
sync

large_start="$(startup large no_index)"
indexed_start="$(startup indexed)"
small_start="$(startup small)"
large_memory="$(memory large no_index)"
indexed_memory="$(memory indexed)"
row "Start-up, 100,000 records" "$large_start" ms 120
row "Start-up, 100,000 records, search index ready" "$indexed_start" ms \
    "$(awk -v v="$large_start" 'BEGIN { printf "%.1f", v * 1.05 }')"
row "Start-up, 1,000 records" "$small_start" ms ""
row "Memory (Pss), 10,000 notes listed" "$large_memory" MB 30
row "Memory (Pss), 10,000 notes listed, search index ready" "$indexed_memory" MB \
    "$(awk -v v="$large_memory" 'BEGIN { printf "%.1f", v * 1.05 }')"
