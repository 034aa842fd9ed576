#!/usr/bin/env bash
# A user of the demonstration instrument works the Screen and Channels boxes. Run 1 starts translucent
# (a stored transparency of 20 shows as the bar's 50), switches B off (its trace, swatch and readouts go),
# changes the cursor, tracking, crossing and grid buttons and both bars, clears the screen and exits;
# settings.xml keeps it all. Run 2 drops the host tests' function module on channel C (C shows its name
# and its trace) and clicks C off again. In the default display mode the cursor readouts show both envelope
# values whole, read through the accessibility bus. Screenshots are left in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
start_x
start_accessibility

# Click targets: middles of the controls in client coordinates. The client area starts below the menu
# bar (about 24 pixels). Screen box at (0, 43), Channels box at (0, 133), Functions box at (0, 199).
MENU=24
VER=(13 68)
TRC=(58 68)
XBTN=(81 68)
GRID=(104 68)
CLEAR=(21 111)
INTENSITY_LEFT=(30 89)      # the intensity bar's trough left of its handle: one page down
TRANSPARENCY_RIGHT=(100 111) # the transparency bar's trough right of its handle: one page up
CHANNEL_B=(89 159)
CHANNEL_C=(31 182)
FIRST_MODULE=(31 224)

click() {
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    xdotool mousemove --window "$main" "$1" $((MENU + $2)) click 1
    sleep 0.5
}

opacity() { xprop -id "$main" _NET_WM_WINDOW_OPACITY | sed -n 's/.*= *\([0-9]*\).*/\1/p'; }

# Pixels of a colour inside the oscilloscope screen of a screenshot (the window is centred on the
# 1280 x 1024 display: the screen lies roughly at 362..922, 296..660).
screen_pixels() {
    convert "$1" -crop 560x360+362+296 txt:- | grep -c "$2" || true
}
# Whether a screenshot, taken now into the file, has more (gt) or fewer (lt) pixels of the colour than n;
# sets $pixels.
shot_pixels() { # file, colour, gt|lt, n
    shot "$1"
    pixels=$(screen_pixels "$1" "$2")
    [ "$pixels" -"$3" "$4" ]
}
opacity_is() { [ "$(opacity)" = "$1" ]; }

value_of() { # a settings.xml path as ELEMENT/ELEMENT...; prints the element's text
    python3 - "$1" "$2" <<'PY'
import sys, xml.etree.ElementTree as ET
node = ET.parse(sys.argv[1]).getroot()
for part in sys.argv[2].split('/'):
    node = node.find(part)
    if node is None:
        print(""); sys.exit(0)
print(node.text or "")
PY
}
item_of() { # the text of item n of an array element
    python3 - "$1" "$2" "$3" <<'PY'
import sys, xml.etree.ElementTree as ET
node = ET.parse(sys.argv[1]).getroot()
for part in sys.argv[2].split('/'):
    node = node.find(part)
for item in node.findall('ITEM'):
    if item.get('index') == sys.argv[3]:
        print(item.text or "")
PY
}

# Run 1: translucent from the start.
start_program channels QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
cat >settings.xml <<'XML'
<?xml version="1.0"?>
<SETTINGS version="1"><VISUAL><SCREEN><TRANSPARENCY type="int">20</TRANSPARENCY></SCREEN></VISUAL></SETTINGS>
XML
main=$(enter_demonstration)
wait_until 30 opacity_is 842150450 || fail "opacity $(opacity), expected 50/255 of 0xFFFFFFFF"
wait_until 60 shows_trace "$out/channels_1_both_readouts.png" || fail "no trace with A and B on"
# A (green) and B (yellow) see the same demonstration signal: where they overlap the exclusive-or
# drawing shows red, so A's own green shows only once B is gone.
green_before=$(screen_pixels "$out/channels_1_both_readouts.png" '#00FF00')
echo "green pixels with B on: $green_before"

# The readout of the trace at the cursor, in the default display mode (minimum and maximum), as the
# program names its labels: both values in each channel's label, and the label wide enough for them in
# its font, clear of the other readouts.
accessible_texts >"$out/channels_1_accessible.txt"
python3 - "$out/channels_1_accessible.txt" <<'PY' >"$out/channels_1_envelopes.txt" || fail "no readouts on the accessibility bus"
import re, sys
labels = []
for line in open(sys.argv[1]):
    role, box, name = (line.rstrip("\n").split("\t") + ["", ""])[:3]
    if role == "label" and len(box.split()) == 4:
        labels.append((tuple(int(v) for v in box.split()), name))
pair = re.compile(r"^-?[0-9.,]+[umk]?V -?[0-9.,]+[umk]?V$")
found = [(b, n) for b, n in labels if pair.match(n)]
for (x, y, w, h), name in found:
    clear = all(not (x < bx + bw and bx < x + w and y < by + bh and by < y + h)
                for (bx, by, bw, bh), other in labels if (bx, by, bw, bh) != (x, y, w, h))
    print(f"{w}\t{'clear' if clear else 'overlapped'}\t{name}")
