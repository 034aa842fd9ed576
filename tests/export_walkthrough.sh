#!/usr/bin/env bash
# Exports in demonstration mode, started with a settings.xml holding four text presets (A and B in V
# with time to a file, points of the screen, mV between the vertical cursors at one point, channel C to
# a file) and four image presets (the two built-in ones, a JPEG and a BMP one) and hints off. Each preset
# is run from the Edit menu with a path typed into the file dialog; the files and the clipboard are
# checked. Then the hints: none while ToolTip is false, again after loading a settings file with ToolTip
# true (the same presets). Last "Manage exports": a new preset added with OK reaches the menu, one added
# and cancelled does not, and settings.xml keeps both the list and the fields typed last.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

files="$out/export_files"
rm -rf "$files"
mkdir -p "$files"

# Client coordinates of the main form and the Manage exports dialog.
EDIT_MENU="55 12"
MODULE_BUTTON="30 247"
MANAGE_NAME="358 41"
MANAGE_ADD="326 240"
MANAGE_OK="370 277"
MANAGE_CANCEL="448 277"

text_preset() { # index name units area style target source
    cat <<XML
			<ITEM index="$1">
				<NAME type="string">$2</NAME>
				<UNITS type="int">$3</UNITS>
				<AREA type="int">$4</AREA>
				<STYLE type="int">$5</STYLE>
				<TARGET type="int">$6</TARGET>
				<SOURCE type="int">$7</SOURCE>
			</ITEM>
XML
}

image_preset() { # index name format override screen-colour
    cat <<XML
			<ITEM index="$1">
				<NAME type="string">$2</NAME>
				<CHANNELCOLORS type="hexarray" length="4">
					<ITEM index="0">0000FF00</ITEM>
					<ITEM index="1">0000FFFF</ITEM>
					<ITEM index="2">00FF8000</ITEM>
					<ITEM index="3">000080FF</ITEM>
				</CHANNELCOLORS>
				<CURSORCOLORS type="hexarray" length="2">
					<ITEM index="0">000000FF</ITEM>
					<ITEM index="1">00FF0000</ITEM>
				</CURSORCOLORS>
				<VERCURSORSON type="bool">true</VERCURSORSON>
				<HORCURSORSON type="bool">true</HORCURSORSON>
				<QUICKVIEWON type="bool">false</QUICKVIEWON>
				<OUTPUTFORMAT type="int">$3</OUTPUTFORMAT>
				<OVERRIDECOLORS type="bool">$4</OVERRIDECOLORS>
				<SCREENCOLOR type="hex">$5</SCREENCOLOR>
				<GRIDCOLOR type="hex">00A0A0A0</GRIDCOLOR>
				<GRIDON type="bool">true</GRIDON>
				<INFOCOLOR type="hex">00FFFFFF</INFOCOLOR>
				<INFOON type="bool">false</INFOON>
			</ITEM>
XML
}

write_settings() { # file, tool tips on
    {
        echo '<SETTINGS version="1">'
        echo '	<VISUAL><SCREEN><CURSORS>'
        echo '		<VERON type="bool">true</VERON>'
        echo '		<VERPOS0 type="int">200</VERPOS0><VERPOS1 type="int">200</VERPOS1>'
        echo '	</CURSORS></SCREEN></VISUAL>'
        echo '	<OPTIONS>'
        echo "		<TOOLTIP type=\"bool\">$2</TOOLTIP>"
        echo '		<DEFINEDEXPORT type="exportarray" length="4">'
        text_preset 0 "A and B in V with time" 1 0 1 1 3
        text_preset 1 "Points of the screen" 2 1 0 0 3
        text_preset 2 "mV between the cursors" 0 2 0 0 1
        text_preset 3 "Channel C" 1 0 0 1 4
        echo '		</DEFINEDEXPORT>'
        echo '		<DEFINEDEXPORTASIMAGE type="exportasimagearray" length="4">'
        image_preset 0 "Current screen (PNG)" 0 true 00000000
        image_preset 1 "Black/white (PNG)" 0 false 00FFFFFF
        image_preset 2 "JPEG shot" 1 true 00000000
        image_preset 3 "BMP shot" 2 true 00000000
        echo '		</DEFINEDEXPORTASIMAGE>'
        echo '	</OPTIONS>'
        echo '</SETTINGS>'
    } >"$1"
}

