#!/bin/sh
# Installs what building and testing cardcheck needs on Debian 12: the compiler, CMake, Qt 6 with
# its Spanish translation and its SQLite driver (the history), and a font. With --packaging, also what building and checking the Debian
# package needs: dpkg-shlibdeps (dpkg-dev), file, lintian and man.
set -e
packages="cmake g++ make qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n fonts-dejavu-core"
if [ "${1-}" = "--packaging" ]; then packages="$packages dpkg-dev file lintian man-db"; fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
