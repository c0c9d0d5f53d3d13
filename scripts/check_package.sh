#!/bin/sh
# Builds the Debian package and checks it as an administrator would meet it: every file is in
# it, it installs, the three programs run from /usr/bin, and removing it leaves nothing behind.
# Run as root (CI is), on a machine where the package is not installed.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

make package
deb=$(ls "$BUILD_DIR"/kv90t_*_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
files="/usr/bin/kv90t /usr/bin/kv90t-ctl /usr/bin/kv90t-sim
/usr/share/applications/org.kv90t.Console.desktop
/usr/share/metainfo/org.kv90t.Console.metainfo.xml
/usr/share/icons/hicolor/scalable/apps/org.kv90t.Console.svg
/usr/share/icons/hicolor/256x256/apps/org.kv90t.Console.png
/usr/share/man/man1/kv90t.1.gz /usr/share/man/man1/kv90t-ctl.1.gz
/usr/share/man/man1/kv90t-sim.1.gz
/usr/share/bash-completion/completions/kv90t-ctl
/usr/lib/udev/rules.d/70-kv90t-serial.rules"
for file in $files; do
    if ! echo "$contents" | grep -qx "$file"; then
        echo "package: $deb lacks $file" >&2
        exit 1
    fi
done
echo "package: $deb holds every file"

DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb" > /dev/null
/usr/bin/kv90t --version
/usr/bin/kv90t-sim --help > /dev/null
/usr/bin/kv90t-ctl --demo identity
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q kv90t > /dev/null
for file in $files; do
    if [ -e "$file" ]; then
        echo "package: $file is left after removal" >&2
        exit 1
    fi
done
echo "package: installed, ran and removed without a trace"
