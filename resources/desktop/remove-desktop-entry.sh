#!/bin/sh
# Takes Scribbet's desktop entry and icons away again. The program folder and your notes are not touched.
set -eu
data="${XDG_DATA_HOME:-$HOME/.local/share}"
rm -f "$data/applications/scribbet.desktop"
for size in 16 32 48 64 128 256; do
    rm -f "$data/icons/hicolor/${size}x${size}/apps/scribbet.png"
done
echo "Scribbet's desktop entry is removed."
