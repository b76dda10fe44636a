#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang in build-fuzz and runs each one for SECONDS (default 20), starting from the
# seed inputs in tests/fuzz/corpus. Fails when any target finds a crash, a leak of the sanitizers or a broken promise.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
root="$PWD"

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCRIBBET_BUILD_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=0
inputs=0
for target in keyfile notefile sortkeys archive; do
    mkdir -p "$work/corpus-$target" "$work/run-$target"
    cp tests/fuzz/corpus/"$target"/* "$work/corpus-$target/"
    log="$work/$target.log"
    # Findings land in the run folder, away from the work tree.
    if (cd "$work/run-$target" && ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen \
        "$root/build-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work/corpus-$target" >"$log" 2>&1); then
        status=ok
    else
        status=FAILED
        failed=$((failed + 1))
        tail -n 40 "$log" >&2
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)"
    inputs=$((inputs + ${runs:-0}))
    echo "fuzz_$target: ${runs:-0} inputs in ${seconds} s, $status"
done
echo "fuzz inputs tried: $inputs"
echo "fuzz findings: $failed"
[ "$failed" -eq 0 ]
