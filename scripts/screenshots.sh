#!/bin/bash
# Screenshots of every screen (browsing, a menu, the bookmark panel, an open
# picture, the rotation pop-up) at 240 x 320 and 480 x 640, made by the
# program run headless on the pictures of DIR.
#   scripts/screenshots.sh DIR OUTDIR [BUILD]
set -euo pipefail
dir=$(realpath "$1")
out=$(realpath -m "$2")
build=${3:-build}
[ -x "$build/lumatray-bench" ] || { echo "no $build/lumatray-bench: build with -DLUMATRAY_BENCH=ON" >&2; exit 1; }
for screen in 240x320 480x640; do
    "$build/lumatray-bench" shots --screen "$screen" "$dir" "$out"
done
