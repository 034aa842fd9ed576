# Helpers for the end-to-end scripts: a private X server, window lookup, screenshots.
start_x() {
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 1 50); do
                xdpyinfo >/dev/null 2>&1 && break
                sleep 0.1
            done
            openbox >/dev/null 2>&1 &
            WM_PID=$!
            for _ in $(seq 1 50); do
                wmctrl -m >/dev/null 2>&1 && break
                sleep 0.1
            done
            trap 'kill $WM_PID $XVFB_PID 2>/dev/null || true' EXIT
            return 0
        fi
    done
    echo "no free display" >&2
    return 1
}

# Prints the id of the first visible window of a process once it appears.
wait_window() {
    local pid=$1 timeout=$2 win=""
    for _ in $(seq 1 $((timeout * 10))); do
        win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
        [ -n "$win" ] && { echo "$win"; return 0; }
        kill -0 "$pid" 2>/dev/null || { echo "process ended before showing a window" >&2; return 1; }
        sleep 0.1
    done
    echo "no window within ${timeout}s" >&2
    return 1
}

# Prints the id of a visible window whose title matches.
wait_title() {
    local title=$1 timeout=$2 win=""
    for _ in $(seq 1 $((timeout * 10))); do
        win=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1 || true)
        [ -n "$win" ] && { echo "$win"; return 0; }
        sleep 0.1
    done
    echo "no window titled '$title' within ${timeout}s" >&2
    return 1
}

shot() { import -window root "$1" 2>/dev/null || xwd -root -silent | convert xwd:- "$1"; }

# Asks the window to close as the window manager's close button does.
close_window() { wmctrl -i -c "$1"; }

wait_exit() {
    local pid=$1 timeout=$2
    for _ in $(seq 1 $((timeout * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            return $?
        fi
        sleep 0.1
    done
    echo "process did not end within ${timeout}s" >&2
    kill "$pid" 2>/dev/null || true
    return 1
}
