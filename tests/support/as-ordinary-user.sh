#!/usr/bin/env bash
# Runs a test as an ordinary user. Permission cases (unreadable and read-only files) mean nothing to root, and CI
# runs as root: there the test runs as nobody, with its private home folder handed over to that user. Run by anyone
# else, the test runs as it is.
# Usage: as-ordinary-user.sh HOME-FOLDER TEST-EXECUTABLE [ARGUMENTS...]
set -euo pipefail
home="$1"
shift
if [ "$(id -u)" -ne 0 ]; then
    exec "$@"
fi
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
if ! "${as_nobody[@]}" test -x "$1"; then
    echo "as-ordinary-user.sh: user nobody cannot run $1; every folder above it must be open to others (o+x)" >&2
    exit 1
fi
chown -R nobody:nogroup "$home"
exec "${as_nobody[@]}" "$@"
