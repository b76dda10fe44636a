#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: in-process tests (offscreen) and desktop tests (Xvfb + trayer).
# Usage: scripts/test.sh [preset] [ctest options...]   (preset: default or asan; e.g. -LE faults leaves out the
# fault suite, which scripts/faults.sh runs and measures)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
shift $(($# > 0 ? 1 : 0))
scripts/setup.sh "$preset"
ctest --preset "$preset" -j "$(nproc)" "$@"
