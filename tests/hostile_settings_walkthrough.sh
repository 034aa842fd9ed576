#!/usr/bin/env bash
# Starts the program on settings files that no run of it writes: truncated, garbage, another root, deep
# nesting, huge numbers, extreme floats, 2 MB strings, 500,000 siblings, and both channels on with A on AC
# coupling. Each start must reach the main form, run, end with exit code 0 after the exit question, and
# leave a settings file that reads back as settings and stays within a small multiple of the one it read.
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
edit_and_click() { # edit x y, button x y, text
    click_in "$main" "$1" "$2"
    xdotool key ctrl+a BackSpace
    xdotool type --delay 30 "$5"
    sleep 0.3
    click_in "$main" "$3" "$4"
}
edit_and_click 170 500 254 500 pipe.rsb
box=$(wait_title "^Error$" 10) || fail "FIFO load: no box within 10 s, the load waits on the pipe"
shot "$out/hostile_fifo_load_box.png"
answer "$box" Return || fail "FIFO load: the box did not close"
press "$main" alt+s
sleep 0.4
xdotool key Down Return
wait_title "^Open$" 10 >/dev/null || fail "no dialog for loading a settings file"
sleep 0.5
xdotool type --delay 30 "$prog/zero.st"
rss_before=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
xdotool key Return
box=$(wait_title "^Error$" 10) || fail "/dev/zero import: no box within 10 s"
shot "$out/hostile_dev_zero_import_box.png"
rss_after=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
echo "resident memory before the import ${rss_before} kB, with its box ${rss_after} kB"
[ "$rss_after" -lt $((rss_before + 262144)) ] || fail "/dev/zero import: memory grew by more than 256 MB"
answer "$box" Return || fail "/dev/zero import: the box did not close"
edit_and_click 170 569 254 569 rec.rsb
for _ in $(seq 1 50); do [ -s rec.rsb ] && break; sleep 0.1; done
test -s rec.rsb || fail "planted temporaries: the save did not write rec.rsb"
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
