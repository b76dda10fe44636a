#!/usr/bin/env bash
# Installing into a folder of the user's choice gives a portable program folder, the desktop entry script adds a
# valid entry and the icons (twice changes nothing more), the removal script takes them away, and the installed
# program makes its data folder beside itself on first start.
set -euo pipefail
build_dir="$1"
work="$(mktemp -d /tmp/scribbet-install.XXXXXX)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

prefix="$work/My Programs/Scribbet \$1 100%"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in scribbet original/data.mdb original/category.dat original/settings.dat about.html \
    install-desktop-entry.sh remove-desktop-entry.sh icons/hicolor/48x48/apps/scribbet.png; do
    [ -e "$prefix/$f" ] || fail "missing $f"
done
[ -d "$prefix/backup" ] || fail "missing backup/"
[ ! -e "$prefix/data" ] || fail "data/ must not be installed"
# The Debian package's layout stays out of the portable folder.
for f in bin share usr; do
    [ ! -e "$prefix/$f" ] || fail "$f/ must not be installed"
done

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
"$prefix/install-desktop-entry.sh" >/dev/null
entry="$XDG_DATA_HOME/applications/scribbet.desktop"
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
grep -qF 'Exec="' "$entry" || fail "Exec is not quoted"
for size in 16 32 48 64 128 256; do
    [ -f "$XDG_DATA_HOME/icons/hicolor/${size}x${size}/apps/scribbet.png" ] || fail "no ${size}px icon"
done
# The Exec lines lead back to the installed program: the entry's own, and the "Find Notes" action's with --find.
unescape() { sed -e 's/\\\\/\\/g' -e 's/^"//' -e 's/"$//' -e 's/\\\([\\"`$]\)/\1/g' -e 's/%%/%/g'; }
exec_line="$(sed -n '/^\[Desktop Entry\]/,/^\[/s/^Exec=//p' "$entry")"
unescaped="$(printf '%s' "$exec_line" | unescape)"
[ "$unescaped" = "$prefix/scribbet" ] || fail "Exec leads to '$unescaped'"
find_line="$(sed -n '/^\[Desktop Action find\]/,$s/^Exec=//p' "$entry")"
[ "${find_line% --find}" != "$find_line" ] || fail "the Find Notes action does not ask for --find: $find_line"
[ "$(printf '%s' "${find_line% --find}" | unescape)" = "$prefix/scribbet" ] || fail "Find Notes leads to '$find_line'"
grep -qx 'Name=Find Notes' "$entry" || fail "no Find Notes action"

before="$(find "$XDG_DATA_HOME" -type f -printf '%p %T@ %s\n' | sort)"
sleep 1.1
"$prefix/install-desktop-entry.sh" >/dev/null
[ "$(find "$XDG_DATA_HOME" -type f -printf '%p %T@ %s\n' | sort)" = "$before" ] || fail "a second run changed files"

"$prefix/remove-desktop-entry.sh" >/dev/null
[ ! -e "$entry" ] || fail "the entry is still there"
[ -z "$(find "$XDG_DATA_HOME" -name scribbet.png)" ] || fail "icons are still there"

# The package holds the same folder.
(cd "$build_dir" && cpack -G TGZ -B "$work/package" >/dev/null)
contents="$(tar -tzf "$work"/package/scribbet-*.tar.gz)"
echo "$contents" | grep '/original/data.mdb$' >/dev/null || fail "the package lacks original/"
! echo "$contents" | grep -E '/(bin|share)/' >/dev/null || fail "the .tar.gz holds the Debian package's layout"
echo "install: ok"
