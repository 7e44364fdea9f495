#!/bin/sh
# Installs what building and testing cardcheck needs on Debian 12 or 13: the compiler, CMake, Qt 6
# with its Spanish translation and its SQLite driver (the history), and a font. With --packaging,
# also what building the Debian package from debian/ and checking it needs: debhelper, lintian,
# blhc, autopkgtest, man, file, and the checkers of the desktop entries and the AppStream metadata.
set -e
packages="cmake g++ make qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n fonts-dejavu-core"
if [ "${1-}" = "--packaging" ]; then
    packages="$packages dpkg-dev debhelper file lintian man-db blhc autopkgtest desktop-file-utils appstream"
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
# Another apt at work on the same machine is waited for, not taken as a failure.
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq $missing
