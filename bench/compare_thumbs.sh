#!/bin/bash
# Thumbnails a second over one folder of JPEG files, ours against the
# references and the tools a user would pick instead, all in one run:
#
#   lumatray-bench thumbs   ours, from an empty cache (decode, fit, save)
#   libjpeg                 libjpeg alone at the same reduction, rows dropped
#   libjpeg-dc              the same, progressive 1/8 files stopped at their DC
#   vipsthumbnail           one process over the whole folder (libvips-tools)
#   convert                 ImageMagick, one process a file, with a size hint
#   lumatray-bench cached   ours, from the warm cache, at IconSize 240
#   lumatray-bench decode   the viewer's decode at 2,000,000 pixels, against
#   libjpeg-fit             libjpeg's decode plus a nearest-pixel 16-bit fit
#
# Each is run ROUNDS times, interleaved, and the median is printed with its
# ratio to ours. The machine's other load shows as spread between rounds.
#
#   bench/compare_thumbs.sh DIR [ROUNDS]      (BUILD=build-rel by default)
set -euo pipefail
cd "$(dirname "$0")/.."
DIR=$(cd "${1:?usage: bench/compare_thumbs.sh DIR [ROUNDS]}" && pwd)
ROUNDS=${2:-5}
BUILD=${BUILD:-build-rel}
BENCH=$BUILD/lumatray-bench
EDGE=120
[ -x "$BENCH" ] || { echo "no $BENCH: build with -DCMAKE_BUILD_TYPE=Release" >&2; exit 1; }
command -v vipsthumbnail >/dev/null || { echo "vipsthumbnail is missing (scripts/setup.sh)" >&2; exit 1; }
# The real ImageMagick binary, not a wrapper that may stand before it.
CONVERT=$(command -v convert-im6.q16 || command -v convert)

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mapfile -t FILES < <(find "$DIR" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | LC_ALL=C sort)
N=${#FILES[@]}
[ "$N" -gt 0 ] || { echo "no JPEG files in $DIR" >&2; exit 1; }

now() { date +%s.%N; }
rate() { awk -v n="$N" -v s="$1" 'BEGIN { printf "%.1f", n / s }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

declare -A R
add() { R[$1]="${R[$1]:-} $2"; }
for round in $(seq "$ROUNDS"); do
    add ours "$("$BENCH" thumbs "$DIR" --icon-size $EDGE --cache "$WORK/cache" | field per_second)"
    add libjpeg "$("$BENCH" libjpeg "$DIR" --icon-size $EDGE | field per_second)"
    add libjpeg-dc "$("$BENCH" libjpeg "$DIR" --icon-size $EDGE --dc | field per_second)"
    rm -rf "$WORK/vips" && mkdir "$WORK/vips"
    t=$(now)
    vipsthumbnail "${FILES[@]}" --size $EDGE -o "$WORK/vips/%s.jpg" 2>/dev/null
    add vipsthumbnail "$(rate "$(awk -v a="$t" -v b="$(now)" 'BEGIN { print b - a }')")"
    rm -rf "$WORK/im" && mkdir "$WORK/im"
    t=$(now)
    for f in "${FILES[@]}"; do
        "$CONVERT" -define jpeg:size=$((2 * EDGE))x$((2 * EDGE)) "$f" -thumbnail ${EDGE}x${EDGE} "$WORK/im/$(basename "$f")"
    done
    add convert "$(rate "$(awk -v a="$t" -v b="$(now)" 'BEGIN { print b - a }')")"
    add cached-240 "$("$BENCH" cached "$DIR" --icon-size 240 --cache "$WORK/cache240" --rounds 10 | field per_second)"
    add decode-ms "$("$BENCH" decode "$DIR" --budget 2000000 | field ms_per_file)"
    add libjpeg-fit-ms "$("$BENCH" libjpeg-fit "$DIR" --budget 2000000 | field ms_per_file)"
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ours=$(echo "${R[ours]}" | median)
echo "files=$N rounds=$ROUNDS icon_size=$EDGE (medians, thumbnails a second)"
printf "%-14s %10s %14s   %s\n" what per_second ours_ratio rounds
for k in ours libjpeg libjpeg-dc vipsthumbnail convert cached-240; do
    m=$(echo "${R[$k]}" | median)
    printf "%-14s %10s %14s  %s\n" "$k" "$m" "$(awk -v a="$ours" -v b="$m" 'BEGIN { printf "%.2f", a / b }')" "${R[$k]}"
done
decode=$(echo "${R[decode-ms]}" | median)
fit=$(echo "${R[libjpeg-fit-ms]}" | median)
echo "decode at 2,000,000 pixels: ours $decode ms a file, libjpeg-fit $fit ms, ratio $(awk -v a="$decode" -v b="$fit" 'BEGIN { printf "%.2f", a / b }')   (ours:${R[decode-ms]}; fit:${R[libjpeg-fit-ms]})"
"$BENCH" psnr "$DIR" --icon-size $EDGE
