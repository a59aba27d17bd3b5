#!/bin/bash
# Every performance figure of the README in one run, as one Markdown table:
# ours against the libjpeg references and the tools a user would pick
# instead, with the target each must meet.
#
#   thumbs        ours, from an empty cache (decode, fit, save), IconSize 120
#   libjpeg       libjpeg alone at the same reduction, rows dropped
#   libjpeg-dc    the same, progressive 1/8 files stopped at their DC scans
#   vipsthumbnail one process over the whole folder (libvips-tools)
#   convert       ImageMagick, one process a file, with a size hint
#   cached        ours, from the warm cache, IconSize 240
#   decode        the viewer's decode at 2,000,000 pixels, against
#   libjpeg-fit   libjpeg's decode plus a nearest-pixel 16-bit fit
#   listing       lumatray_benchmarks BM_ListFolder (10,000 and 50,000 names)
#   frames        lumatray-bench frames at 1080 x 1920 and 480 x 640
#   start         lumatray-bench start at 480 x 640 (warm start, Ctrl+Q)
#
# The timed commands run ROUNDS times, interleaved, and the median is kept;
# the machine's other load shows as spread between rounds.
#
#   bench/report.sh DIR [ROUNDS]      (BUILD=build-rel by default)
set -euo pipefail
cd "$(dirname "$0")/.."
DIR=$(cd "${1:?usage: bench/report.sh DIR [ROUNDS]}" && pwd)
ROUNDS=${2:-5}
BUILD=${BUILD:-build-rel}
BENCH=$BUILD/lumatray-bench
EDGE=120
[ -x "$BENCH" ] && [ -x "$BUILD/lumatray_benchmarks" ] ||
    { echo "no $BENCH or lumatray_benchmarks: build with -DCMAKE_BUILD_TYPE=Release" >&2; exit 1; }
