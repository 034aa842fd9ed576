#!/usr/bin/env bash
# Saving and loading records in demonstration mode, with a settings file that enables auto-save: a save
# numbered upwards, saves in the text and compressed formats, a load by a name without extension that
# shows the lighter loaded traces, Unload, a name in capitals and a truncated file refused with their
# boxes, a record written here with another time base and memory size (red apply lamp, Apply, lamp lime
# or yellow), a load through the browse dialog by a typed path, auto-save to consecutive files, an
# auto-save into a missing folder stopping after one box, a save onto a symbolic link that writes its
# target, a 250-character name; the applied settings are in settings.xml at exit. Screenshots of every step are left in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

# The oscilloscope screen, in the main form's coordinates (the Save/load box's are in lib.sh).
SCREEN_AREA="560x370+125+100"

# The text of an edit of the main form, through the clipboard.
edit_text() { # x y
    click_in "$main" "$1" "$2"
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    clipboard_text
}

expect_edit() { # x y text what
    local text
    text=$(edit_text "$1" "$2")
    [ "$text" = "$3" ] || fail "$4: the edit reads '$text', not '$3'"
}

# Screen position of a point of the main form.
origin() { xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'; }

# The colour of a point of the main form in a screenshot, as #RRGGBB.
pixel() { # png x y
    local ox oy
    read -r ox oy < <(origin)
    convert "$1" -crop "1x1+$((ox + $2))+$((oy + $3))" txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1
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
sleep 1
shot "$out/saveload_1_main.png"

# A save by a name without extension: the default format, the name numbered upwards.
type_into $SAVE_EDIT rec007
click_in "$main" $SAVE_BUTTON
test -s rec007.rsb || fail "Save did not write rec007.rsb"
expect_edit $SAVE_EDIT rec008.rsb "after the save"
shot "$out/saveload_2_saved.png"
no_error_box "save"

# The text and compressed formats.
type_into $SAVE_EDIT rec.rsa
click_in "$main" $SAVE_BUTTON
type_into $SAVE_EDIT rec.rsc
click_in "$main" $SAVE_BUTTON
head -c 12 rec.rsa | grep -q '^MemorySize =' || fail "rec.rsa is not a text record"
test -s rec.rsc || fail "Save did not write rec.rsc"
no_error_box "saves"

# Load by a name without extension: the compressed record (before the text one in the table).
before=$(light_pixels "$out/saveload_2_saved.png")
type_into $LOAD_EDIT rec
click_in "$main" $LOAD_BUTTON
sleep 1
expect_edit $LOAD_EDIT rec.rsc "after the load"
shot "$out/saveload_3_loaded.png"
after=$(light_pixels "$out/saveload_3_loaded.png")
echo "pixels of loaded traces: before $before, after $after"
[ "$after" -gt $((before + 500)) ] || fail "the loaded traces are not on the screen"

click_in "$main" $UNLOAD_BUTTON
sleep 1
shot "$out/saveload_4_unloaded.png"
gone=$(light_pixels "$out/saveload_4_unloaded.png")
echo "pixels of loaded traces after Unload: $gone"
[ "$gone" -lt 100 ] || fail "Unload left the loaded traces"

# A name in capitals and a truncated file are refused with their boxes.
cp rec.rsc REC.RSB
type_into $LOAD_EDIT REC.RSB
click_in "$main" $LOAD_BUTTON
expect_error_box "$out/saveload_5_capitals_box.png" "REC.RSB"
head -c 1000 rec007.rsb >truncated.rsb
type_into $LOAD_EDIT truncated.rsb
click_in "$main" $LOAD_BUTTON
expect_error_box "$out/saveload_6_truncated_box.png" "truncated.rsb"

# A record written here: time-base row 7 (100 kS/s) and 4096 samples; the other values as the program
# saved them.
python3 - <<'PY'
import math
lines = open("rec.rsa", newline="").read().split("\r\n")
keep = [l for l in lines if l and not l.startswith(("MemorySize", "TimeBase", "FirstValidSample",
                                                     "LastValidSample", "AcquiredData"))]
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
sleep 1
no_error_box "slow.rsa"
shot "$out/saveload_7_slow_loaded.png"
slow=$(light_pixels "$out/saveload_7_slow_loaded.png")
echo "pixels of the loaded sine and square: $slow"
[ "$slow" -gt 500 ] || fail "the loaded record written here is not on the screen"
lamp=$(pixel "$out/saveload_7_slow_loaded.png" $APPLY_LAMP)
echo "apply lamp before Apply: $lamp"
[ "$lamp" = "#FF0000" ] || fail "the apply lamp is $lamp, not red, for another time base"
click_in "$main" $APPLY_BUTTON
sleep 2
shot "$out/saveload_8_applied.png"
lamp=$(pixel "$out/saveload_8_applied.png" $APPLY_LAMP)
echo "apply lamp after Apply: $lamp"
[ "$lamp" = "#00FF00" ] || [ "$lamp" = "#FFFF00" ] || fail "the apply lamp is $lamp after Apply"
click_in "$main" $UNLOAD_BUTTON

# Through the browse dialog: a typed path and Enter.
click_in "$main" $LOAD_BROWSE
wait_title "^Open$" 10 >/dev/null || fail "no open dialog"
sleep 1
shot "$out/saveload_9_open_dialog.png"
xdotool type --delay 30 "$prog/rec.rsa"
xdotool key Return
sleep 1
visible "^Open$" && fail "the open dialog did not take the typed path"
expect_edit $LOAD_EDIT "$prog/rec.rsa" "after browsing"
# The save dialog: the chosen filter entry (the first, binary) replaces the typed extension.
click_in "$main" $SAVE_BROWSE
wait_title "^Save As$" 10 >/dev/null || fail "no save dialog"
sleep 1
shot "$out/saveload_9b_save_dialog.png"
xdotool type --delay 30 "$prog/browsed.txt"
xdotool key Return
sleep 1
visible "^Save As$" && fail "the save dialog did not take the typed path"
expect_edit $SAVE_EDIT "$prog/browsed.rsb" "after browsing for a save name"

# Auto-save: consecutive files from one name.
type_into $SAVE_EDIT auto000
click_in "$main" $AUTOSAVE_BOX
sleep 1.5
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
no_error_box "the save onto a link"
test -L link.rsb || fail "the save onto link.rsb replaced the link"
[ "$(readlink link.rsb)" = linked_target.rsb ] || fail "link.rsb points elsewhere after the save"
[ "$(stat -c %s linked_target.rsb)" -gt 1000 ] || fail "the save onto link.rsb did not write its target"
# A name of 250 characters saves.
long=$(python3 -c 'print("r" * 246 + ".rsb")')
click_in "$main" $SAVE_EDIT
xdotool key ctrl+a BackSpace
xdotool type --delay 10 "$long"
sleep 0.3
click_in "$main" $SAVE_BUTTON
shot "$out/saveload_13_long_name.png"
no_error_box "the save under a 250-character name"
test -s "$long" || fail "the save under a 250-character name wrote nothing"
echo "saved through a link and under a 250-character name"

exit_with_yes "$main"
cp settings.xml "$out/saveload_settings.xml"
grep -q '<TIMEBASE type="int">7</TIMEBASE>' settings.xml || fail "settings.xml: the time base is not row 7"
grep -q '<MEMSIZE type="int">4096</MEMSIZE>' settings.xml || fail "settings.xml: the memory size is not 4096"
echo "walk-through done: saves numbered, three formats, load and unload, refused files, applied record, browse, auto-save"
