# Sourced by the X11 tests: start_xvfb WxHxD starts a virtual X server on
# the first free display, logs to $work/xvfb.log, sets xpid and DISPLAY.
start_xvfb() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xpid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
}