command -v vipsthumbnail >/dev/null || { echo "vipsthumbnail is missing (scripts/setup.sh)" >&2; exit 1; }
# The real ImageMagick binary, not a wrapper that may stand before it.
CONVERT=$(command -v convert-im6.q16 || command -v convert)

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mapfile -t FILES < <(find "$DIR" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | LC_ALL=C sort)
N=${#FILES[@]}
[ "$N" -gt 0 ] || { echo "no JPEG files in $DIR" >&2; exit 1; }

now() { date +%s.%N; }
rate() { awk -v n="$N" -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", n / (b - a) }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
# A counter of the CSV line of a Google Benchmark case.
counter() { awk -F, -v c="\"$2\"" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == c) k = i } $1 ~ n { print $k }' n="$1"; }

declare -A R
add() { R[$1]="${R[$1]:-} $2"; }
for round in $(seq "$ROUNDS"); do
    echo "round $round of $ROUNDS" >&2
    add ours "$("$BENCH" thumbs "$DIR" --icon-size $EDGE --cache "$WORK/cache" | field per_second)"
    add libjpeg "$("$BENCH" libjpeg "$DIR" --icon-size $EDGE | field per_second)"
    add libjpeg-dc "$("$BENCH" libjpeg "$DIR" --icon-size $EDGE --dc | field per_second)"
    rm -rf "$WORK/vips" && mkdir "$WORK/vips"
    t=$(now)
    vipsthumbnail "${FILES[@]}" --size $EDGE -o "$WORK/vips/%s.jpg" 2>/dev/null
    add vipsthumbnail "$(rate "$t")"
    rm -rf "$WORK/im" && mkdir "$WORK/im"
    t=$(now)
    for f in "${FILES[@]}"; do
        "$CONVERT" -define jpeg:size=$((2 * EDGE))x$((2 * EDGE)) "$f" -thumbnail ${EDGE}x${EDGE} "$WORK/im/$(basename "$f")"
    done
    add convert "$(rate "$t")"
    add cached "$("$BENCH" cached "$DIR" --icon-size 240 --cache "$WORK/cache240" --rounds 10 | field per_second)"
    add decode "$("$BENCH" decode "$DIR" --budget 2000000 | field ms_per_file)"
    add fit "$("$BENCH" libjpeg-fit "$DIR" --budget 2000000 | field ms_per_file)"
    for screen in 1080x1920 480x640; do
        line=$("$BENCH" frames --screen $screen "$DIR" | tail -1)
        add "browse-$screen" "$(echo "$line" | field browse_ms)"
        add "view-$screen" "$(echo "$line" | field view_ms)"
    done
    line=$("$BENCH" start --screen 480x640 "$DIR" | tail -1)
    for k in first_frame_ms quit_rest_ms quit_thumbnails_ms quit_listing_ms; do add $k "$(echo "$line" | field $k)"; done
done
echo "listing (three times each size)" >&2
csv=$("$BUILD/lumatray_benchmarks" --benchmark_filter='BM_ListFolder/(10000|50000)' --benchmark_format=csv 2>/dev/null)
list10k=$(echo "$csv" | awk -F, '$1 ~ /ListFolder\/10000/ { printf "%.2f", $3 / 1000 }')
list50k=$(echo "$csv" | awk -F, '$1 ~ /ListFolder\/50000/ { printf "%.2f", $3 / 1000 }')
wait10k=$(printf %.1f "$(echo "$csv" | counter 'ListFolder/10000' ui_wait_max_ms)")
wait50k=$(printf %.1f "$(echo "$csv" | counter 'ListFolder/50000' ui_wait_max_ms)")
bytes=$(echo "$csv" | counter 'ListFolder/10000' bytes_per_entry)

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
m() { echo "${R[$1]}" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
met() { awk -v v="$1" -v op="$2" -v t="$3" 'BEGIN { ok = op == "<" ? v < t : v >= t; print ok ? "yes" : "**no**" }'; }
ours=$(m ours)
progressive=0
for f in "${FILES[@]}"; do
    # SOF2 (0xFFC2) marks a progressive file.
    if head -c 65536 "$f" | od -An -tx1 -v | tr -s ' \n' '\n\n' |
        awk 'p == "ff" && $1 == "c2" { found = 1 } { p = $1 } END { exit !found }'; then
        progressive=$((progressive + 1))
    fi
done

echo "$N files ($progressive progressive) in $DIR, $ROUNDS rounds, medians; load average $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
echo
echo "| What | Ours | Against | Ratio | Target | Met |"
echo "|---|---:|---|---:|---|---|"
dc=$(m libjpeg-dc); vips=$(m vipsthumbnail)
echo "| Thumbnails a second, empty cache, IconSize 120 | $ours | libjpeg 1/8 alone: $(m libjpeg) | $(ratio "$ours" "$(m libjpeg)") | | |"
echo "| | | libjpeg, stopped at the DC scans: $dc | $(ratio "$ours" "$dc") | at least 0.75 | $(met "$(ratio "$ours" "$dc")" '>=' 0.75) |"
echo "| | | \`vipsthumbnail\`: $vips | $(ratio "$ours" "$vips") | at least 3 | $(met "$(ratio "$ours" "$vips")" '>=' 3) |"
echo "| | | ImageMagick \`convert -thumbnail\`: $(m convert) | $(ratio "$ours" "$(m convert)") | | |"
echo "| Thumbnails a second, warm cache, IconSize 240 | $(m cached) | | | above 3,000 | $(met "$(m cached)" '>=' 3000) |"
echo "| Viewer decode at 2,000,000 pixels, ms a file | $(m decode) | libjpeg plus a 16-bit fit: $(m fit) | $(ratio "$(m decode)" "$(m fit)") | at most 1.15 | $(met "$(ratio "$(m decode)" "$(m fit)")" '<' 1.151) |"
echo "| 10,000 pictures listed, s | $list10k | | | under 1 | $(met "$list10k" '<' 1) |"
echo "| 50,000 pictures listed, s | $list50k | | | under 5 | $(met "$list50k" '<' 5) |"
echo "| Longest wait of the interface for the lock while listing, ms | $wait10k / $wait50k | | | under 50 | $(met "$(awk -v a="$wait10k" -v b="$wait50k" 'BEGIN { print (a > b ? a : b) }')" '<' 50) |"
echo "| Memory of a listed entry, bytes | $bytes | | | reported | |"
for screen in 1080x1920 480x640; do
    [ $screen = 1080x1920 ] && { tb=6; tv=4; } || { tb=1.5; tv=1.5; }
    echo "| Browse frame at ${screen/x/ x }, ms of processor time | $(m browse-$screen) | | | under $tb | $(met "$(m browse-$screen)" '<' $tb) |"
    echo "| Picture-view frame (turned, magnified) at ${screen/x/ x }, ms | $(m view-$screen) | | | under $tv | $(met "$(m view-$screen)" '<' $tv) |"
done
echo "| Warm start to the first whole frame (splash at least 500 ms), ms | $(m first_frame_ms) | | | under 700 | $(met "$(m first_frame_ms)" '<' 700) |"
for k in rest thumbnails listing; do
    case $k in rest) what="at rest" ;; thumbnails) what="while thumbnails are made" ;; listing) what="while 20,000 names are listed" ;; esac
    echo "| Ctrl+Q to the program's end $what, ms | $(m quit_${k}_ms) | | | under 300 | $(met "$(m quit_${k}_ms)" '<' 300) |"
done
echo
"$BENCH" psnr "$DIR" --icon-size $EDGE
