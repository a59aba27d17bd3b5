#!/bin/bash
# The installed program as a new user meets it, under a virtual X server
# with no window manager and no LUMATRAY_SCREEN: installed into a
# temporary prefix, started with a fresh home (no settings, an empty
# pictures folder), then through its desktop entry on a picture; a second
# start through the entry hands its picture to the running window; a bad
# argument opens no window.
#   scripts/x11_desktop.sh [BUILD_DIR]
set -u
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/lumatray-desktop.XXXXXX")
xpid=""
apid=""
cleanup() {
    [ -n "${X11_SHOTS:-}" ] && mkdir -p "$X11_SHOTS" && cp "$work"/*.png "$X11_SHOTS/" 2>/dev/null
    [ -n "$apid" ] && kill "$apid" 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "x11_desktop: $*" >&2; exit 1; }

p="$work/prefix"
cmake --install "$build" --prefix "$p" >/dev/null || fail "install failed"
home="$work/home"
mkdir -p "$home/Pictures" "$work/run" "$work/photos"
chmod 700 "$work/run"
unset LUMATRAY_SCREEN XDG_CONFIG_HOME XDG_CACHE_HOME
export HOME="$home" XDG_RUNTIME_DIR="$work/run" PATH="$p/bin:$PATH"
# Three pictures of one colour each: what the window shows is easy to tell.
for c in red lime blue; do
    convert -size 480x360 "xc:$c" -quality 95 "$work/photos/$c.jpg" || fail "convert"
done

. "$(dirname "$0")/xvfb.sh"
start_xvfb 1024x768x24

# start [ARG...]: runs the installed program in the background, waits for its window.
win=""
start() {
    win=""
    # A second try when the X server refused the connection just after the
    # last program left it (seen once under load); any other failure stands.
    for attempt in 1 2; do
        "$@" >"$work/app.log" 2>&1 </dev/null &
        apid=$!
        for _ in $(seq 100); do
            win=$(xdotool search --name '^Lumatray$' 2>/dev/null | head -1)
            [ -n "$win" ] && break
            kill -0 "$apid" 2>/dev/null || break
            sleep 0.1
        done
        [ -n "$win" ] && break
        grep -q "no display" "$work/app.log" || break
        sleep 1
    done
    [ -n "$win" ] || fail "no window for $*: $(cat "$work/app.log")"
    eval "$(xdotool getwindowgeometry --shell "$win")"
}
# quit: Ctrl+Q, then the exit code must be 0.
quit() {
    # Every window of that name as it is now (SDL may keep a hidden one
    # beside the main window): the key reaches the program either way.
    for w in $(xdotool search --name '^Lumatray$' 2>/dev/null); do
        xdotool key --window "$w" ctrl+q 2>/dev/null
    done
    for _ in $(seq 100); do kill -0 "$apid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$apid" 2>/dev/null && fail "Ctrl+Q did not end the program"
    wait "$apid"
    local rc=$?
    apid=""
    [ $rc -eq 0 ] || fail "ended with $rc: $(cat "$work/app.log")"
}
# colour NAME: the mean colour of the middle of the window, as "R G B" (0..255).
colour() {
    sleep 1
    import -window root -crop "40x40+$((X + WIDTH / 2 - 20))+$((Y + HEIGHT / 2 - 20))" "$work/$1.png" 2>/dev/null ||
        fail "no screenshot $1"
    convert "$work/$1.png" -resize '1x1!' -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:
}
# mostly R G B NAME: the middle of the window is mostly that primary.
mostly() {
    local c
    c=$(colour "$4")
    set -- $1 $2 $3 $c
    awk -v w1="$1" -v w2="$2" -v w3="$3" -v r="$4" -v g="$5" -v b="$6" 'BEGIN {
        split(w1 " " w2 " " w3, want, " "); got[1] = r; got[2] = g; got[3] = b
        for (i = 1; i <= 3; i++) if ((want[i] && got[i] < 160) || (!want[i] && got[i] > 90)) exit 1 }' ||
        fail "the window shows $c in the middle, not $1 $2 $3 ($4)"
}

# 1. First start: no settings, an empty pictures folder, a landscape screen.
start lumatray
[ "$HEIGHT" -ge 600 ] && [ "$HEIGHT" -le 768 ] || fail "window height $HEIGHT on a 768-pixel screen"
[ $((WIDTH * 4)) -ge $((HEIGHT * 3 - 8)) ] && [ $((WIDTH * 4)) -le $((HEIGHT * 3 + 8)) ] ||
    fail "window is ${WIDTH}x$HEIGHT, not 3:4"
colour first >/dev/null  # a screenshot for a look (X11_SHOTS=DIR keeps them)
quit
ini="$home/.config/lumatray/Lumatray.ini"
[ -f "$ini" ] || fail "no $ini"
grep -qx "ImgPath|$home/Pictures|" "$ini" || fail "ImgPath is not ~/Pictures: $(head -1 "$ini")"
grep -qx "CachePath|$home/.cache/lumatray|" "$ini" || fail "cache not under ~/.cache: $(sed -n 2p "$ini")"
[ -e "$p/bin/Lumatray.ini" ] && fail "settings written into the prefix"

# 2. Through the desktop entry on a picture: it opens full screen. The
# Exec line as a launcher runs it (%f replaced), so its exit code is ours.
entry="$p/share/applications/lumatray.desktop"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = "lumatray %f" ] || fail "Exec=$exec_line"
start lumatray "$work/photos/lime.jpg"
mostly 0 1 0 lime
# 3. A second start through the entry hands its picture over, and ends
# (with GLib's launcher when it is there).
if command -v gio >/dev/null 2>&1; then
    timeout 20 gio launch "$entry" "$work/photos/blue.jpg" >/dev/null 2>&1 || fail "gio launch failed"
else
    timeout 20 lumatray "$work/photos/blue.jpg" >/dev/null 2>&1 || fail "the second start did not end with 0"
fi
mostly 0 0 1 blue
kill -0 "$apid" 2>/dev/null || fail "the first instance ended"
# ... and a folder closes the picture for the folder's track.
timeout 20 lumatray "$home/Pictures" >/dev/null 2>&1 || fail "the second start with a folder did not end with 0"
(mostly 0 0 1 folder) 2>/dev/null && fail "still the blue picture after a folder was handed over"
quit
grep -qx "ImgPath|$home/Pictures|" "$ini" || fail "ImgPath after the folder: $(head -1 "$ini")"

# 4. A bad argument: one line, exit 2, no window.
out=$(lumatray "$work/photos/none.jpg" 2>&1)
rc=$?
[ $rc -eq 2 ] || fail "a missing picture ended with $rc"
[ "$out" = "lumatray: $work/photos/none.jpg: no such file or folder" ] || fail "a missing picture said: $out"
[ -z "$(xdotool search --name '^Lumatray$' 2>/dev/null)" ] || fail "a window opened for a missing picture"
echo "x11_desktop: passed"
