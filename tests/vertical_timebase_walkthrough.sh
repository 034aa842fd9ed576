#!/usr/bin/env bash
# The Vertical, Input, Position and Horizontal boxes in demonstration mode: range, coupling, probe, filter,
# ground and shift of the two channels, the time base up to an equivalent-time row with its fill bars, and
# the WCD sensitivity; settings.xml keeps every choice. A second run starts from a settings file with odd
# values and leaves them within the instrument's limits. Screenshots of every step are left in the output
# folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

# Click positions in main-window coordinates: the 800 x 600 window with its 19-pixel menu bar; the Input
# and Position boxes hang from the top of the right column, the Vertical box and the bottom row from the
# bottom of the window.
ACDC_A="722 90"
GROUND_A="722 115"
PROBE_A="722 140"
RANGE_UP_A="735 405"
RANGE_DOWN_B="760 405"
FILTER_B="760 429"
FILTER_UP_B="785 453"
SHIFT_B_POINTER="776 265" # B's pointer at the middle of its bar
SHIFT_B_ABOVE_TOP="776 150"
TIMEBASE_RIGHT_ARROW="509 497"
HORIZONTAL_BOX="411 473 110 126" # x y w h, for the fill bars' pixels
SCREEN="122 61 571 381"            # x y w h of the oscilloscope screen

click_at() { # x, y, times
    for _ in $(seq 1 "${3:-1}"); do
        xdotool mousemove --window "$main" "$1" "$2" click 1
        sleep 0.3
    done
}

# Pixels of a colour within a part of a screenshot in window coordinates.
count_in() { # png, x y w h, colour
    local ox oy
    read -r ox oy < <(xwininfo -id "$main" | awk '/Absolute upper-left X/{x=$NF}/Absolute upper-left Y/{y=$NF}END{print x, y}')
    convert "$1" -crop "$4x$5+$((ox + $2))+$((oy + $3))" +repage txt:- | grep -c "$6" || true
}

# Pixels of a colour within a part of a screenshot, counted per row: "count row" lines, fullest row first.
rows_in() { # png, x y w h, colour
    local ox oy
    read -r ox oy < <(xwininfo -id "$main" | awk '/Absolute upper-left X/{x=$NF}/Absolute upper-left Y/{y=$NF}END{print x, y}')
    convert "$1" -crop "$4x$5+$((ox + $2))+$((oy + $3))" +repage txt:- | grep -i "$6" |
        awk -F'[,:]' '{print $2}' | sort -n | uniq -c | sort -rn || true
}

# The values of an element of settings.xml (array items in index order), space-separated.
xml_values() { # path below the root, e.g. DEVICE/VERTICAL/RANGE
    python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse("settings.xml").getroot()
node = root.find(sys.argv[1])
if node is None:
    print("missing")
elif len(node):
    items = sorted(node, key=lambda i: int(i.get("index", "0")))
    print(" ".join((i.text or "").strip() for i in items))
else:
    print((node.text or "").strip())
PY
}

expect_values() { # path, expected
    local got
    got=$(xml_values "$1")
    [ "$got" = "$2" ] || fail "settings.xml: $1 is '$got', not '$2'"
    echo "$1 = $got"
}

start_x
start_program vertical
main=$(enter_demonstration)
wait_until 60 shows_trace "$out/vertical_1_groups.png" || fail "no live trace"

# Range: A up twice (its trace shrinks), B down five times.
click_at $RANGE_UP_A 2
click_at $RANGE_DOWN_B 5
wait_until 30 screen_changed "$out/vertical_1_groups.png" "$out/vertical_2_ranges.png" ||
    fail "the range buttons changed nothing"

# Coupling and probe of A, the filter of B and its factor.
click_at $ACDC_A
click_at $PROBE_A 5
click_at $FILTER_B
click_at $FILTER_UP_B 3
shot "$out/vertical_3_input_filter.png"

# Ground A: its trace lies flat on the 0 V line.
click_at $GROUND_A
# A's colour (where it does not cross B's trace) lies along one row of the screen, with A's 0 V mark.
a_flat() {
    shot "$out/vertical_4_ground_a.png"
    read -r a_total a_near < <(rows_in "$out/vertical_4_ground_a.png" $SCREEN '#00FF00' |
        awk 'NR == 1 {row = $2} {t += $1; if ($2 - row <= 5 && row - $2 <= 5) n += $1} END {print t + 0, n + 0}')
    [ "$a_total" -gt 200 ] && [ $((a_near * 100)) -ge $((a_total * 98)) ]
}
wait_until 30 a_flat || fail "the grounded A trace is not flat"
echo "pixels of A's trace: $a_total, near its fullest row: $a_near"

