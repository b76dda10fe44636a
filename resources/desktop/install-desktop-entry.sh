#!/bin/sh
# Adds Scribbet to this user's application menu: a desktop entry and the icon in the hicolor theme.
# Running it again changes nothing more. remove-desktop-entry.sh takes both away; your notes stay where they are.
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
apps="$data/applications"
entry="$apps/scribbet.desktop"
mkdir -p "$apps"

# The Exec line quotes the program's path: backslash, double quote, backquote and dollar are escaped inside the
# quotes, a percent sign is doubled, and every backslash is escaped once more for the entry's string value.
exec_path="$(printf '%s' "$here/scribbet" | sed -e 's/[\\"`$]/\\&/g' -e 's/%/%%/g' -e 's/\\/\\\\/g')"

tmp="$(mktemp "$apps/.scribbet.desktop.XXXXXX")"
trap 'rm -f "$tmp"' EXIT
cat >"$tmp" <<ENTRY
[Desktop Entry]
Type=Application
Version=1.0
Name=Scribbet
GenericName=Note Taker
Comment=Take notes quickly from text you copy
Exec="$exec_path"
Icon=scribbet
Terminal=false
Categories=Utility;
Keywords=notes;clipboard;
StartupNotify=false
StartupWMClass=scribbet
Actions=find;

[Desktop Action find]
Name=Find Notes
Exec="$exec_path" --find
ENTRY
chmod 0644 "$tmp"
if cmp -s "$tmp" "$entry"; then
    rm -f "$tmp"
else
    mv -f "$tmp" "$entry"
fi

for size in 16 32 48 64 128 256; do
    source="$here/icons/hicolor/${size}x${size}/apps/scribbet.png"
    target="$data/icons/hicolor/${size}x${size}/apps/scribbet.png"
    if ! cmp -s "$source" "$target"; then
        mkdir -p "$(dirname "$target")"
        cp -f "$source" "$target"
        chmod 0644 "$target"
    fi
done

echo "Scribbet is in your application menu: $entry"