# As start_program, with a settings file of its own in the program folder.
start_with_presets() {
    copy_program "$1"
    write_settings "$prog/settings.xml" false
    mkdir -p "$prog/Settings"
    write_settings "$prog/Settings/tips.st" true
    run_copy "$1"
}

keys() { # one key at a time, as a user types them
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.35
    done
}


# The program's windows on the screen; a menu or a hint that opens is one more.
windows_of() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l; }
more_windows() { [ "$(windows_of)" -gt "$1" ]; }

# Opens Edit > submenu (0 Export as ASCII, 1 Export as image) and chooses the item at that index.
choose() {
    wait_until 30 activate "$main" || true
    note_windows
    click_in "$main" $EDIT_MENU
    wait_until 30 new_window || fail "the Edit menu did not open"
    keys Down
    [ "$1" = 0 ] || keys Down
    note_windows
    keys Right
    wait_until 30 new_window || fail "the export submenu did not open"
    for _ in $(seq 1 "$2"); do keys Down; done
    [ -z "${3:-}" ] || shot "$3"
    keys Return
}

# Types a path into the save dialog that the chosen item opens.
save_as() {
    local dlg
    dlg=$(wait_title "^Save As$" 30) || fail "no save dialog"
    wait_until 30 activate "$dlg" || true
    keys ctrl+a
    xdotool type --delay 30 "$1"
    keys Return
    wait_until 30 gone "$dlg" || fail "the save dialog did not close"
}

wait_file() { wait_until 30 test -s "$1" || fail "no file $1"; }

# Waits until the clipboard holds a text other than the one given and puts it in the file.
clipboard_after() { # previous text, file
    new_text() { clip=$(clipboard_text) && [ -n "$clip" ] && [ "$clip" != "$1" ]; }
    wait_until 30 new_text "$1" || fail "the export put nothing new on the clipboard"
    printf '%s\n' "$clip" >"$2"
}

start_x
start_with_presets export
main=$(enter_demonstration)
shot "$out/export_1_main.png"

# Text to a file: CR LF rows of the whole memory, time 0 at the trigger.
choose 0 0 "$out/export_2_menu.png"
save_as "$files/ab"
wait_file "$files/ab.txt"
[ -e "$files/ab" ] && fail "the text entry did not give .txt"

# Points of the screen and the cursors to the clipboard.
choose 0 1
clipboard_after "" "$files/points.txt"
choose 0 2
clipboard_after "$clip" "$files/cursors.txt"

# Channel C to a file that exists: the overwrite question, Yes.
echo "old" >"$files/c.txt"
choose 0 3
save_as "$files/c.txt"
q=$(wait_title "^Warning$" 30) || fail "no overwrite question"
shot "$out/export_3_overwrite.png"
answer "$q" alt+y || fail "the overwrite question did not take Yes"

# Images: the entry preselected by the preset decides; the PNG entry turns picture.bmp into picture.png.
choose 1 0 "$out/export_4_image_menu.png"
save_as "$files/picture.bmp"
choose 1 1
save_as "$files/bw"
choose 1 2
save_as "$files/shot"
choose 1 3
save_as "$files/shot"
for f in picture.png bw.png shot.jpg shot.bmp; do wait_file "$files/$f"; done
[ -e "$files/picture.bmp" ] && fail "picture.bmp was written under its typed name"
wait_until 30 activate "$main" || true
window_shot "$main" "$out/export_5_window.png" live || fail "the main form was not painted"

