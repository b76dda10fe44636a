#!/usr/bin/env bash
# Sets up, builds and starts Scribbet from the program folder in the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh default
exec build/program/scribbet "$@"
