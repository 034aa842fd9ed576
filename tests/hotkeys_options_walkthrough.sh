#!/usr/bin/env bash
# Hot keys and the Options dialog in demonstration mode: the hold, time-base and shift keys of the
# defaults; Options cancelled after changes; Options again with two switches, the screen colour through
# the colour dialog and two hot keys changed, confirmed with OK; the new hold key holds and the old one
# is gone; settings.xml keeps it all. Screenshots of every step are left in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

# Click positions in client coordinates of the dialogs (the six tabs wrap into two rows).
TAB_DISPLAY="159 13"
TAB_PRINTING="32 35"
TAB_KEYBOARD="99 35"
SCREEN_SWATCH="130 135"
CHECK_SEPARATE_HOLD="29 113"
CHECK_BLACK_WHITE="29 89"
BUTTON_HOTKEYS="61 165"
OPTIONS_OK="232 355"
OPTIONS_CANCEL="282 355"
HOTKEYS_HOLD_EDIT="150 45"
HOTKEYS_TAB_DISPLAY="235 15"
HOTKEYS_CLEAR_FIRST="298 45"
HOTKEYS_OK="279 219"


# Pixels of the oscilloscope screen that change within the given seconds.
SCREEN_AREA="571x381+121+41"
screen_change() {
    local a="$out/hotkeys_screen_a.png" b="$out/hotkeys_screen_b.png"
    shot "$a"
    sleep "$1"
    shot "$b"
    for f in "$a" "$b"; do convert "$f" -crop "$SCREEN_AREA" +repage "$f"; done
    compare -metric AE "$a" "$b" null: 2>&1 || true
}
# A key's effect is waited for: the trace stands still (held) or moves (running) over half a second.
screen_still() { [ "$(screen_change 0.5)" = 0 ]; }
screen_moving() { [ "$(screen_change 0.5)" != 0 ]; }
screen_colour() { # pixels of the new screen colour in a screenshot taken now
    shot "$out/hotkeys_7_new_screen_colour.png"
    screen_pixels=$(convert "$out/hotkeys_7_new_screen_colour.png" txt:- | grep -c '#123456' || true)
    [ "$screen_pixels" -gt 20000 ]
}

open_options() {
    note_windows
    press "$main" alt+s
    wait_until 30 new_window || fail "alt+s opened no menu"
    xdotool key o
    local dlg
    dlg=$(wait_title "^Options$" 30) || fail "no Options dialog"
    wait_until 30 activate "$dlg" || true
    echo "$dlg"
}

start_x
start_program hotkeys
main=$(enter_demonstration)
eval "$(xdotool getwindowgeometry --shell "$main")"
SCREEN_AREA="571x381+$((X + 121))+$((Y + 41))"
wait_until 60 shows_trace "$out/hotkeys_1_main.png" || fail "no live trace"

# The default keys: hold and release, one time-base step, channel A's shift held 1.2 s. Held, the trace
# stands still over 1.5 s (that span is the check); released, it moves again.
press "$main" ctrl+space
wait_until 30 screen_still || fail "Ctrl+Space did not hold the trace"
changed=$(screen_change 1.5)
echo "pixels changed while held: $changed"
[ "$changed" = 0 ] || fail "Ctrl+Space did not hold the trace"
xdotool key ctrl+space
wait_until 30 screen_moving || fail "the second Ctrl+Space did not release the trace"
echo "the trace moves again after the release"
xdotool key ctrl+Right
sleep 0.5
xdotool keydown ctrl keydown Prior
sleep 1.2
xdotool keyup Prior keyup ctrl
sleep 0.5
shot "$out/hotkeys_2_after_keys.png"

# Changes, then Cancel: nothing of them stays.
opt=$(open_options)
click_in "$opt" $TAB_PRINTING
click_in "$opt" $CHECK_BLACK_WHITE
click_in "$opt" $TAB_DISPLAY
click_in "$opt" $CHECK_SEPARATE_HOLD
shot "$out/hotkeys_3_options_changed.png"
click_in "$opt" $OPTIONS_CANCEL
wait_until 30 gone "$opt" || fail "Cancel did not close the Options dialog"

