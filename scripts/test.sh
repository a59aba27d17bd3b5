#!/bin/bash
# Builds and runs every test: the desktop entry, metainfo and man page
# checks, a plain build, the program under a virtual X server (from its
# build folder, then installed), an ASan+UBSan build, a TSan build, then
# the fuzzers when clang and tools/run_fuzz.sh are there. Stops at the
# first failure. The last line is "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-2}
passed=0
failed=0

summary() { echo "$passed passed, $failed failed"; }
trap 'status=$?; if [ $status -ne 0 ]; then summary; fi' EXIT

# run_ctest BUILD_DIR [PREFIX...]: ctest with its counts added to the totals.
run_ctest() {
    local dir=$1
    shift
    local log="$dir/ctest.log" rc=0
    "$@" ctest --test-dir "$dir" --output-on-failure -j"$JOBS" 2>&1 | tee "$log" || rc=$?
    local line total bad
    line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" | tail -1 || true)
    if [ -n "$line" ]; then
        total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
        bad=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    elif [ $rc -ne 0 ]; then
        failed=$((failed + 1))
    fi
    return $rc
}

# build DIR [CMAKE ARGS...]
build() {
    local dir=$1
    shift
    $prefix cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    $prefix cmake --build "$dir" -j"$JOBS"
}

prefix=""
echo "=== desktop entry, AppStream metainfo and man page"
check_data() {
    desktop-file-validate data/lumatray.desktop &&
        appstreamcli validate --no-net data/io.github.lumatray.Lumatray.metainfo.xml &&
        # groff says nothing about a clean page
        [ -z "$(groff -t -man -ww -z data/lumatray.1 2>&1)" ]
}
if check_data; then passed=$((passed + 1)); else failed=$((failed + 1)); exit 1; fi

echo "=== plain build"
build build
run_ctest build

if command -v Xvfb >/dev/null 2>&1; then
    echo "=== the program under Xvfb"
    if scripts/x11_smoke.sh build/lumatray; then passed=$((passed + 1)); else failed=$((failed + 1)); exit 1; fi
    echo "=== installed, started from its desktop entry under Xvfb"
    if scripts/x11_desktop.sh build; then passed=$((passed + 1)); else failed=$((failed + 1)); exit 1; fi
fi

echo "=== ASan + UBSan build"
build build-asan -DLUMATRAY_SANITIZE=address -DLUMATRAY_BENCH=OFF
run_ctest build-asan

echo "=== TSan build"
# TSan of this toolchain cannot map its shadow memory under a randomised
# layout with many bits (vm.mmap_rnd_bits > 28): then run without ASLR.
probe_dir=$(mktemp -d)
echo 'int main() { return 0; }' > "$probe_dir/p.cpp"
if c++ -fsanitize=thread "$probe_dir/p.cpp" -o "$probe_dir/p" 2>/dev/null && ! "$probe_dir/p" >/dev/null 2>&1; then
    echo "TSan needs ASLR off here: using setarch -R"
    prefix="setarch $(uname -m) -R"
fi
rm -rf "$probe_dir"
build build-tsan -DLUMATRAY_SANITIZE=thread -DLUMATRAY_BENCH=OFF
run_ctest build-tsan $prefix
prefix=""

if command -v clang >/dev/null 2>&1 && [ -x tools/run_fuzz.sh ]; then
    echo "=== fuzzing"
    if tools/run_fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); exit 1; fi
fi

trap - EXIT
summary
