#!/bin/sh
# Installs what building and testing cardcheck needs on Debian 12 or 13: the compiler, CMake, Qt 6
# with Qt Charts, its Spanish translation and its SQLite and PostgreSQL drivers, libpq (the history and the lab
# history), a font, and the PostgreSQL server programs the lab history's tests start a throwaway
# server with. With --packaging, also what building the Debian package from debian/ and checking it
# needs: debhelper, lintian, blhc, autopkgtest, man, file, and the checkers of the desktop entries
# and the AppStream metadata.
set -e
packages="cmake g++ make qt6-base-dev qt6-charts-dev libpq-dev libqt6sql6-sqlite libqt6sql6-psql postgresql qt6-translations-l10n fonts-dejavu-core"
if [ "${1-}" = "--packaging" ]; then
    packages="$packages dpkg-dev debhelper file lintian man-db blhc autopkgtest desktop-file-utils appstream"
fi
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

clusters() { pg_lsclusters -h 2>/dev/null | awk '{ print $1 " " $2 }' || true; }
clusters_before=$(clusters)

# Another apt at work on the same machine is waited for, not taken as a failure.
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq $missing

# Debian makes and starts a database cluster when it first installs a server; the tests need none
# (they run a server of their own in a temporary folder), so the one made here goes again and the
# service is left disabled: no database server runs or starts at boot because of this script.
case " $missing " in
*" postgresql "*)
    clusters | while read -r version name; do
        if ! printf '%s\n' "$clusters_before" | grep -qx "$version $name"; then
            echo "Removing the PostgreSQL cluster $version/$name made by the installation"
            $sudo pg_dropcluster --stop "$version" "$name"
        fi
    done
    if [ -d /run/systemd/system ]; then
        $sudo systemctl disable --now postgresql.service >/dev/null 2>&1 || true
    elif command -v update-rc.d >/dev/null; then
        $sudo update-rc.d postgresql disable >/dev/null 2>&1 || true
    fi
    ;;
esac