# B's shift to the top of its bar.
read -r x y <<<"$SHIFT_B_POINTER"
read -r tx ty <<<"$SHIFT_B_ABOVE_TOP"
xdotool mousemove --window "$main" "$x" "$y" mousedown 1
sleep 0.2
for step in 1 2 3 4; do
    xdotool mousemove --window "$main" "$x" $((y - (y - ty) * step / 4))
    sleep 0.1
done
xdotool mouseup 1
shot "$out/vertical_5_shift_b.png"

# The time base: three steps to row 14, two more to the first equivalent-time row (16).
click_at $TIMEBASE_RIGHT_ARROW 3
shot "$out/vertical_6_timebase_14.png"
click_at $TIMEBASE_RIGHT_ARROW 2
fill_bars() {
    shot "$out/vertical_7_timebase_16.png"
    green=$(count_in "$out/vertical_7_timebase_16.png" $HORIZONTAL_BOX '#00FF00')
    [ "$green" -gt 400 ]
}
wait_until 60 fill_bars || fail "the fill bars of the equivalent-time row are not both green ($green pixels)"
echo "green pixels of the fill bars: $green"

# Settings > WCD Sensitivity > High.
note_windows
press "$main" alt+s
wait_until 30 new_window || fail "alt+s opened no menu"
xdotool key Down Down Down
note_windows
xdotool key Right
wait_until 30 new_window || fail "no WCD submenu"
xdotool key Down
shot "$out/vertical_8_wcd_menu.png"
xdotool key Return
# The menus close once the choice is taken.
xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$main" >"$out/windows_before" || true
menus_gone() { ! xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -qxF -f "$out/windows_before"; }
wait_until 30 menus_gone || fail "the WCD menu did not close"

exit_with_yes "$main"
cp settings.xml "$out/vertical_settings.xml"
expect_values DEVICE/VERTICAL/RANGE "6 0"
expect_values DEVICE/VERTICAL/DC "false true"
expect_values DEVICE/VERTICAL/PROBEMODE "1 0"
expect_values DEVICE/VERTICAL/FILTERON "false true"
expect_values DEVICE/VERTICAL/FILTERFACTOR "4 32"
expect_values DEVICE/VERTICAL/GROUND "true false"
shift_b=$(xml_values DEVICE/VERTICAL/SHIFT | cut -d' ' -f2)
[ "$shift_b" = 4095 ] || fail "settings.xml: B's shift is $shift_b, not 4095"
expect_values DEVICE/HORIZONTAL/TIMEBASE 16
expect_values DEVICE/HORIZONTAL/WCD 12

# Second run from a settings file with values beyond the instrument's limits.
python3 - "$out/vertical_settings.xml" "$out/vertical_odd_settings.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
tree = ET.parse(sys.argv[1])
root = tree.getroot()
odd = {"DEVICE/HORIZONTAL/WCD": ["10"], "DEVICE/HORIZONTAL/TIMEBASE": ["40"],
       "DEVICE/VERTICAL/RANGE": ["-3", "99"], "DEVICE/VERTICAL/FILTERFACTOR": ["100", "0"],
       "DEVICE/VERTICAL/PROBEMODE": ["7", "3"]}
for path, values in odd.items():
    node = root.find(path)
    if len(node):
        for item in node:
            item.text = values[int(item.get("index"))]
    else:
        node.text = values[0]
tree.write(sys.argv[2], encoding="utf-8", xml_declaration=True)
PY
start_with_settings vertical_odd "$out/vertical_odd_settings.xml"
main=$(enter_demonstration)
wait_until 60 shows_trace "$out/vertical_9_odd_settings.png" || fail "no live trace with the odd settings"
exit_with_yes "$main"
cp settings.xml "$out/vertical_odd_settings_after.xml"
expect_values DEVICE/HORIZONTAL/WCD 12
expect_values DEVICE/HORIZONTAL/TIMEBASE 22
expect_values DEVICE/VERTICAL/RANGE "0 8"
expect_values DEVICE/VERTICAL/FILTERFACTOR "64 2"
expect_values DEVICE/VERTICAL/PROBEMODE "0 3"
echo "walk-through done: range, input, filter, ground, shift, time base, WCD; odd settings kept within limits"
