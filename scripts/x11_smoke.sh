#!/bin/bash
# The real SDL program end to end: without a display it says so in one line
# and fails; under a virtual X server it opens a 240 x 320 window, draws,
# sends a second start back to the first, opens a picture with a click,
# steps with the arrow keys, closes it with Escape, rotates a picture through
# the menu and the pop-up, deletes one confirmed with Return in the real
# message box (both checked on disk) and ends with 0 on Ctrl+Q.
#   scripts/x11_smoke.sh [path/to/lumatray]
set -u
prog=$(realpath "${1:-build/lumatray}")
work=$(mktemp -d "${TMPDIR:-/tmp}/lumatray-x11.XXXXXX")
xpid=""
apid=""
cleanup() {
    # X11_SHOTS=DIR keeps the screenshots for a look.
    [ -n "${X11_SHOTS:-}" ] && mkdir -p "$X11_SHOTS" && cp "$work"/shots/*.png "$X11_SHOTS/" 2>/dev/null
    [ -n "$apid" ] && kill "$apid" 2>/dev/null
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "x11_smoke: $*" >&2; exit 1; }

# A copy of its own: the program writes its settings beside itself.
mkdir -p "$work/prog" "$work/home/Pictures" "$work/run" "$work/shots"
# Real pictures in the start folder (~/Pictures).
testdata="$(cd "$(dirname "$0")/../.." && pwd)/shared/testdata/jpeg"
for f in testorig.jpg video-001.jpeg hopper_orientation_2.jpg; do
    cp "$testdata/$f" "$work/home/Pictures/" || fail "test picture $f missing"
done
chmod 700 "$work/run"
cp "$prog" "$work/prog/lumatray"
[ -d "$(dirname "$prog")/Skin" ] && cp -r "$(dirname "$prog")/Skin" "$work/prog/"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/prog/lumatray" 2>&1 </dev/null)
rc=$?
[ $rc -ne 0 ] || fail "started without a display"
[ "$out" = "lumatray: no display" ] || fail "unexpected output without a display: $out"

. "$(dirname "$0")/xvfb.sh"
start_xvfb 800x600x24

# No mail composer on the program's PATH: the picture menu then has a fixed
# layout of seven buttons.
mkdir -p "$work/nobin"
PATH="$work/nobin" LUMATRAY_SCREEN=240x320 "$work/prog/lumatray" >"$work/app.log" 2>&1 </dev/null &
apid=$!
win=""
for _ in $(seq 100); do
    win=$(xdotool search --name '^Lumatray$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || fail "no window"
geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "240x320" ] || fail "window is $geometry, not 240x320"

# Something other than black is drawn (the splash, then the browser).
drawn=0
for _ in $(seq 50); do
    mean=$(import -window root -crop 240x320+280+140 png:- 2>/dev/null | convert - -format '%[fx:mean]' info: 2>/dev/null)
    if [ -n "$mean" ] && awk "BEGIN { exit !($mean > 0.01) }"; then drawn=1; break; fi
    sleep 0.1
done
[ $drawn -eq 1 ] || fail "nothing drawn in the window"

timeout 10 "$work/prog/lumatray" </dev/null >/dev/null 2>&1
rc=$?
[ $rc -eq 0 ] || fail "second start ended with $rc"
kill -0 "$apid" 2>/dev/null || fail "the first instance ended"

# The window's picture, and how many pixels differ between two of them.
shot() { sleep 1; import -window root -crop 240x320+$wx+$wy "$work/shots/$1.png" 2>/dev/null || fail "no screenshot $1"; }
differ() { compare -metric AE "$work/shots/$1.png" "$work/shots/$2.png" null: 2>&1 | sed 's/ .*//'; }
expect_differ() {
    local n
    n=$(differ "$1" "$2")
    [ -n "$n" ] && [ "${n%.*}" -gt 500 ] 2>/dev/null || fail "$2 looks like $1 ($n pixels differ)"
}
eval "$(xdotool getwindowgeometry --shell "$win")"
wx=$X wy=$Y
sleep 1  # the thumbnails are made and drawn
shot browse
# A click on the selected picture (top centre of the curve) opens it.
xdotool mousemove --window "$win" 120 60 click 1
shot picture
expect_differ browse picture
xdotool key Right
shot next
expect_differ picture next
xdotool key Escape
shot closed
expect_differ next closed
expect_differ browse closed  # the curve turned to the second picture

# Rotation: open testorig.jpg (227 x 149, selected now), Up for the picture
# menu, its "rotate" button (second of the upper line of three), then the
# pop-up's upper half: a quarter turn clockwise, written over the file.
pictures="$work/home/Pictures"
[ "$(identify -format %wx%h "$pictures/testorig.jpg")" = "227x149" ] || fail "unexpected test picture"
xdotool mousemove --window "$win" 120 60 click 1
sleep 1
xdotool key Up
sleep 1
xdotool mousemove --window "$win" 120 230 click 1
sleep 1
xdotool mousemove --window "$win" 120 40 click 1
rotated=""
for _ in $(seq 50); do
    rotated=$(identify -format %wx%h "$pictures/testorig.jpg" 2>/dev/null)
    [ "$rotated" = "149x227" ] && break
    sleep 0.1
done
[ "$rotated" = "149x227" ] || fail "the rotation through the pop-up gave $rotated"
ls -A "$pictures" | grep -q '\.tmp$' && fail "a temporary file was left"
shot rotated

# Delete: the browse menu (Up), its fourth button "delete", and Return in
# the real confirmation box, whose default is Yes.
sleep 1
xdotool key Up
sleep 1
xdotool mousemove --window "$win" 210 290 click 1
# The box is a window of its own over ours; it gets the keyboard focus,
# and Return presses its default button.
box=""
for _ in $(seq 50); do
    box=$(xwininfo -root -tree | awk '/"Confirmation"/ { print $1; exit }')
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no confirmation box"
shot box
expect_differ rotated box
xdotool windowfocus --sync "$box"
xdotool key --clearmodifiers Return
for _ in $(seq 50); do [ -e "$pictures/testorig.jpg" ] || break; sleep 0.1; done
[ -e "$pictures/testorig.jpg" ] && fail "Return in the box did not delete the picture"
[ -e "$pictures/video-001.jpeg" ] || fail "the delete took another picture"

xdotool mousemove --window "$win" 120 160
sleep 0.5
xdotool key ctrl+q
for _ in $(seq 100); do kill -0 "$apid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$apid" 2>/dev/null && fail "Ctrl+Q did not end the program"
wait "$apid"
rc=$?
apid=""
[ $rc -eq 0 ] || fail "ended with $rc"
echo "x11_smoke: passed"
