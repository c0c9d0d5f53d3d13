#!/bin/sh
# Installs the Debian packages that the build, the tests and the benchmarks need.
# Idempotent: installs only what is missing, and says what it installs.
set -eu

PACKAGES="g++ cmake ninja-build make libgtest-dev googletest clang-format qt6-base-dev fonts-dejavu-core xdg-utils nlohmann-json3-dev desktop-file-utils appstream librsvg2-bin help2man man-db prometheus-cpp-dev prometheus"

missing=""
for pkg in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done

if [ -z "$missing" ]; then
    echo "deps: all packages present:$(printf ' %s' $PACKAGES)"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "deps: missing packages:$missing; run 'make deps' as root or install sudo" >&2
    exit 1
fi

echo "deps: installing:$missing"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