# Hints: off, no tool-tip window over the modules box button; on again after loading a settings file.
# A hint is one more window; with hints off none comes in the 2 s a hint takes at most (that hold is the
# check itself), with hints on the count is read once the hint is there.
hover_tip_windows() { # on|off
    wait_until 30 activate "$main" || true
    xdotool mousemove --window "$main" 300 300
    sleep 0.5
    local before
    before=$(windows_of)
    xdotool mousemove --window "$main" $MODULE_BUTTON
    sleep 0.3
    xdotool mousemove_relative 1 1
    if [ "$1" = on ]; then
        wait_until 30 more_windows "$before" || true
    else
        sleep 2
    fi
    echo $(($(windows_of) - before))
}
tips_off=$(hover_tip_windows off)
shot "$out/export_9_no_hint.png"
note_windows
press "$main" alt+s
wait_until 30 new_window || fail "alt+s opened no menu"
keys Down Return
open=$(wait_title "^Open$" 30) || fail "no dialog for loading a settings file"
wait_until 30 activate "$open" || true
xdotool type --delay 30 "tips.st"
keys Return
wait_until 30 gone "$open" || fail "the dialog for loading a settings file did not close"
tips_on=$(hover_tip_windows on)
shot "$out/export_10_hint.png"
echo "tool-tip windows: $tips_off with hints off, $tips_on with hints on"
[ "$tips_off" -eq 0 ] || fail "a hint showed while ToolTip was false"
[ "$tips_on" -ge 1 ] || fail "no hint after loading ToolTip true"


# Manage exports: a new preset with OK reaches the menu.
choose 0 4
dlg=$(wait_title "^Manage exports$" 30) || fail "no Manage exports dialog"
wait_until 30 activate "$dlg" || true
click_in "$dlg" $MANAGE_NAME
keys ctrl+a
xdotool type --delay 30 "Walkthrough export"
click_in "$dlg" $MANAGE_ADD
shot "$out/export_6_manage_added.png"
click_in "$dlg" $MANAGE_OK
wait_until 30 gone "$dlg" || fail "OK did not close Manage exports"
choose 0 4 "$out/export_7_menu_with_new_item.png"
clipboard_after "$clip" "$files/walkthrough.txt"

# Add and Cancel: the list stays (the dialog's item is still right after the five presets), the name
# typed is offered again.
choose 0 5
dlg=$(wait_title "^Manage exports$" 30) || fail "no Manage exports dialog after OK"
wait_until 30 activate "$dlg" || true
click_in "$dlg" $MANAGE_NAME
keys ctrl+a
xdotool type --delay 30 "Cancelled export"
click_in "$dlg" $MANAGE_ADD
click_in "$dlg" $MANAGE_CANCEL
wait_until 30 gone "$dlg" || fail "Cancel did not close Manage exports"
choose 0 5
dlg=$(wait_title "^Manage exports$" 30) || fail "Cancel changed the preset list"
shot "$out/export_8_manage_reopened.png"
click_in "$dlg" $MANAGE_CANCEL
wait_until 30 gone "$dlg" || fail "Cancel did not close Manage exports the second time"

exit_with_yes "$main"
cp settings.xml "$out/export_settings.xml"

python3 - "$files" "$out/export_settings.xml" "$out/export_5_window.png" <<'PY'
import re, subprocess, sys
files, settings_path, window_png = sys.argv[1:4]
settings = open(settings_path).read()

def fail(text):
    sys.exit("export walk-through: " + text)

def rows(name):
    data = open(f"{files}/{name}", "rb").read()
    if data and not data.endswith(b"\r\n"):
        fail(f"{name} does not end in CR LF")
    if b"\n" in data.replace(b"\r\n", b""):
        fail(f"{name} has a row not ended by CR LF")
    return data.decode().split("\r\n")[:-1]

memsize = int(re.search(r"<MEMSIZE[^>]*>(\d+)<", settings).group(1))
after = int(re.search(r"<AFTERTRIGGER[^>]*>(\d+)<", settings).group(1))

ab = rows("ab.txt")
if len(ab) != memsize:
    fail(f"ab.txt has {len(ab)} rows for {memsize} samples")
cells = [r.split("\t") for r in ab]
if any(len(c) != 3 for c in cells):
    fail("ab.txt rows are not time, A, B")
times = [float(c[0]) for c in cells]
step = times[1] - times[0]
if step <= 0:
    fail("the time does not grow")
