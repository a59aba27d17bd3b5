#!/bin/bash
# Makes the real-photograph corpus of the thumbnail benchmarks in DEST
# (default /tmp/lumatray-corpus): camera photographs from Debian's wallpaper
# packages, plus half- and quarter-size copies of them, 0.1 to 20
# megapixels, two in five of them progressive. Every copy is made by the
# libjpeg tools, so the same packages give the same files. Nothing lands in
# the repository; the packages are downloaded with apt-get and unpacked with
# dpkg-deb inside DEST.
#
#   tools/make_corpus.sh [DEST]
#
# Needs: apt-get, dpkg-deb, djpeg, cjpeg, jpegtran (libjpeg-turbo-progs).
set -euo pipefail
DEST=${1:-/tmp/lumatray-corpus}
PACKAGES="mate-backgrounds ukui-wallpapers lomiri-wallpapers lomiri-wallpapers-16.04 lomiri-wallpapers-20.04"
MIN_PIXELS=100000
MAX_PIXELS=20000000

for tool in apt-get dpkg-deb djpeg cjpeg jpegtran rdjpgcom; do
    command -v $tool >/dev/null || { echo "make_corpus: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
mkdir -p "$DEST/debs" "$DEST/unpacked"
DEST=$(cd "$DEST" && pwd)
cd "$DEST/debs"
# apt-get download writes as the _apt user when it can: let it.
chmod 777 "$DEST/debs" 2>/dev/null || true
for p in $PACKAGES; do
    ls ${p}_*.deb >/dev/null 2>&1 || apt-get download "$p" || {
        echo "make_corpus: cannot download $p (run apt-get update first?)" >&2
        exit 1
    }
done
for p in $PACKAGES; do dpkg-deb -x ${p}_*.deb "$DEST/unpacked"; done

# "W H" from the frame header.
size_of() { rdjpgcom -verbose "$1" | sed -n 's/^JPEG image is \([0-9]*\)w \* \([0-9]*\)h.*/\1 \2/p'; }

rm -rf "$DEST/work" "$DEST/photos"
mkdir -p "$DEST/work" "$DEST/photos"
n=0
while IFS= read -r f; do
    n=$((n + 1))
    base=$(printf 'p%03d' $n)
    # The original, and smaller copies as a camera or an editor would save them.
    jpegtran -copy none "$f" > "$DEST/work/${base}_1.jpg"
    djpeg -scale 1/2 "$f" | cjpeg -quality 90 -sample 2x2 > "$DEST/work/${base}_2.jpg"
    djpeg -scale 1/4 "$f" | cjpeg -quality 88 -sample 2x1 > "$DEST/work/${base}_4.jpg"
done < <(find "$DEST/unpacked" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | LC_ALL=C sort)

# Keep 0.1 to 20 megapixels; every fifth file's second and fourth become
# progressive (lossless: the same coefficients), the rest baseline.
i=0
progressive=0
for f in $(ls "$DEST/work"/*.jpg | LC_ALL=C sort); do
    read -r w h < <(size_of "$f")
    px=$((w * h))
    if [ $px -lt $MIN_PIXELS ] || [ $px -gt $MAX_PIXELS ]; then continue; fi
    name=$(basename "$f")
    if [ $((i % 5)) -eq 1 ] || [ $((i % 5)) -eq 3 ]; then
        jpegtran -copy none -progressive "$f" > "$DEST/photos/$name"
        progressive=$((progressive + 1))
    else
        jpegtran -copy none "$f" > "$DEST/photos/$name"
    fi
    i=$((i + 1))
done
rm -rf "$DEST/work"
echo "corpus: $DEST/photos: $i files, $progressive progressive"