sys.exit(0 if found else 1)
PY
cat "$out/channels_1_envelopes.txt"
[ "$(wc -l <"$out/channels_1_envelopes.txt")" -eq 2 ] || fail "not two cursor readouts with both envelope values"
while IFS=$'\t' read -r width clear text; do
    need=$(readout_text_width "$text")
    [ "$need" -le "$width" ] || fail "\"$text\" takes $need pixels in a label of $width"
    [ "$clear" = clear ] || fail "the label of \"$text\" overlaps another readout"
done <"$out/channels_1_envelopes.txt"

click "${CHANNEL_B[@]}"
wait_until 30 shot_pixels "$out/channels_2_b_off.png" '#00FF00' gt $((green_before + 1000)) ||
    fail "B's trace is still drawn over A's ($pixels green pixels)"
echo "green pixels with B off: $pixels"

click "${VER[@]}"
click "${TRC[@]}"
click "${XBTN[@]}"
click "${GRID[@]}"
click "${INTENSITY_LEFT[@]}"
click "${TRANSPARENCY_RIGHT[@]}"
wait_until 30 eval '! opacity_is 842150450' || fail "the opacity did not follow the transparency bar"
moved=$(opacity)
echo "opacity after the bar: $moved"
click "${CLEAR[@]}"
shot "$out/channels_3_buttons.png"

exit_with_yes "$main"
cp settings.xml "$out/channels_readouts_settings.xml"
f="$out/channels_readouts_settings.xml"
[ "$(item_of "$f" VISUAL/SCREEN/CHANNELSON 1)" = false ] || fail "CHANNELSON item 1 is not false"
[ "$(item_of "$f" VISUAL/SCREEN/CHANNELSON 0)" = true ] || fail "CHANNELSON item 0 is not true"
[ "$(value_of "$f" VISUAL/SCREEN/CURSORS/VERON)" = false ] || fail "VERON is not false"
[ "$(value_of "$f" VISUAL/SCREEN/CURSORS/TRCON)" = true ] || fail "TRCON is not true"
[ "$(value_of "$f" VISUAL/SCREEN/CURSORS/XON)" = true ] || fail "XON is not true"
[ "$(value_of "$f" VISUAL/SCREEN/GRID/ON)" = false ] || fail "GRID/ON is not false"
intensity=$(value_of "$f" VISUAL/SCREEN/GRID/INTENSITY)
python3 -c "import sys; sys.exit(0 if abs(float('$intensity'.replace(',', '.')) - 0.7) > 1e-9 else 1)" ||
    fail "INTENSITY stayed 0.7"
transparency=$(value_of "$f" VISUAL/SCREEN/TRANSPARENCY)
echo "stored: intensity $intensity, transparency $transparency"
[ "$transparency" -gt 50 ] && [ "$transparency" -le 255 ] || fail "TRANSPARENCY $transparency is not the bar's"
expected=$((transparency * 16843009)) # transparency / 255 of 0xFFFFFFFF
diff=$((moved - expected))
[ "${diff#-}" -le 1 ] || fail "opacity $moved does not match the stored transparency $transparency"

# Run 2: the function-module double is the only module.
start_program channels_module
rm -f "$prog"/modules/*.so
cp "$(dirname "$bin")/tests/testmodules/testfunctionmodule.so" "$prog/modules/" ||
    fail "no function-module double (build the tests first)"
main=$(enter_demonstration)
wait_until 60 shows_trace "$out/channels_4_module_listed.png" || fail "no live main form"
# A click on the module's button starts its drag; a click on C drops it there.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" "${FIRST_MODULE[0]}" $((MENU + FIRST_MODULE[1])) click 1
sleep 0.5
xdotool mousemove --window "$main" "${CHANNEL_C[0]}" $((MENU + CHANNEL_C[1]))
sleep 0.3
xdotool mousemove --window "$main" $((CHANNEL_C[0] + 2)) $((MENU + CHANNEL_C[1]))
sleep 0.3
xdotool click 1
wait_until 30 grep -q "TestFunction" "$prog/modules/requests.log" 2>/dev/null || fail "the module was not switched on"
# C's trace colour.
wait_until 30 shot_pixels "$out/channels_5_module_on_c.png" '#0080FF' gt 500 ||
    fail "no trace of C after the drop ($pixels pixels)"
echo "C's trace pixels: $pixels"

click "${CHANNEL_C[@]}"
wait_until 30 shot_pixels "$out/channels_6_c_off.png" '#0080FF' lt 50 ||
    fail "C's trace is still drawn after the click on C ($pixels pixels)"
exit_with_yes "$main"
[ "$(item_of settings.xml VISUAL/SCREEN/CHANNELSON 2)" = false ] || fail "C is still on"
echo "walk-through done: translucent start, B off, Screen box buttons and bars, module on C and off"
