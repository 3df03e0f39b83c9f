# Sourced by the tests that need an X display (bash).
#
# Each test starts an Xvfb of its own. -displayfd lets the server take a free
# display number itself, so two tests running at once never share a display,
# a lock file or a socket. -noreset keeps the server from resetting when its
# last client leaves: without it every short-lived client (the probe below,
# xwininfo or xdotool looking for a window) ends a server generation, and a
# program that connects during the reset is turned away and reports that it
# has no display.
#
#   xvfb_start FOLDER   start a server, wait until it accepts connections and
#                       export DISPLAY; FOLDER holds its display number and log
#   xvfb_stop           end the server and wait until it is gone
#   xvfb_twice START... run the test's start-up function START (with its
#                       arguments) and, when it fails, once more on a new server
#   xvfb_wait_window PID TITLE SECONDS
#                       wait until a viewable window whose name begins with TITLE
#                       is shown while process PID runs; sets xvfb_window
#
# The caller ends the server on every way out, e.g.
#   trap 'xvfb_stop; ...' EXIT
#   trap 'exit 1' INT TERM HUP

xvfb_pid=
xvfb_dir=
xvfb_window=

xvfb_start() {
    xvfb_dir=$1
    local tool
    for tool in Xvfb xdpyinfo xwininfo; do
        command -v $tool >/dev/null || { echo "$tool is missing: install xvfb x11-utils"; return 1; }
    done
    rm -f "$xvfb_dir/display"
    Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp \
        3>"$xvfb_dir/display" >"$xvfb_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    # The number arrives as one line once the server listens.
    local number="" deadline=$((SECONDS + 30))
    until read -r number 2>/dev/null <"$xvfb_dir/display"; do
        if ! kill -0 $xvfb_pid 2>/dev/null; then
            echo "Xvfb ended at its start:"; cat "$xvfb_dir/xvfb.log"; xvfb_pid=; return 1
        fi
        [ $SECONDS -lt $deadline ] || { echo "Xvfb gave no display number in 30 s"; xvfb_stop; return 1; }
        sleep 0.05
    done
    export DISPLAY=:$number
    # Listening is not yet answering: ask the server until it does.
    until xdpyinfo >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || { echo "Xvfb on $DISPLAY does not answer"; xvfb_stop; return 1; }
        sleep 0.05
    done
}

xvfb_stop() {
    [ -n "$xvfb_pid" ] || return 0
    kill $xvfb_pid 2>/dev/null
    for _ in $(seq 100); do kill -0 $xvfb_pid 2>/dev/null || break; sleep 0.05; done
    kill -KILL $xvfb_pid 2>/dev/null
    wait $xvfb_pid 2>/dev/null
    xvfb_pid=
}

# START starts the program and returns 0 once it is up; when it returns
# otherwise it has ended what it started. A start-up that fails is tried once
# more on a new server: a window that does not come up may be the moment's
# fault. A second failure stands, and nothing after the start is retried.
xvfb_twice() {
    "$@" && return 0
    echo "note: the start-up failed; once more on a new display"
    xvfb_stop
    xvfb_start "$xvfb_dir" || return 1
    "$@"
}

xvfb_wait_window() {
    local pid=$1 title=$2 deadline=$((SECONDS + $3)) id
    xvfb_window=
    while kill -0 $pid 2>/dev/null && [ $SECONDS -lt $deadline ]; do
        for id in $(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | awk '{print $1}'); do
            if xwininfo -id $id 2>/dev/null | grep -q 'Map State: IsViewable'; then
                xvfb_window=$id
                return 0
            fi
        done
        sleep 0.1
    done
    return 1
}
