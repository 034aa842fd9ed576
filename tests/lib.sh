# Helpers for the end-to-end scripts: a private X server, window lookup, screenshots.

# The script's arguments: the program folder and the output folder (made when missing), both absolute,
# as the scripts change into copies of the program folder.
e2e_folders() {
    bin=$(cd "$1" && pwd)
    out=${2:-/tmp/e2e}
    mkdir -p "$out"
    out=$(cd "$out" && pwd)
}
start_x() {
    # The server picks a free display itself, so that runs side by side never share one.
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$fdfile" 2>/dev/null &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    local n
    n=$(head -n 1 "$fdfile" | tr -dc '0-9')
    rm -f "$fdfile"
    [ -n "$n" ] || { echo "no free display" >&2; return 1; }
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    trap 'kill ${WM_PID:-} $XVFB_PID 2>/dev/null || true' EXIT
    # Without a window manager keys still arrive but close boxes do nothing, so a run without one fails
    # here, not later at the first window it cannot close. A slow start on a loaded machine gets time
    # and a second try.
    local attempt
    for attempt in 1 2; do
        openbox >"${out:-/tmp}/openbox.log" 2>&1 &
        WM_PID=$!
        for _ in $(seq 1 200); do
            wmctrl -m >/dev/null 2>&1 && return 0
            kill -0 "$WM_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$WM_PID" 2>/dev/null || true
    done
    echo "no window manager on $DISPLAY:" >&2
    cat "${out:-/tmp}/openbox.log" >&2 || true
    return 1
}

# A private session bus with the accessibility bus on it, so that a walk-through reads the program's
# controls by their accessible names (a label's is its text); the program starts with
# QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1. Call after start_x. Sets A11Y_ADDRESS.
start_accessibility() {
    local addrfile
    addrfile=$(mktemp)
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$addrfile" >/dev/null 2>&1 &
    DBUS_PID=$!
    trap 'kill ${WM_PID:-} ${XVFB_PID:-} ${DBUS_PID:-} 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do
        [ -s "$addrfile" ] && break
        sleep 0.1
    done
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$addrfile")
    export DBUS_SESSION_BUS_ADDRESS
    rm -f "$addrfile"
    A11Y_ADDRESS=""
    for _ in $(seq 1 100); do
        A11Y_ADDRESS=$(gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
            --method org.a11y.Bus.GetAddress 2>/dev/null | sed -n "s/^('\(.*\)',)$/\1/p")
        [ -n "$A11Y_ADDRESS" ] && return 0
        sleep 0.1
    done
    echo "no accessibility bus" >&2
    return 1
}

# The program's accessible objects, one a line: role, screen extents (x y width height), name.
accessible_texts() { python3 "$(dirname "${BASH_SOURCE[0]}")/atspi_texts.py" "$A11Y_ADDRESS"; }

# The width of a text drawn in the readouts' font (DejaVu Sans, 10 pixels).
readout_text_width() {
    convert -font DejaVu-Sans -pointsize 10 -density 72 label:"$1" -format %w info:
}

# Runs the command until it succeeds; false when it has not within the time-out, in seconds. Every wait
# for the program is one of these: it ends on what it looks for, and only a hang reaches the time-out.
wait_until() { # seconds, command...
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# Whether the window is in the window manager's list: only then do close requests and activation reach it.
managed() { wmctrl -l 2>/dev/null | awk '{ print $1 }' | grep -qix "$(printf '0x%08x' "$1")"; }
# Whether the window has gone from the screen.
gone() { ! xdotool search --onlyvisible --name "." 2>/dev/null | grep -qx "$1"; }
# The program's windows on the screen go into a file; new_window tells when one not in it shows, as a
# menu that opens (a hint that goes meanwhile leaves their number as it was).
note_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null >"$out/windows_before" || true; }
new_window() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -qvxF -f "$out/windows_before"; }
# Gives the window the focus; true once it has it.
activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]
}

