#!/usr/bin/env bash
# Starts the program on settings files that no run of it writes: truncated, garbage, another root, deep
# nesting, huge numbers, extreme floats, 2 MB strings, 500,000 siblings, both channels on with A on AC
# coupling, hot keys past 32 bits or of 513 keys, a duplicate attribute and two roots; and records whose
# ground position is past any level, and one too long. Each start must reach the main form, run, end with
# exit code 0 after the exit question, and leave a settings file that reads back as settings and stays within
# a small multiple of the one it read.
set -euo pipefail
bin=$1
out=${2:-/tmp/e2e}
mkdir -p "$out"
. "$(dirname "$0")/lib.sh"
start_x
files=$out/hostile_settings
rm -rf "$files" && mkdir -p "$files"

python3 - "$files" <<'PY'
import random, sys
folder = sys.argv[1]
def write(name, data):
    with open(f"{folder}/{name}.xml", "wb") as f:
        f.write(data.encode("utf-8") if isinstance(data, str) else data)
def nested(name, depth, inner):
    return f"<{name}>" * depth + inner + f"</{name}>" * depth
screen = '<VISUAL><SCREEN><TRANSPARENCY type="int">200</TRANSPARENCY></SCREEN></VISUAL>'
valid = f'<SETTINGS version="1">{screen}<DEVICE><HORIZONTAL><MEMSIZE type="int">8192</MEMSIZE></HORIZONTAL></DEVICE></SETTINGS>'
write("truncated", valid[: len(valid) // 2])
random.seed(23)
write("garbage", bytes(random.randrange(256) for _ in range(200000)))
write("another_root", f"<CONFIG>{screen}</CONFIG>")
write("deep_nesting", '<SETTINGS><OPTIONS><HOTKEY_HOLD type="string">' + nested("K", 100000, "29;57;")
      + "</HOTKEY_HOLD></OPTIONS>" + "<UNREAD>" + nested("N", 30000, "x") + "</UNREAD></SETTINGS>")
big = "2147483647"
write("huge_numbers", "<SETTINGS><VISUAL><SCREEN>"
      + "".join(f'<{k} type="int">{big}</{k}>' for k in ["TRANSPARENCY", "DISPLAYMODE", "DISPLAYSTART", "ZOOMSTART"])
      + "".join(f'<{k} type="float">1e308</{k}>' for k in ["DISPLAYRATIO", "ZOOMRATIO"])
      + '<GRID><INTENSITY type="float">-1e308</INTENSITY></GRID>'
      + "<CURSORS>" + "".join(f'<{k} type="int">-2147483648</{k}>' for k in ["VERPOS0", "VERPOS1", "HORPOS0", "HORPOS1"])
      + "</CURSORS></SCREEN><QUICKVIEW>" + f'<RATIO type="int">{big}</RATIO><START type="int">-2147483648</START>'
      + "</QUICKVIEW></VISUAL><DEVICE><HORIZONTAL>"
      + "".join(f'<{k} type="int">{big}</{k}>' for k in ["MEMSIZE", "TIMEBASE", "WCD"])
      + '</HORIZONTAL><TRIGGER><AFTERTRIGGER type="int">-2147483648</AFTERTRIGGER>'
      + f'<HOLDOFF type="int">{big}</HOLDOFF><MODE type="int">{big}</MODE>'
      + f'<PRIMARY><COUNT type="int">{big}</COUNT><LENGTH type="int">-2147483648</LENGTH></PRIMARY>'
      + '<LEVEL type="intarray" length="3"><ITEM index="0">99999999999999999999</ITEM></LEVEL></TRIGGER>'
      + '<VERTICAL><RANGE type="intarray" length="2"><ITEM index="0">2147483647</ITEM><ITEM index="1">-2147483648</ITEM></RANGE>'
      + '<FILTERFACTOR type="intarray" length="2"><ITEM index="0">2147483647</ITEM><ITEM index="1">-2147483648</ITEM></FILTERFACTOR>'
      + '<PROBEMODE type="intarray" length="2"><ITEM index="0">2147483647</ITEM><ITEM index="1">-2147483648</ITEM></PROBEMODE>'
      + "</VERTICAL></DEVICE></SETTINGS>")
write("extreme_floats", "<SETTINGS><VISUAL><SCREEN>"
      + '<DISPLAYRATIO type="float">1e-320</DISPLAYRATIO><ZOOMRATIO type="float">-1e999</ZOOMRATIO>'
      + '<GRID><INTENSITY type="float">1e999</INTENSITY></GRID></SCREEN></VISUAL></SETTINGS>')
write("strings_of_2_mb", '<SETTINGS><OPTIONS><HOTKEY_HOLD type="string">' + "29;" * 700000
      + '</HOTKEY_HOLD></OPTIONS><APPCONTAINER><PARMOD><S type="string">' + "x" * (2 << 20)
      + "</S></PARMOD></APPCONTAINER>" + screen + "</SETTINGS>")
write("siblings_500000", "<SETTINGS>" + "<S/>" * 500000 + screen + "</SETTINGS>")
write("both_channels_a_on_ac", "<SETTINGS><VISUAL><SCREEN>"
      + '<CHANNELSON type="boolarray" length="8"><ITEM index="0">true</ITEM><ITEM index="1">true</ITEM></CHANNELSON>'
      + '</SCREEN></VISUAL><DEVICE><VERTICAL><DC type="boolarray" length="2"><ITEM index="0">false</ITEM>'
      + '<ITEM index="1">true</ITEM></DC></VERTICAL></DEVICE></SETTINGS>')
PY

# ---- Values past the integer range and malformed XML ----
# Hot keys whose codes sum past 32 bits or that hold more keys than there are key codes go back to their
# defaults; a duplicate attribute or a second root is a failed load, so the defaults are used. Beside
# parsing strictly, what the exit save writes must pass the check of its name: a Python expression over
# the saved root r.
python3 - "$files" <<'PY'
import sys
folder = sys.argv[1]
def write(name, text):
    with open(f"{folder}/{name}.xml", "w") as f:
        f.write(text)
write("hot_key_past_32_bits", '<SETTINGS><OPTIONS><HOTKEY_HOLD type="string">2147483647;1;</HOTKEY_HOLD>'
      '<HOTKEY_ZOOM_IN type="string">-2147483648;-1;</HOTKEY_ZOOM_IN></OPTIONS></SETTINGS>')
write("hot_key_of_513_keys", '<SETTINGS><OPTIONS><HOTKEY_HOLD type="string">' + "29;" * 513
      + "</HOTKEY_HOLD></OPTIONS></SETTINGS>")
write("duplicate_attribute", '<SETTINGS><DEVICE><HORIZONTAL><MEMSIZE type="bool" type="int">4096</MEMSIZE>'
      "</HORIZONTAL></DEVICE></SETTINGS>")
write("two_roots", '<SETTINGS><VISUAL><SCREEN><TRANSPARENCY type="int">200</TRANSPARENCY></SCREEN></VISUAL>'
      "</SETTINGS><SETTINGS/>")
PY
declare -A saved_check=(
    [hot_key_past_32_bits]='r.find("OPTIONS/HOTKEY_HOLD").text == "29;57;" and r.find("OPTIONS/HOTKEY_ZOOM_IN").text == "29;78;"'
    [hot_key_of_513_keys]='r.find("OPTIONS/HOTKEY_HOLD").text == "29;57;"'
    [duplicate_attribute]='r.find("DEVICE/HORIZONTAL/MEMSIZE").text == "8192"'
    [two_roots]='r.find("VISUAL/SCREEN/TRANSPARENCY").text == "255"'
)

# Records of a ground position past any level, in the three formats, loaded and applied one after the
# other: the 0 V lines go to the end of the shift range (4095 on the demonstration instrument), where
# they used to convert out of range (0 in a release build, an abort under the sanitizers). Then a
# compressed record one sample longer than the longest record is refused with the load's box.
records=$out/hostile_records_program
rm -rf "$records"
cp -r "$bin" "$records"
rm -f "$records/settings.xml"
python3 - "$records" <<'PY'
import math, struct, sys, zlib
folder = sys.argv[1]
n = 1024
samples = [bytes(int(128 + 90 * math.sin(2 * math.pi * i / 256)) for i in range(n))] * 2
# Name, row (the chunk id), kind, value; in the order the program writes them.
def record(ground, data):
    return [("MemorySize", 0, "int", n), ("TimeBase", 1, "real", 1e8), ("WCDSensitivity", 27, "int", 0),
            ("Range", 2, "reals", [0.5, 0.5]), ("Shift", 3, "ints", [2048, 2048]), ("Filter", 4, "bools", [0, 0]),
            ("FilterFactor", 5, "ints", [4, 4]), ("TriggerSrcOnPrimary", 6, "bools", [1, 0, 0]),
            ("TriggerSrcOnSecondary", 22, "bools", [0, 0, 0]), ("TriggerSrcLeadingPrimary", 7, "bools", [1, 1, 1]),
            ("TriggerSrcLeadingSecondary", 23, "bools", [1, 1, 1]), ("TriggerLevel", 8, "ints", [127, 127, 127]),
            ("TriggerCount", 9, "pair", (1, 1)), ("TriggerLength", 10, "pair", (0, 0)), ("TriggerMode", 11, "int", 0),
            ("ATMode", 24, "int", 0), ("HFMode", 25, "int", 0), ("SimpleTrigger", 26, "bool", 1),
            ("AfterTriggerSamples", 12, "int", 512), ("HoldOffSamples", 13, "int", 0), ("ProbeMode", 14, "ints", [0, 0]),
            ("Ground", 15, "bools", [0, 0]), ("DC", 16, "bools", [1, 1]), ("GroundPos", 17, "reals", [ground, ground]),
            ("FirstValidSample", 20, "ints", [0, 0]), ("LastValidSample", 21, "ints", [len(d) - 1 for d in data]),
            ("AcquiredData", 18, "samples", data)]
def binary(values, compressed):
    out = b""
    for name, row, kind, v in values:
        if kind in ("int", "bool"):
            payload = struct.pack("<i", v)
        elif kind == "real":
            payload = struct.pack("<d", v)
        elif kind == "pair":
            payload = struct.pack("<ii", *v)
        elif kind == "ints":
            payload = struct.pack("<ii", len(v), len(v)) + struct.pack(f"<{len(v)}i", *v)
        elif kind == "bools":
            payload = struct.pack("<ii", len(v), len(v)) + bytes(v)
        elif kind == "reals":
            payload = struct.pack("<ii", len(v), len(v)) + struct.pack(f"<{len(v)}d", *v)
        else:
            payload = struct.pack("<ii", len(v), len(v))
            for d in v:
                payload += struct.pack("<ii", len(d), len(d)) + (zlib.compress(d, 9) if compressed else d)
        out += struct.pack("<ii", 8 + len(payload), row) + payload
    return out
def real(x):
    return repr(x).upper().replace("E+", "E")
def text(values):
    lines = []
    for name, row, kind, v in values:
        if kind in ("int", "bool"):
            lines.append(f"{name} = {v}")
        elif kind == "real":
            lines.append(f"{name} = {real(v)}")
        elif kind == "pair":
            lines.append(f"{name}[2] = {v[0]},{v[1]}")
        elif kind == "reals":
            lines.append(f"{name}[{len(v)}] = " + ",".join(real(x) for x in v))
        elif kind in ("ints", "bools"):
            lines.append(f"{name}[{len(v)}] = " + ",".join(str(x) for x in v))
        else:
            lines += [f"{name}.{i}[{len(d)}] = " + ",".join(str(b) for b in d) for i, d in enumerate(v)]
    return ("\r\n".join(lines) + "\r\n").encode()
open(f"{folder}/ground_1e308.rsb", "wb").write(binary(record(1e308, samples), False))
open(f"{folder}/ground_6.5e150.rsc", "wb").write(binary(record(6.5e150, samples), True))
open(f"{folder}/ground_1e308.rsa", "wb").write(text(record(1e308, samples)))
open(f"{folder}/one_sample_too_long.rsc", "wb").write(binary(record(128.0, [bytes(1048577)] * 2), True))
PY
(
    prog=$records
    run_copy hostile_records
    main=$(enter_demonstration) || fail "records: no main form"
    # The apply lamp tells a loaded record (lit) and an applied one (lime or yellow); Unload puts it out.
    lamp_out() { ! shot_lamp "$1" "#FF0000" "#00FF00" "#FFFF00"; }
    for record in ground_1e308.rsb ground_6.5e150.rsc ground_1e308.rsa; do
        type_into $LOAD_EDIT $record
        click_in "$main" $LOAD_BUTTON
        wait_until 30 shot_lamp "$out/hostile_records_loaded.png" "#FF0000" "#00FF00" "#FFFF00" ||
            fail "$record: not loaded (lamp $lamp)"
        no_error_box "$record"
        click_in "$main" $APPLY_BUTTON
        wait_until 30 shot_lamp "$out/hostile_records_applied.png" "#00FF00" "#FFFF00" ||
            fail "$record: not applied (lamp $lamp)"
        kill -0 "$pid" 2>/dev/null || fail "$record: the program ended after Apply"
        click_in "$main" $UNLOAD_BUTTON
        wait_until 30 lamp_out "$out/hostile_records_unloaded.png" || fail "$record: Unload left the lamp $lamp"
        echo "$record: loaded and applied"
    done
    shot "$out/hostile_records_applied.png"
    cp one_sample_too_long.rsc too_long.before
    type_into $LOAD_EDIT one_sample_too_long.rsc
    click_in "$main" $LOAD_BUTTON
    expect_error_box "$out/hostile_records_too_long_box.png" "one_sample_too_long.rsc"
    cmp -s one_sample_too_long.rsc too_long.before || fail "the refused record file changed"
    exit_with_yes "$main"
    python3 -c 'import sys, xml.etree.ElementTree as E
r = E.parse("settings.xml").getroot()
shift = [i.text for i in r.find("DEVICE/VERTICAL/SHIFT")]
print("shifts saved:", shift)
sys.exit(shift != ["4095", "4095"])' || fail "the shifts after the applied records are not at the end of the range"
    echo "records: ground moves held to the shift range, the over-long record refused with its box"
)
rm -rf "$records"
# ---- end of values past the integer range and malformed XML ----

for file in "$files"/*.xml; do
    name=$(basename "$file" .xml)
    echo "--- $name ($(stat -c %s "$file") bytes)"
    # As start_program, with the hostile file as the settings file.
    prog="$out/hostile_${name}_program"
    rm -rf "$prog"
    cp -r "$bin" "$prog"
    cp "$file" "$prog/settings.xml"
    exe="scope_hostile_$$"
    mv "$prog/scope" "$prog/$exe"
    cd "$prog"
    "./$exe" >"$out/hostile_$name.log" 2>&1 &
    pid=$!
    main=$(enter_demonstration) || fail "$name: no main form"
    sleep 2
    kill -0 "$pid" 2>/dev/null || fail "$name: the program ended by itself"
    shot "$out/hostile_$name.png"
    exit_with_yes "$main"
    saved=$(stat -c %s settings.xml)
    limit=$((3 * $(stat -c %s "$file") + 65536))
    [ "$saved" -le "$limit" ] || fail "$name: saved file of $saved bytes, more than $limit"
    python3 -c 'import sys, xml.etree.ElementTree as E; sys.exit(E.parse("settings.xml").getroot().tag != "SETTINGS")' \
        || fail "$name: the saved file does not read back as settings"
    if [ -n "${saved_check[$name]:-}" ]; then
        python3 -c 'import sys, xml.etree.ElementTree as E
r = E.parse("settings.xml").getroot()
sys.exit(not eval(sys.argv[1]))' "${saved_check[$name]}" || fail "$name: the saved file fails ${saved_check[$name]}"
    fi
    echo "$name: main form reached, exit code 0, saved $saved bytes"
    cd "$out"
    rm -rf "$prog"
done

# ---- Special files and planted temporaries ----
# A record load from a FIFO and a settings import of a link to /dev/zero are refused at once with their
# error boxes: neither waits for a writer nor reads without end. A save into the program folder removes
# the temporary that a killed writer left for another name, and keeps a running writer's temporary and a
# foreign dot-file.
echo "--- special files and planted temporaries"
copy_program hostile_files
mkfifo "$prog/pipe.rsb"
ln -s /dev/zero "$prog/zero.st"
sh -c 'exit 0' &
dead=$!
wait "$dead"
planted_dead="$prog/.auto004.rsb.$dead.AbC123"
planted_live="$prog/.auto005.rsb.$$.Live01" # this script runs
planted_foreign="$prog/.foreign.$dead"
for f in "$planted_dead" "$planted_live" "$planted_foreign"; do printf 'half a record' >"$f"; done
run_copy hostile_files
main=$(enter_demonstration) || fail "special files: no main form"
type_into $LOAD_EDIT pipe.rsb
click_in "$main" $LOAD_BUTTON
box=$(wait_title "^Error$" 30) || fail "FIFO load: no box within 30 s, the load waits on the pipe"
shot "$out/hostile_fifo_load_box.png"
answer "$box" Return || fail "FIFO load: the box did not close"
note_windows
press "$main" alt+s
wait_until 30 new_window || fail "the Settings menu did not open"
xdotool key Down Return
dlg=$(wait_title "^Open$" 30) || fail "no dialog for loading a settings file"
wait_until 30 activate "$dlg" || true
xdotool type --delay 30 "$prog/zero.st"
rss_before=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
xdotool key Return
box=$(wait_title "^Error$" 30) || fail "/dev/zero import: no box within 30 s"
shot "$out/hostile_dev_zero_import_box.png"
rss_after=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
echo "resident memory before the import ${rss_before} kB, with its box ${rss_after} kB"
[ "$rss_after" -lt $((rss_before + 262144)) ] || fail "/dev/zero import: memory grew by more than 256 MB"
answer "$box" Return || fail "/dev/zero import: the box did not close"
type_into $SAVE_EDIT rec.rsb
click_in "$main" $SAVE_BUTTON
wait_until 30 test -s rec.rsb || fail "planted temporaries: the save did not write rec.rsb"
! visible "^Error$" || fail "planted temporaries: the save showed an error box"
[ ! -e "$planted_dead" ] || fail "the killed writer's temporary is still there after a save"
[ -e "$planted_live" ] || fail "a running writer's temporary was removed"
[ -e "$planted_foreign" ] || fail "a foreign dot-file was removed"
test -p pipe.rsb && test -L zero.st || fail "the special files were replaced"
exit_with_yes "$main"
echo "special files refused with their boxes, the dead writer's temporary removed, the others kept"
cd "$out"
rm -rf "$prog"
echo "every hostile settings file started, ran and ended cleanly"
