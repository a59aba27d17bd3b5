#!/bin/sh
# Builds the libFuzzer targets with clang (ASan) and runs each for a fixed
# number of inputs over a seed corpus made from the shared test pictures.
# Exits non-zero when a target crashes; the crashing input is left in the
# work folder (printed) for minimising into tests/data/regress/.
#
#   tools/run_fuzz.sh [runs]        (default 2000 runs per target)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-2000}
build=${LUMATRAY_FUZZ_BUILD:-$root/build-fuzz}
testdata=$root/../shared/testdata

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DLUMATRAY_FUZZ=ON \
  -DLUMATRAY_TESTS=OFF -DLUMATRAY_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_jpeg fuzz_png fuzz_keyvalue -j2

work=$(mktemp -d "${TMPDIR:-/tmp}/lumatray-fuzz.XXXXXX")
echo "work folder: $work"
mkdir -p "$work/jpeg" "$work/png" "$work/keyvalue" "$work/artifacts"
for f in "$testdata"/jpeg/* "$testdata"/corrupt/*.jpg; do cp "$f" "$work/jpeg/"; done
for f in "$testdata"/png/* "$testdata"/corrupt/*.png; do cp "$f" "$work/png/"; done
printf 'ImgPath|/home/user/Pictures|\nMaxPicPixel|2000000|\n' >"$work/keyvalue/ini"
printf 'Background|FF00FF|\r\nText|0|\nBookmark1|caf\303\251|\n' >"$work/keyvalue/skin"
head -c 3000 /dev/zero | tr '\0' 'x' >"$work/keyvalue/long"

status=0
for target in jpeg png keyvalue; do
  echo "== fuzz_$target: $runs runs"
  # Each run reads a file, so the fork-free default is fine; a crash stops
  # the target and is reported below.
  if ! TMPDIR="$work" "$build/fuzz_$target" -runs="$runs" -max_len=65536 -timeout=20 \
      -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/$target-" \
      "$work/$target" >"$work/$target.log" 2>&1; then
    echo "fuzz_$target FAILED; log: $work/$target.log"
    tail -n 30 "$work/$target.log"
    status=1
  else
    grep -E '^#[0-9]+ *DONE' "$work/$target.log" || tail -n 1 "$work/$target.log"
  fi
done
if [ "$status" -eq 0 ]; then
  rm -rf "$work"
else
  echo "crashing inputs: $(ls "$work/artifacts")"
fi
exit "$status"
