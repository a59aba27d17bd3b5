#!/bin/sh
# Installs the build into a temporary prefix and runs the installed program
# from another folder: every file in its place, nothing of a developer's run
# installed, and the argument checked before any window opens.
#   tools/check_install.sh BUILD_DIR
set -u
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/lumatray-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

p="$work/prefix"
cmake --install "$build" --prefix "$p" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install failed"; }
for f in bin/lumatray share/lumatray/Skin/background.png share/lumatray/Skin/quit.png \
         share/lumatray/Skin/Folder.png share/applications/lumatray.desktop \
         share/metainfo/io.github.lumatray.Lumatray.metainfo.xml share/man/man1/lumatray.1; do
    [ -s "$p/$f" ] || fail "$f not installed"
done
for s in 16 24 32 48 64 128 256; do
    icon="$p/share/icons/hicolor/${s}x${s}/apps/lumatray.png"
    [ -s "$icon" ] || fail "no ${s}x${s} icon"
    # PNG header: width and height as big-endian words at bytes 16 and 20.
    size=$(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$size" = "${s}x${s}" ] || fail "the ${s}x${s} icon is $size"
done
[ -x "$p/bin/lumatray" ] || fail "the program is not executable"
# A developer's run leaves Lumatray.ini and Skin/Skin.txt in the build folder.
[ -e "$p/share/lumatray/Skin/Skin.txt" ] && fail "a run's Skin.txt was installed"
[ -e "$p/bin/Lumatray.ini" ] && fail "a run's Lumatray.ini was installed"

# From another folder, with a home of its own and no display.
mkdir -p "$work/elsewhere" "$work/pics" "$work/home" "$work/run"
chmod 700 "$work/run"
cp "$(dirname "$0")/../../shared/testdata/jpeg/testorig.jpg" "$work/pics/a.jpg" 2>/dev/null || : >"$work/pics/a.jpg"
cd "$work/elsewhere" || fail "no folder"
run() { env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
        XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" "$p/bin/lumatray" "$@" 2>&1 </dev/null; }

out=$(run --version); rc=$?
[ $rc -eq 0 ] && [ "$out" = "lumatray 1.1.0" ] || fail "--version: $rc, $out"
out=$(run ../pics/missing.jpg); rc=$?
[ $rc -eq 2 ] || fail "a missing picture ended with $rc"
[ "$out" = "lumatray: ../pics/missing.jpg: no such file or folder" ] || fail "a missing picture said: $out"
touch ../pics/notes.txt
out=$(run ../pics/notes.txt); rc=$?
[ $rc -eq 2 ] && [ "$out" = "lumatray: ../pics/notes.txt: not a folder or a JPEG picture" ] || fail "a text file: $rc, $out"
# A good argument gets as far as the display.
for arg in ../pics ../pics/a.jpg; do
    out=$(run "$arg"); rc=$?
    [ $rc -eq 1 ] && [ "$out" = "lumatray: no display" ] || fail "$arg without a display: $rc, $out"
done
[ -e "$work/home/.config/lumatray/Lumatray.ini" ] && fail "settings written without a window"
echo "check_install: passed"
