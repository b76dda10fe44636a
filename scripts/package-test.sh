#!/usr/bin/env bash
# Builds the Debian package and checks it as a Debian user would meet it: lintian, the desktop entry and the
# AppStream metadata; installed with apt, the road of one note through /usr/bin/scribbet as an ordinary user with
# a fresh home folder; then removed and purged, with that user's notes left where they were.
# Needs root (apt). Usage: scripts/package-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
arch="$(dpkg --print-architecture)"
user="scribbet-road"
work="$(mktemp -d /tmp/scribbet-package.XXXXXX)"
chmod 755 "$work"
cleanup() {
    # A run that failed half-way leaves neither the package nor its user behind.
    ! dpkg -s scribbet >/dev/null 2>&1 || apt-get purge -y -q scribbet >/dev/null 2>&1 || true
    ! id "$user" >/dev/null 2>&1 || userdel "$user" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# A run cut short may have left its user behind.
! id "$user" >/dev/null 2>&1 || userdel "$user"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --build "$build" -j "$(nproc)" >/dev/null
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb="$work/package/scribbet_1.6-1_${arch}.deb"
[ -f "$deb" ] || fail "cpack made no $(basename "$deb")"

# What the package holds, and what it asks for.
listing="$(dpkg-deb -c "$deb" | awk '{ print $6 }')"
for f in usr/bin/scribbet usr/share/scribbet/original/data.mdb usr/share/scribbet/original/category.dat \
    usr/share/scribbet/original/settings.dat usr/share/scribbet/about.html usr/share/applications/scribbet.desktop \
    usr/share/icons/hicolor/48x48/apps/scribbet.png usr/share/icons/hicolor/256x256/apps/scribbet.png \
    usr/share/metainfo/org.example.Scribbet.metainfo.xml usr/share/man/man1/scribbet.1.gz \
    usr/share/doc/scribbet/copyright usr/share/doc/scribbet/changelog.Debian.gz; do
    echo "$listing" | grep -qx "./$f" || fail "the package lacks /$f"
done
! echo "$listing" | grep -E '/(data|backup)/$' >/dev/null || fail "the package holds a data or backup folder"
depends="$(dpkg-deb -f "$deb" Depends)"
for d in libqt6widgets6 libsqlite3-0 libzip4 fonts-liberation2 xdg-utils; do
    echo "$depends" | grep -qE "(^|, )$d( |,|$)" || fail "Depends lacks $d: $depends"
done
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
dpkg-deb -x "$deb" "$work/unpacked"
desktop-file-validate "$work/unpacked/usr/share/applications/scribbet.desktop" || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$work/unpacked/usr/share/metainfo/org.example.Scribbet.metainfo.xml" >/dev/null ||
    fail "the AppStream metadata is not valid"

# Installed with apt, as a user does.
export DEBIAN_FRONTEND=noninteractive
install_package() { (cd "$(dirname "$deb")" && apt-get install -y -q "./$(basename "$deb")" >/dev/null); }
install_package || { apt-get update -q >/dev/null && install_package; } || fail "apt could not install the package"
[ "$(/usr/bin/scribbet --version)" = "Scribbet 1.6" ] || fail "--version"
# The manual page describes every option that --help lists.
options="$(/usr/bin/scribbet --help | sed -n 's/^  --\([a-z-]*\).*/\1/p')"
[ -n "$options" ] || fail "--help lists no options"
for o in $options; do
    zcat /usr/share/man/man1/scribbet.1.gz | grep -F "\\-\\-$o" >/dev/null || fail "the manual page lacks --$o"
done

# An ordinary user with a fresh home folder; the test scripts are copied where that user can read them.
# A display server run by an ordinary user needs the shared socket folder.
install -d -m 1777 /tmp/.X11-unix
useradd --user-group --no-create-home --home-dir "$work/home" --shell /bin/bash "$user"
mkdir -p "$work/home"
chown "$user:" "$work/home"
cp -r tests/desktop "$work/desktop"
as_user() {
    setpriv --reuid="$user" --regid="$user" --init-groups \
        env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 "$@"
}
help="$(as_user /usr/bin/scribbet --help)"
echo "$help" | grep -qxF "Your notes are kept in $work/home/.local/share/scribbet/data" || fail "--help: $help"
[ ! -e "$work/home/.local" ] || fail "--help made folders"

as_user SCRIBBET_HOME="$work/home" bash "$work/desktop/run-desktop-test.sh" "$work/desktop/road.sh" /usr/bin/scribbet
folder="$work/home/.local/share/scribbet"
[ "$(stat -c '%a %U' "$folder")" = "700 $user" ] || fail "the user's folder is $(stat -c '%a %U' "$folder")"
for f in data/data.mdb data/category.dat data/settings.dat backup/backup.dat; do
    [ -f "$folder/$f" ] || fail "the user's folder lacks $f"
done
for f in /usr/bin/data /usr/bin/backup /usr/share/scribbet/data /usr/share/scribbet/backup; do
    [ ! -e "$f" ] || fail "the program wrote $f"
done

# Removing and purging the package leave the user's notes alone.
snapshot() { (cd "$folder" && find . -printf '%p %m %s %T@\n' | sort); }
before="$(snapshot)"
apt-get remove -y -q scribbet >/dev/null || fail "apt could not remove the package"
[ ! -e /usr/bin/scribbet ] || fail "the program is still there after removal"
[ "$(snapshot)" = "$before" ] || fail "removing the package changed the user's folder"
install_package || fail "apt could not install the package again"
apt-get purge -y -q scribbet >/dev/null || fail "apt could not purge the package"
[ ! -e /usr/share/scribbet ] || fail "/usr/share/scribbet is still there after the purge"
[ "$(snapshot)" = "$before" ] || fail "purging the package changed the user's folder"
echo "package: ok"
