#!/usr/bin/env bash
# Saving and loading records in demonstration mode, with a settings file that enables auto-save: a save
# numbered upwards, saves in the text and compressed formats, a load by a name without extension that
# shows the lighter loaded traces, Unload, a name in capitals and a truncated file refused with their
# boxes, a record written here with another time base and memory size (red apply lamp, Apply, lamp lime,
# the record's trigger values back though a pulse length was typed), a load through the browse
# dialog by a typed path, auto-save to consecutive files, an auto-save into a missing folder stopping after
# one box, a save onto a symbolic link that writes its target, a 250-character name; the applied settings
# are in settings.xml at exit. Screenshots of every step are left in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

# The oscilloscope screen, in the main form's coordinates (the Save/load box's are in lib.sh).
SCREEN_AREA="560x370+125+100"
# The trigger panel's Simple button and secondary pulse-length box.
SIMPLE_BUTTON="549 546"
SECONDARY_LENGTH="733 541"

# The text of an edit of the main form, through the clipboard.
edit_text() { # x y
    click_in "$main" "$1" "$2"
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    clipboard_text
}

expect_edit() { # x y text what
    text=""
    edit_is() { text=$(edit_text "$1" "$2") && [ "$text" = "$3" ]; }
    wait_until 30 edit_is "$1" "$2" "$3" || fail "$4: the edit reads '$text', not '$3'"
}