# For a failure report: whether the window manager still runs.
wm_state() { wmctrl -m >/dev/null 2>&1 && echo "window manager running" || echo "no window manager"; }

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
close_window() {
    wait_until 30 managed "$1" || true
    wmctrl -i -c "$1"
}

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

# Copies the program folder to $out/<name>_program, without a settings file, and sets $prog; files the
# run needs go in before run_copy.
copy_program() {
    prog="$out/${1}_program"
    rm -rf "$prog"
    cp -r "$bin" "$prog"
    rm -f "$prog/settings.xml"
}

# Starts the copy made by copy_program under the given name, with any further arguments as environment
# assignments. The copy gets an executable name of its own, so that a copy running elsewhere (another
# test run) does not count as a second instance. Sets $pid and makes the copy the working folder.
run_copy() {
    local name=$1
    shift
    local exe="scope_${name}_$$"
    mv "$prog/scope" "$prog/$exe"
    cd "$prog"
    env "$@" "./$exe" >"$out/$name.log" 2>&1 &
    pid=$!
}

# Starts a copy of the program folder under the given name in $out, without a settings file, with any
# further arguments as environment assignments (see run_copy).
start_program() {
    copy_program "$1"
    run_copy "$@"
}

# As start_program, with the given settings file in the program folder.
start_with_settings() { # name, settings file
    copy_program "$1"
    cp "$2" "$prog/settings.xml"
    run_copy "$1"
}

fail() {
    echo "$1" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
}

# Presses keys in a window after giving it the focus, as a user would.
press() {
    wait_until 30 managed "$1" || true
    wait_until 30 activate "$1" || true
    xdotool key "${@:2}"
}

# Answers a message box by keys and waits for it to go; tries again when the keys came too early.
answer() {
    local win=$1
    for _ in 1 2 3; do
        press "$win" "${@:2}"
        wait_until 10 gone "$win" && return 0
    done
    return 1
}

visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# Closes a window by its close button and waits for it to go; asks again when the request came before
# the window was ready for it.
close_and_wait() {
    local win=$1
    for _ in 1 2 3; do
        close_window "$win" || true
        wait_until 10 gone "$win" && return 0
    done
    return 1
}

# Answers the device question with No and confirms the demonstration notice; prints the main form.
enter_demonstration() {
    local question notice
    question=$(wait_title "^Error$" 30) || fail "no device question"
    [ -z "${1:-}" ] || shot "$1_question.png"
    answer "$question" alt+n || fail "the device question did not take No"
    notice=$(wait_title "^Warning$" 10) || fail "no demonstration notice"
    [ -z "${1:-}" ] || shot "$1_demonstration.png"
    close_and_wait "$notice" || fail "the demonstration notice did not close ($(wm_state))" # it offers OK only
    wait_title "DEMO" 20 || fail "no main form with the demonstration device's name"
}

# Whether a screenshot, taken now into the file, shows a trace. The red cursor pair alone makes fewer
# than 1000 pixels in trace colours on an 800 x 600 window.
shows_trace() {
    shot "$1"
    trace_pixels=$(convert "$1" txt:- | grep -c -E '#(FF0000|00FF00|FFFF00)' || true)
    [ "$trace_pixels" -gt 2000 ]
}
# Whether two pictures have the same pixels (their files differ by the time they were written).
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
# A window's own picture once it is painted: many colours, and (unless it is live) the same twice running.
window_shot() { # window, file[, live]
    painted() {
        import -window "$1" "$2.next.png" 2>/dev/null || return 1
        [ "$(convert "$2.next.png" -format %k info:)" -gt 20 ] && { [ -n "$3" ] || same_picture "$2.next.png" "$2"; } &&
            mv "$2.next.png" "$2" && return 0
        mv "$2.next.png" "$2"
        return 1
    }
    rm -f "$2"
    wait_until 30 painted "$1" "$2" "${3:-}"
}
# Whether a screenshot, taken now into the second file, differs from the first.
screen_changed() {
    shot "$2"
    ! same_picture "$1" "$2"
}

