#!/bin/sh
# Installs every Debian 12 package Lumatray needs to build, run and test.
# Runs as root, or elevates itself with sudo; does nothing when all are there.
set -e

PACKAGES="cmake g++ make pkg-config libsdl2-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
libfreetype-dev libfontconfig-dev fonts-dejavu-core libgtest-dev libbenchmark-dev
xdg-utils xfonts-base xvfb xdotool x11-utils imagemagick clang libclang-rt-14-dev libjpeg-turbo-progs
libvips-tools desktop-file-utils appstream groff-base libglib2.0-bin"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
if [ -z "$missing" ]; then
    echo "setup: all packages present"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "setup: missing packages:$missing; run this script as root" >&2
    exit 1
fi

echo "setup: installing$missing"
$as_root env DEBIAN_FRONTEND=noninteractive apt-get update
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
