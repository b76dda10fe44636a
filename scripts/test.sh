#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: in-process tests (offscreen) and desktop tests (Xvfb + trayer).
# Usage: scripts/test.sh [preset]   (preset: default or asan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/setup.sh "$preset"
ctest --preset "$preset" -j "$(nproc)"