# Waits for screenshots that show a trace and then a change of the screen: a live acquisition.
expect_live_trace() {
    local first=$1 second=$2
    wait_until 60 shows_trace "$first" || fail "no trace on the oscilloscope screen ($trace_pixels pixels)"
    echo "pixels in trace colours: $trace_pixels"
    wait_until 30 screen_changed "$first" "$second" || fail "the screen did not change: no live acquisition"
}

# Closes the main form and answers the exit question with Yes; the settings file must be written.
exit_with_yes() {
    local exitq
    close_window "$1"
    exitq=$(wait_title "^Warning$" 10) || fail "no exit question"
    answer "$exitq" alt+y || fail "the exit question did not take Yes"
    wait_exit "$pid" 20 || fail "the program did not end after Yes"
    test -s settings.xml || fail "settings.xml was not written"
}

# Click positions in the main form (800 x 600), inside the Save/load box.
LOAD_EDIT="170 500"
LOAD_BROWSE="224 500"
LOAD_BUTTON="254 500"
UNLOAD_BUTTON="154 522"
APPLY_BUTTON="227 522"
APPLY_LAMP="281 522"
AUTOSAVE_BOX="137 545"
SAVE_EDIT="170 569"
SAVE_BROWSE="224 569"
SAVE_BUTTON="254 569"

# Screen position of a point of the main form.
origin() { xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'; }

# The colour of a point of the main form in a screenshot, as #RRGGBB.
pixel() { # png x y
    local ox oy
    read -r ox oy < <(origin)
    convert "$1" -crop "1x1+$((ox + $2))+$((oy + $3))" txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1
}

# A screenshot taken now into the file shows the apply lamp in one of the colours; sets $lamp.
shot_lamp() { # png, colour...
    shot "$1"
    lamp=$(pixel "$1" $APPLY_LAMP)
    local c
    for c in "${@:2}"; do [ "$lamp" = "$c" ] && return 0; done
    return 1
}

# Replaces the text of an edit of the main form $main.
type_into() { # x y text
    click_in "$main" "$1" "$2"
    xdotool key ctrl+a BackSpace
    xdotool type --delay 30 "$3"
    sleep 0.3
}

# Waits for an error box, keeps its screenshot, checks that it is the only one and closes it with OK.
expect_error_box() { # screenshot what
    local box count
    box=$(wait_title "^Error$" 30) || fail "$2: no error box"
    shot "$1"
    count=$(xdotool search --onlyvisible --name "^Error$" 2>/dev/null | wc -l)
    [ "$count" -eq 1 ] || fail "$2: $count error boxes"
    answer "$box" Return || fail "$2: the error box did not close with OK"
}

no_error_box() { ! visible "^Error$" || fail "$1: an error box is open"; }

# Clicks at a point of a window, in its client coordinates.
click_in() { # window, x, y
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.4
}

# The screen position of a window's top-left corner, in $WX and $WY.
window_origin() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    WX=$X
    WY=$Y
}

# A value of a settings file by its element path (case as written); "missing" when there is none.
setting() { # file, path
    python3 - "$1" "$2" <<'PY'
import sys, xml.etree.ElementTree as ET
node = ET.parse(sys.argv[1]).getroot().find(sys.argv[2])
print(node.text if node is not None else "missing")
PY
}

# Sets values of a settings file: path=value pairs; an element that is not there is an error.
prepare() { # file, path=value...
    local file=$1
    shift
    python3 - "$file" "$@" <<'PY'
import sys, xml.etree.ElementTree as ET
tree = ET.parse(sys.argv[1])
for pair in sys.argv[2:]:
    path, value = pair.rsplit("=", 1)
    node = tree.getroot().find(path)
    if node is None:
        sys.exit("no element " + path)
    node.text = value
tree.write(sys.argv[1], encoding="utf-8", xml_declaration=True)
PY
}

# Prints the text of the X clipboard (empty when nothing holds it).
clipboard_text() {
    python3 - <<'PY' 2>/dev/null || true
import tkinter
root = tkinter.Tk()
root.withdraw()
try:
    print(root.clipboard_get())
except tkinter.TclError:
    pass
PY
}