# Again, and OK this time.
opt=$(open_options)
click_in "$opt" $TAB_PRINTING
click_in "$opt" $CHECK_BLACK_WHITE
click_in "$opt" $TAB_DISPLAY
click_in "$opt" $CHECK_SEPARATE_HOLD
click_in "$opt" 20 13 # back to Colors
click_in "$opt" $SCREEN_SWATCH
colour=$(wait_title "Color" 30) || fail "no colour dialog"
wait_until 30 activate "$colour" || true
shot "$out/hotkeys_4_colour_dialog.png"
xdotool key alt+h
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 50 '#123456'
sleep 0.3
xdotool key Return
wait_until 30 gone "$colour" || fail "the colour dialog did not close"
shot "$out/hotkeys_5_options_colour_set.png"

# Shift+F5 for the hold; "Zoom in:" cleared.
click_in "$opt" $TAB_KEYBOARD
click_in "$opt" $BUTTON_HOTKEYS
hk=$(wait_title "^Configure hotkeys$" 30) || fail "no hot-keys form"
wait_until 30 activate "$hk" || true
click_in "$hk" $HOTKEYS_HOLD_EDIT
xdotool keydown shift keydown F5
sleep 0.2
xdotool keyup F5 keyup shift
sleep 0.3
click_in "$hk" $HOTKEYS_TAB_DISPLAY
click_in "$hk" $HOTKEYS_CLEAR_FIRST
shot "$out/hotkeys_6_hotkeys_form.png"
click_in "$hk" $HOTKEYS_OK
wait_until 30 gone "$hk" || fail "the hot-keys form did not close"
click_in "$opt" $OPTIONS_OK
wait_until 30 gone "$opt" || fail "OK did not close the Options dialog"
# The screen's background is the new colour now.
screen_pixels=0
wait_until 30 screen_colour || fail "the screen does not show the new colour ($screen_pixels pixels)"
echo "pixels in the new screen colour: $screen_pixels"

# The new hold key; the old one does nothing now.
press "$main" shift+F5
wait_until 30 screen_still || fail "Shift+F5 did not hold the trace"
xdotool key ctrl+space
shot "$out/hotkeys_8_after_new_keys.png"
changed=$(screen_change 1.5)
echo "pixels changed after Shift+F5 and Ctrl+Space: $changed"
[ "$changed" = 0 ] || fail "Shift+F5 did not hold the trace, or Ctrl+Space released it"

exit_with_yes "$main"
cp settings.xml "$out/hotkeys_settings.xml"
expect_value() { # element, value
    grep -qi "<$1[^>]*>$2</$1>" settings.xml || fail "settings.xml: $1 is not $2"
}
expect_value PRINTBLACKWHITE false
expect_value SEPARATEHOLD true
expect_value COLORSCREEN 00563412
expect_value HOTKEY_HOLD "42;63;"
expect_value HOTKEY_ZOOM_IN ";"
expect_value HOTKEY_TIMEBASE_UP "29;333;"
expect_value HOLD true
# Ctrl+Right stepped the time base once from the middle row; Ctrl+Page Up, held, moved A's shift up by
# 128 a step, at once and then repeated, and left B's alone.
expect_value TIMEBASE 12
shifts=$(python3 - <<'PY'
import xml.etree.ElementTree as ET
node = ET.parse("settings.xml").getroot().find("DEVICE/VERTICAL/SHIFT")
print(" ".join(i.text for i in sorted(node, key=lambda i: int(i.get("index")))))
PY
)
echo "shift after the keys: $shifts"
read -r shift_a shift_b <<<"$shifts"
[ "$shift_b" = 2047 ] || fail "the shift hot key of A moved B's shift ($shift_b)"
[ $(((shift_a - 2047) % 128)) = 0 ] && [ "$shift_a" -ge $((2047 + 3 * 128)) ] ||
    fail "A's shift is $shift_a: not moved in repeated steps of 128 while Ctrl+Page Up was held"
echo "walk-through done: hot keys (hold, time base, shift), Options cancelled, Options confirmed, new screen colour, settings kept"