expected_last = (after - 1) * step
if abs(times[-1] - expected_last) > 1e-6 * max(1, abs(expected_last)):
    fail(f"last time {times[-1]} is not (after-trigger samples - 1) x step = {expected_last}")
if "0" not in [c[0] for c in cells] or times[0] >= 0:
    fail("no time 0 at the trigger or no negative times before it")
for c in cells:
    for v in c[1:]:
        float(v)

c = rows("c.txt")
if len(c) != memsize or set(c) != {"-"}:
    fail("channel C is not '-' in every row")

points = [l.rstrip("\r") for l in open(f"{files}/points.txt").read().splitlines() if l.strip()]
if len(points) != 500 or not all(re.fullmatch(r"\d{1,3}\t\d{1,3}", p) for p in points):
    fail(f"points of the screen: {len(points)} rows, first {points[:2]}")
cursor = [l.rstrip("\r") for l in open(f"{files}/cursors.txt").read().splitlines() if l.strip()]
if len(cursor) != 1 or not re.fullmatch(r"-?\d+(\.\d+)?", cursor[0]):
    fail(f"cursors at one point: {cursor}")
walk = [l for l in open(f"{files}/walkthrough.txt").read().splitlines() if l.strip()]
if len(walk) != memsize:
    fail(f"the added preset exported {len(walk)} rows")

def identify(name):
    out = subprocess.run(["identify", "-format", "%m %w %h", f"{files}/{name}"], capture_output=True,
                         text=True, check=True).stdout.split()
    return out[0], int(out[1]), int(out[2])

kinds = {n: identify(n) for n in ("picture.png", "bw.png", "shot.jpg", "shot.bmp")}
for name, kind in (("picture.png", "PNG"), ("bw.png", "PNG"), ("shot.jpg", "JPEG"), ("shot.bmp", "BMP")):
    if not kinds[name][0].startswith(kind):
        fail(f"{name} is {kinds[name][0]}, not {kind}")
sizes = {k[1:] for k in kinds.values()}
if len(sizes) != 1:
    fail(f"the images differ in size: {kinds}")
w, h = sizes.pop()

# The screen in the window: the longest run of screen pixels in a row through the screen's middle and
# the run of its middle column. The window's own greys (frames, boxes, gaps) are light neutral greys,
# which the screen never draws in its default colours.
ppm = subprocess.run(["convert", window_png, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
parts = ppm.split(b"\n", 3)
W, H = map(int, parts[1].split())
pix = parts[3]
def screen_pixel(x, y):
    r, g, b = pix[3 * (y * W + x):3 * (y * W + x) + 3]
    return not (r == g == b and 200 <= r <= 245)
best = (0, 0, 0)
for y in range(H // 4, 3 * H // 4, 10):
    x = 0
    while x < W:
        if screen_pixel(x, y):
            s = x
            while x < W and screen_pixel(x, y):
                x += 1
            if x - s > best[0]:
                best = (x - s, s, y)
        x += 1
run, left, row = best
if run != w:
    fail(f"images are {w} wide, the screen {run}")
col = left + run // 2
top = bottom = row
while top > 0 and screen_pixel(col, top - 1):
    top -= 1
while bottom < H - 1 and screen_pixel(col, bottom + 1):
    bottom += 1
if bottom - top + 1 != h:
    fail(f"images are {h} high, the screen {bottom - top + 1}")
if "Walkthrough export" not in settings or "Cancelled export" not in settings:
    fail("settings.xml lacks the added preset or the fields typed last")
defined = re.search(r"<DEFINEDEXPORT .*?</DEFINEDEXPORT>", settings, re.S).group(0)
if "Walkthrough export" not in defined or "Cancelled export" in defined:
    fail("the preset list in settings.xml is not the one confirmed with OK")
default = re.search(r"<DEFAULTEXPORT>.*?</DEFAULTEXPORT>", settings, re.S).group(0)
if "Cancelled export" not in default:
    fail("the fields typed last are not kept")
print(f"files checked: {memsize} rows with time, C dashes, 500 points, one cursor row, images {w}x{h}")
PY
echo "walk-through done: text and image exports, preset dialog OK and Cancel, hints off and on"
