#!/usr/bin/env bash
# Builds the benchmarks, measures every figure of the performance targets and prints one table: figure, measured
# median, target, the ratio to a reference program doing the same work (where there is one) and whether the target
# holds. Data sets are made afresh on every run; the log of the runs goes to BUILD_DIR/bench.log.
# Usage: bench/run.sh [BUILD_DIR]   (default: build-bench, a Release build of its own)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$root/build-bench}")"

for tool in cmake ninja Xvfb trayer xdotool xdpyinfo dbus-launch zip unzip; do
    command -v "$tool" >/dev/null || {
        echo "bench/run.sh: $tool is missing; scripts/setup.sh installs what the benchmarks need" >&2
        exit 1
    }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCRIBBET_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target scribbet pristine scribbet_bench bench_folder bench_search >/dev/null

rows="$(mktemp)"
trap 'rm -f "$rows"' EXIT
log="$build/bench.log"
: >"$log"
# A part that fails leaves a row saying so, and the table still shows what the others measured.
part() {
    local name="$1"
    shift
    "$@" >>"$rows" 2>>"$log" || printf '%s failed (see %s)\t\t\t\tNO\n' "$name" "$log" >>"$rows"
}
# Interleaved, so that a figure and its reference meet the same load.
part "in-process benchmarks" "$build/bench/scribbet_bench" --benchmark_enable_random_interleaving=true
part "bench/process.sh" bash "$root/bench/process.sh" "$build"
part "bench_search" "$build/bench/bench_search"
# The clipboard's figures come from a script of their own when it is there.
if [ -f "$root/bench/clipboard.sh" ]; then
    part "bench/clipboard.sh" bash "$root/bench/clipboard.sh" "$build"
fi

echo "Scribbet benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
{
    printf 'Figure\tMedian\tTarget\tRatio\tHolds\n'
    cat "$rows"
} | awk -F'\t' '
    { for (i = 1; i <= 5; ++i) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } }
    END {
        for (r = 1; r <= NR; ++r) {
            line = ""
            for (i = 1; i <= 5; ++i) line = line sprintf("%-" width[i] "s", cell[r, i]) (i < 5 ? "  " : "")
            sub(/ +$/, "", line)
            print line
            if (r == 1) {
                line = ""
                for (i = 1; i <= 5; ++i) { s = sprintf("%" width[i] "s", ""); gsub(/ /, "-", s); line = line s (i < 5 ? "  " : "") }
                print line
            }
        }
    }'
