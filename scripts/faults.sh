#!/usr/bin/env bash
# The fault and bad-input suite: builds the program (default preset), runs every test labelled "faults" and prints
# the suite's figures; with SECONDS, also fuzzes each libFuzzer target that long (scripts/fuzz.sh). Exits non-zero
# unless every figure holds.
# Usage: scripts/faults.sh [fuzz-seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh default >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SCRIBBET_FIGURES="$work/figures"
: >"$SCRIBBET_FIGURES"

tests_failed=0
ctest --preset default -L faults -j "$(nproc)" --output-on-failure 2>&1 | tee "$work/ctest.log" || tests_failed=1
# A test process that died by a signal is a crash, whatever it was testing.
test_crashes="$(grep -c '\*\*\*Exception' "$work/ctest.log" || true)"

fuzz_inputs=0
fuzz_findings=0
if [ $# -ge 1 ]; then
    scripts/fuzz.sh "$1" 2>&1 | tee "$work/fuzz.log" || true
    fuzz_inputs="$(sed -n 's/^fuzz inputs tried: //p' "$work/fuzz.log")"
    fuzz_findings="$(sed -n 's/^fuzz findings: //p' "$work/fuzz.log")"
    fuzz_findings="${fuzz_findings:-1}"
fi

sum() { awk -v name="$1" '$1 == name { total += $2 } END { print total + 0 }' "$SCRIBBET_FIGURES"; }
kills="$(sum kills)"
survived="$(sum kills_survived)"
lost="$(sum notes_lost)"
cases="$(sum cases)"
crashes=$(($(sum crashes) + test_crashes + fuzz_findings))
outside="$(sum outside_writes)"
longest="$(awk '$1 == "longest_handler_case" && $2 + 0 >= best { best = $2 + 0; $1 = ""; $2 = ""; what = $0 }
    END { sub(/^ +/, "", what); printf "%d ms (%s)", best, what }' "$SCRIBBET_FIGURES")"

held=0
broken=0
row() { # label, value, holds (yes/no/-)
    local mark="holds"
    case "$3" in
    yes) held=$((held + 1)) ;;
    no) broken=$((broken + 1)); mark="DOES NOT HOLD" ;;
    *) mark="measured" ;;
    esac
    printf '  %-32s %-48s %s\n' "$1" "$2" "$mark"
}
yes_if() { if eval "$1"; then echo yes; else echo no; fi; }

echo
echo "Fault suite figures"
row "kills survived" "$survived of $kills" "$(yes_if '[ "$kills" -gt 0 ] && [ "$survived" -eq "$kills" ]')"
row "notes lost" "$lost" "$(yes_if '[ "$lost" -eq 0 ]')"
row "cases tried" "$cases, and $fuzz_inputs fuzz inputs" "$(yes_if '[ "$cases" -gt 0 ]')"
row "crashes" "$crashes" "$(yes_if '[ "$crashes" -eq 0 ]')"
row "writes outside the data folder" "$outside" "$(yes_if '[ "$outside" -eq 0 ]')"
row "longest stall (longest handler)" "$longest" "-"
# Tests that measure the event loop itself add "stall_ms N" lines; the window must answer within 100 ms.
if grep -q '^stall_ms ' "$SCRIBBET_FIGURES"; then
    stall="$(awk '$1 == "stall_ms" && $2 + 0 > worst { worst = $2 + 0 } END { print worst + 0 }' "$SCRIBBET_FIGURES")"
    row "longest event-loop stall" "$stall ms" "$(yes_if '[ "$stall" -le 100 ]')"
fi
row "fault tests" "$([ "$tests_failed" -eq 0 ] && echo passed || echo failed)" "$(yes_if '[ "$tests_failed" -eq 0 ]')"
echo "figures: $held passed, $broken failed"
[ "$broken" -eq 0 ]