# Pixels of the lighter copies of the channel colours (lime and yellow raised by 128) on the screen.
# Traces are drawn in exclusive-or: where A and B of the demonstration coincide the live pair shows red
# (FF0000), the loaded pair 7F0000, all four 800000.
light_pixels() { # png
    local ox oy size=${SCREEN_AREA%%+*} rest=${SCREEN_AREA#*+}
    read -r ox oy < <(origin)
    convert "$1" -crop "$size+$((ox + ${rest%%+*}))+$((oy + ${rest#*+}))" txt:- |
        grep -c -E '#(80FF80|FFFF80|7F0000|800000)' || true
}

# A screenshot taken now into the file shows more (gt) or fewer (lt) pixels of loaded traces than n;
# sets $light.
shot_light() { # png, gt|lt, n
    shot "$1"
    light=$(light_pixels "$1")
    [ "$light" -"$2" "$3" ]
}

start_x
# The program folder with a settings file that enables the Autosave box.
copy_program saveload
cat >"$prog/settings.xml" <<'XML'
<?xml version="1.0"?>
<SETTINGS version="1">
	<OPTIONS>
		<ENABLEAUTOSAVE type="bool">true</ENABLEAUTOSAVE>
	</OPTIONS>
</SETTINGS>
XML
run_copy saveload
main=$(enter_demonstration)
shot "$out/saveload_1_main.png"

# A save by a name without extension: the default format, the name numbered upwards.
type_into $SAVE_EDIT rec007
click_in "$main" $SAVE_BUTTON
wait_until 30 test -s rec007.rsb || fail "Save did not write rec007.rsb"
expect_edit $SAVE_EDIT rec008.rsb "after the save"
shot "$out/saveload_2_saved.png"
no_error_box "save"

# The text and compressed formats.
type_into $SAVE_EDIT rec.rsa
click_in "$main" $SAVE_BUTTON
type_into $SAVE_EDIT rec.rsc
click_in "$main" $SAVE_BUTTON
text_record() { head -c 12 rec.rsa 2>/dev/null | grep -q '^MemorySize ='; }
wait_until 30 text_record || fail "rec.rsa is not a text record"
wait_until 30 test -s rec.rsc || fail "Save did not write rec.rsc"
no_error_box "saves"

# Load by a name without extension: the compressed record (before the text one in the table).
before=$(light_pixels "$out/saveload_2_saved.png")
type_into $LOAD_EDIT rec
click_in "$main" $LOAD_BUTTON
expect_edit $LOAD_EDIT rec.rsc "after the load"
wait_until 30 shot_light "$out/saveload_3_loaded.png" gt $((before + 500)) ||
    fail "the loaded traces are not on the screen ($light pixels, $before before)"
echo "pixels of loaded traces: before $before, after $light"

click_in "$main" $UNLOAD_BUTTON
wait_until 30 shot_light "$out/saveload_4_unloaded.png" lt 100 || fail "Unload left the loaded traces ($light pixels)"
echo "pixels of loaded traces after Unload: $light"

# A name in capitals and a truncated file are refused with their boxes.
cp rec.rsc REC.RSB
type_into $LOAD_EDIT REC.RSB
click_in "$main" $LOAD_BUTTON
expect_error_box "$out/saveload_5_capitals_box.png" "REC.RSB"
head -c 1000 rec007.rsb >truncated.rsb
type_into $LOAD_EDIT truncated.rsb
click_in "$main" $LOAD_BUTTON
expect_error_box "$out/saveload_6_truncated_box.png" "truncated.rsb"

# Simple off and a secondary pulse length typed: Apply must bring back the record's own (Simple on,
# lengths 8 and 0) though its memory size differs from the one in use.
click_in "$main" $SIMPLE_BUTTON
type_into $SECONDARY_LENGTH 5ms
xdotool key Return
expect_edit $SECONDARY_LENGTH 5ms "the typed secondary length"

# A record written here: time-base row 7 (100 kS/s) and 4096 samples, half of them after the trigger as
# the after-trigger mode HSC gives; the other values as the program saved them.
python3 - <<'PY'
import math
lines = open("rec.rsa", newline="").read().split("\r\n")
keep = [l for l in lines if l and not l.startswith(("MemorySize", "TimeBase", "FirstValidSample",
                                                     "LastValidSample", "AcquiredData"))]
keep = [{"AfterTriggerSamples": "AfterTriggerSamples = 2048", "HoldOffSamples": "HoldOffSamples = 2048"}.get(
    l.split(" ")[0], l) for l in keep]
n = 4096
a = ",".join(str(int(128 + 90 * math.sin(2 * math.pi * i / 512))) for i in range(n))
b = ",".join(str(40 if (i // 256) % 2 else 210) for i in range(n))
record = ["MemorySize = 4096", "TimeBase = 100000"] + keep + [
    "FirstValidSample[2] = 0,0", "LastValidSample[2] = 4095,4095",
    "AcquiredData.0[%d] = %s" % (n, a), "AcquiredData.1[%d] = %s" % (n, b)]
open("slow.rsa", "w", newline="").write("\r\n".join(record) + "\r\n")
PY
type_into $LOAD_EDIT slow.rsa
click_in "$main" $LOAD_BUTTON
wait_until 30 shot_light "$out/saveload_7_slow_loaded.png" gt 500 ||
    fail "the loaded record written here is not on the screen ($light pixels)"
no_error_box "slow.rsa"
echo "pixels of the loaded sine and square: $light"
wait_until 30 shot_lamp "$out/saveload_7_slow_loaded.png" "#FF0000" ||
    fail "the apply lamp is $lamp, not red, for another time base"
echo "apply lamp before Apply: $lamp"
click_in "$main" $APPLY_BUTTON
# Yellow only until a record of the applied settings is on the screen (the ground positions are compared
# with the shown record's); then every setting matches.
wait_until 30 shot_lamp "$out/saveload_8_applied.png" "#00FF00" || fail "the apply lamp is $lamp after Apply"
echo "apply lamp after Apply: $lamp"
click_in "$main" $UNLOAD_BUTTON

# Through the browse dialog: a typed path and Enter.
click_in "$main" $LOAD_BROWSE
dlg=$(wait_title "^Open$" 30) || fail "no open dialog"
wait_until 30 activate "$dlg" || true
shot "$out/saveload_9_open_dialog.png"
xdotool type --delay 30 "$prog/rec.rsa"
xdotool key Return
wait_until 30 gone "$dlg" || fail "the open dialog did not take the typed path"
expect_edit $LOAD_EDIT "$prog/rec.rsa" "after browsing"
# The save dialog: the chosen filter entry (the first, binary) replaces the typed extension.
click_in "$main" $SAVE_BROWSE
dlg=$(wait_title "^Save As$" 30) || fail "no save dialog"
wait_until 30 activate "$dlg" || true
shot "$out/saveload_9b_save_dialog.png"
xdotool type --delay 30 "$prog/browsed.txt"
xdotool key Return
wait_until 30 gone "$dlg" || fail "the save dialog did not take the typed path"
expect_edit $SAVE_EDIT "$prog/browsed.rsb" "after browsing for a save name"

# Auto-save: consecutive files from one name.
type_into $SAVE_EDIT auto000
click_in "$main" $AUTOSAVE_BOX
wait_until 60 test -s auto002.rsb || fail "auto-save did not write auto002.rsb"
click_in "$main" $AUTOSAVE_BOX
shot "$out/saveload_10_autosaved.png"
for f in auto000.rsb auto001.rsb auto002.rsb; do
    test -s "$f" || fail "auto-save did not write $f"
done
echo "auto-saved files: $(ls auto*.rsb | wc -l)"
no_error_box "auto-save"

# Auto-save into a missing folder: one box, and auto-save is off afterwards.
type_into $SAVE_EDIT missing/rec.rsb
click_in "$main" $AUTOSAVE_BOX
expect_error_box "$out/saveload_11_missing_folder_box.png" "auto-save into a missing folder"
# These two holds are the checks themselves: no second box, and no save, over several records' time.
sleep 1.5
no_error_box "after the auto-save box"
type_into $SAVE_EDIT after000
sleep 1.5
shot "$out/saveload_12_autosave_off.png"
[ ! -e after000.rsb ] || fail "auto-save still runs after its failure"

# A save onto a symbolic link writes the file the link names; the link stays a link.
printf 'old record' >linked_target.rsb
ln -s linked_target.rsb link.rsb
type_into $SAVE_EDIT link.rsb
click_in "$main" $SAVE_BUTTON
target_written() { [ "$(stat -c %s linked_target.rsb)" -gt 1000 ]; }
wait_until 30 target_written || fail "the save onto link.rsb did not write its target"
no_error_box "the save onto a link"
test -L link.rsb || fail "the save onto link.rsb replaced the link"
[ "$(readlink link.rsb)" = linked_target.rsb ] || fail "link.rsb points elsewhere after the save"
# A name of 250 characters saves.
long=$(python3 -c 'print("r" * 246 + ".rsb")')
type_into $SAVE_EDIT "$long"
click_in "$main" $SAVE_BUTTON
wait_until 30 test -s "$long" || fail "the save under a 250-character name wrote nothing"
shot "$out/saveload_13_long_name.png"
no_error_box "the save under a 250-character name"
echo "saved through a link and under a 250-character name"

exit_with_yes "$main"
cp settings.xml "$out/saveload_settings.xml"
grep -q '<TIMEBASE type="int">7</TIMEBASE>' settings.xml || fail "settings.xml: the time base is not row 7"
grep -q '<MEMSIZE type="int">4096</MEMSIZE>' settings.xml || fail "settings.xml: the memory size is not 4096"
for expected in "DEVICE/TRIGGER/PRIMARY/LENGTH 8" "DEVICE/TRIGGER/SECONDARY/LENGTH 0" "VISUAL/TRIGGER/SIMPLE true"; do
    got=$(setting settings.xml "./${expected% *}")
    [ "$got" = "${expected#* }" ] || fail "settings.xml: ${expected% *} is $got, not the record's ${expected#* }"
done
echo "walk-through done: saves numbered, three formats, load and unload, refused files, applied record, browse, auto-save"
