#!/usr/bin/env bash
# Clipboard figures of the real program on a private X server with a tray host, against other programs that own the
# clipboard. Prints one line per figure, as bench/run.sh puts them in its table: figure, measured, target, (no ratio),
# and whether it holds.
# Usage: bench/clipboard.sh [BUILD_DIR]   (default: build; CLIPBOARD_IDLE_SECONDS shortens the idle figure's 60 s)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${DESKTOP_LIB:-}" ]; then
    build="$(cd "${1:-$root/build}" && pwd)"
    exec bash "$root/tests/desktop/run-desktop-test.sh" "$root/bench/clipboard.sh" "$build/program"
fi
source "$DESKTOP_LIB"
idle_seconds="${CLIPBOARD_IDLE_SECONDS:-60}"

# A row; the target is a comparison ("<= 260", "< 100", "0") or "-" for a figure shown for scale. A value "<20" is
# below 20.
row() {
    local holds=""
    if [ "$3" != "-" ]; then
        holds="$(awk -v v="${2#<}" -v t="$3" 'BEGIN {
            n = split(t, p, " "); limit = p[n] + 0; op = (n > 1) ? p[1] : "="
            ok = (op == "<=") ? v <= limit : (op == "<") ? v < limit : v == limit
            print ok ? "yes" : "NO" }')"
    fi
    printf '%s\t%s\t%s\t\t%s\n' "$1" "$2" "$3" "$holds"
}

# The value at a fraction of the sorted numbers on standard input (0.5: the median, 0.95: the 95th percentile).
quantile() { sort -n | awk -v q="$1" '{ v[NR] = $1 } END { i = int(q * NR + 0.999); if (i < 1) i = 1; print v[i] }'; }

# The longest stall logged after a moment (ms since the epoch); the log holds stalls of 20 ms and more only.
longest_stall_since() {
    awk -v since="$1" '$1 > since && $2 > max { max = $2 } END { if (max) print max; else print "<20" }' \
        "$WORK/stall.log"
}

# CPU time of each of the program's threads: "thread nanoseconds" lines.
thread_cpu() {
    local run _
    for stat in /proc/"$1"/task/*/schedstat; do
        read -r run _ <"$stat"
        echo "$(basename "$(dirname "$stat")") $run"
    done
}

# CPU time between two thread_cpu snapshots, in nanoseconds: threads that came later count from zero (a thread that
# ended in between takes its time along, but only idle pool threads end).
cpu_between() { awk 'NR == FNR { before[$1] = $2; next } { sum += $2 - before[$1] } END { print sum }' "$1" "$2"; }

start_scribbet() {
    "$SCRIBBET" >>"$WORK/scribbet.log" 2>&1 &
    local pid=$!
    wait_window 15 >/dev/null || fail "the window did not appear"
    echo "$pid"
}

stop_scribbet() {
    kill -TERM "$1"
    gone "$1" 10 || kill -KILL "$1"
}

# With "Pop Up" off the window stays in the tray while it takes copies.
mkdir -p "$PROGRAM/data"
cp "$PROGRAM/original/"* "$PROGRAM/data/"
printf '[settings]\r\npopup=0\r\nstayontop=0\r\nappend=0\r\n' >"$PROGRAM/data/settings.dat"

pid="$(start_scribbet)"
click_at "$(wait_window 5)" 267 313 # Minimize: to the tray
wait_no_window 5 || fail "the window did not go to the tray"

# Capture latency: from another program taking the clipboard to the program taking it over with the note's text.
for i in $(seq 25); do
    copy="$(own --text "copy number $i, $RANDOM" --held "$WORK/held")"
    gone "$copy" 10 || fail "copy $i was not taken"
    sleep 0.2
done
row "capture latency p95 (ms)" "$(quantile 0.95 <"$WORK/held")" "<= 260"
row "capture latency median (ms)" "$(quantile 0.5 <"$WORK/held")" "-"

# Idle: 1 KB in the note, and the same 1 KB owned by another program, which is read once and then never again.
kilobyte="$(head -c 768 /dev/urandom | base64 -w0)"
copy="$(own --text "$kilobyte")"
gone "$copy" 10 || fail "the kilobyte was not taken"
idle_owner="$(own --text "$kilobyte" --log "$WORK/idle.log")"
for _ in $(seq 200); do [ "$(lines "$WORK/idle.log")" -ge 2 ] && break; sleep 0.05; done
sleep 2
requests_before="$(lines "$WORK/idle.log")"
thread_cpu "$pid" >"$WORK/cpu.before"
sleep "$idle_seconds"
thread_cpu "$pid" >"$WORK/cpu.after"
kill -0 "$idle_owner" || fail "the idle owner lost the clipboard"
row "idle CPU, in the tray, 1 KB owned elsewhere, ${idle_seconds} s (% of one core)" \
    "$(awk -v ns="$(cpu_between "$WORK/cpu.before" "$WORK/cpu.after")" -v s="$idle_seconds" \
        'BEGIN { printf "%.4f", ns / (s * 1e9) * 100 }')" "<= 0.01"
row "requests reaching the owner while idle, ${idle_seconds} s" "$(($(lines "$WORK/idle.log") - requests_before))" "0"
stop_scribbet "$pid"
kill "$idle_owner" 2>/dev/null || true

# Stalls: a probe in the program logs every time its event loop was held up.
export SCRIBBET_STALL_LOG="$WORK/stall.log"
pid="$(start_scribbet)"
sleep 2

stalls=()
for i in 1 2 3; do
    since="$(date +%s%3N)"
    frozen="$(own --text "frozen $i" --freeze)"
    sleep 6
    stalls+=("$(longest_stall_since "$since")")
    kill -CONT "$frozen"
    gone "$frozen" 15 || fail "the text of a thawed owner was not taken"
done
row "longest stall, owner frozen 6 s, median of 3 (ms)" "$(printf '%s\n' "${stalls[@]}" | quantile 0.5)" "< 100"

stalls=()
for i in 1 2 3; do
    head -c 786432 /dev/urandom | base64 -w0 >"$WORK/line"
    since="$(date +%s%3N)"
    xclip -quiet -selection clipboard -i <"$WORK/line" >/dev/null 2>&1 &
    gone $! 60 || fail "the 1 MB line was not taken"
    sleep 1
    stalls+=("$(longest_stall_since "$since")")
done
row "longest stall taking a 1 MB line, median of 3 (ms)" "$(printf '%s\n' "${stalls[@]}" | quantile 0.5)" "<= 500"
stop_scribbet "$pid"

pid="$(start_scribbet)"
sleep 2
awk 'BEGIN { for (i = 0; i < 850000; i++) printf "line %07d the quick brown fox jumps over the lazy dog 0123\n", i }' \
    >"$WORK/text"
since="$(date +%s%3N)"
xclip -quiet -selection clipboard -i <"$WORK/text" >/dev/null 2>&1 &
gone $! 120 || fail "the 50 MB text was not taken"
taken_ms=$(($(date +%s%3N) - since))
sleep 2
kill -0 "$pid" || fail "the program ended"
row "longest stall taking a 50 MB text of 850,000 lines (ms)" "$(longest_stall_since "$since")" "<= 3000"
row "peak resident set taking that text (MB)" "$(awk '/VmHWM/ { print int($2 / 1024) }' "/proc/$pid/status")" "< 1024"
row "that text, copy to note (ms)" "$taken_ms" "-"
stop_scribbet "$pid"
