#!/usr/bin/env bash
# Working the screen with the mouse in demonstration mode. Run 1 starts from a prepared settings file
# (8192 samples, zoom on at 1:1 from sample 2000, channel B off, channel A on range 8): it drags vertical
# cursor 0 to the middle and A's trigger-level mark up, hovers a cursor and the trigger strip's mark, drags
# the trace 100 points left, switches the zoom off, zooms in twice, picks Avg then Min and moves the memory
# bar one step right; the settings written at exit must show each change. Run 2 uses 1048576 samples: the
# quick view shows, and dragging its slice sets the slice start. Screenshots stay in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
start_x

# Where things are on the 800 x 600 main form, in window coordinates (the design layout after FormResize).
SCREEN_LEFT=121 SCREEN_TOP=41 SCREEN_WIDTH=571 SCREEN_HEIGHT=381 # 500 points, 256 levels
STRIP_TOP=423 STRIP_HEIGHT=11
QV_TOP=42 QV_HEIGHT=54
ZOOM_LEFT=291 ZOOM_TOP=454 # GroupBox2
ZOOM_BUTTON="$((ZOOM_LEFT + 33)) $((ZOOM_TOP + 55))"
ZOOM_IN="$((ZOOM_LEFT + 74)) $((ZOOM_TOP + 55))"
AVG_BUTTON="$((ZOOM_LEFT + 59)) $((ZOOM_TOP + 29))"
MIN_BUTTON="$((ZOOM_LEFT + 23)) $((ZOOM_TOP + 29))"
MEMORY_BAR_RIGHT="$((ZOOM_LEFT + 106)) $((ZOOM_TOP + 80))"

point_x() { echo $((SCREEN_LEFT + ($1 * SCREEN_WIDTH + 250) / 500)); }
level_y() { echo $((SCREEN_TOP + SCREEN_HEIGHT - 1 - ($1 * SCREEN_HEIGHT + 128) / 256)); }

# Window origin, set once the main form is up.
WX=0 WY=0
move() { xdotool mousemove $((WX + $1)) $((WY + $2)); sleep 0.15; }
click() {
    move "$1" "$2"
    xdotool click 1
    sleep 0.4
}
# Presses at the first point and drags in small steps to the second.
drag() {
    local x0=$1 y0=$2 x1=$3 y1=$4 i
    move "$x0" "$y0"
    xdotool mousedown 1
    sleep 0.2
    for i in 1 2 3 4 5 6 7 8 9 10; do
        move $((x0 + (x1 - x0) * i / 10)) $((y0 + (y1 - y0) * i / 10))
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.4
}
crop() { convert "$1" -crop "800x600+$WX+$WY" +repage "$2"; }
# Pixels of a colour in a rectangle of the window, in a screenshot taken now into the file; sets $count.
shot_count() { # png, window png, rectangle, colour, more than
    shot "$1"
    crop "$1" "$2"
    count=$(convert "$2" -crop "$3" txt:- | grep -cE "$4" || true)
    [ "$count" -gt "$5" ]
}

expect() {
    local got
    got=$(setting "$1" "$2")
    [ "$got" = "$3" ] || fail "$2 is $got, expected $3"
    echo "$2 = $got"
}

# A settings file as the program writes it, to prepare the runs from.
start_program screen_defaults
main=$(enter_demonstration)
exit_with_yes "$main"
cp settings.xml "$out/screen_defaults.xml"

S=./VISUAL/SCREEN
D=./DEVICE
# --- Run 1 ---
cp "$out/screen_defaults.xml" "$out/screen_run1_prepared.xml"
prepare "$out/screen_run1_prepared.xml" $D/HORIZONTAL/MEMSIZE=8192 $S/ZOOMON=true $S/ZOOMRATIO=1 \
    $S/DISPLAYSTART=2000 $S/ZOOMSTART=0 "$S/CHANNELSON/ITEM[@index='1']=false" \
    "$D/VERTICAL/RANGE/ITEM[@index='0']=8" $S/DISPLAYMODE=2 $S/CURSORS/VERON=true $S/CURSORS/HORON=true \
    $S/CURSORS/VERPOS0=50 $S/CURSORS/HORPOS0=25 $S/CURSORS/HORPOS1=230 \
    "$D/TRIGGER/LEVEL/ITEM[@index='0']=127"
start_with_settings screen_run1 "$out/screen_run1_prepared.xml"
main=$(enter_demonstration)
window_origin "$main"
wait_until 60 shows_trace "$out/screen_0_run1.png" || fail "no trace in run 1"

# Vertical cursor 0 from point 50 to the middle, at a level away from the horizontal cursors.
drag "$(point_x 50)" "$(level_y 180)" "$(point_x 250)" "$(level_y 180)"
# Channel A's level mark from 127 up by 13 levels, still inside the sine so that the trace stays triggered.
drag "$(point_x 3)" "$(level_y 127)" "$(point_x 3)" "$(level_y 140)"
# Hover over vertical cursor 0: it lights up.
move "$(point_x 252)" "$(level_y 180)"
sleep 0.5
shot "$out/screen_1_hovered_cursor.png"
crop "$out/screen_1_hovered_cursor.png" "$out/screen_1_hovered_cursor_window.png"
# The trigger lies right of the window (sample 4096 + delay, window 2000 .. 2500): the red arrow at the
# strip's right edge, hovered.
move $((SCREEN_LEFT + SCREEN_WIDTH - 5)) $((STRIP_TOP + STRIP_HEIGHT / 2))
count=0
wait_until 30 shot_count "$out/screen_2_hovered_strip_mark.png" "$out/screen_2_hovered_strip_mark_window.png" \
    "30x$STRIP_HEIGHT+$((SCREEN_LEFT + SCREEN_WIDTH - 30))+$STRIP_TOP" '#FFC0C0' 5 ||
    fail "the strip's mark did not light up under the mouse ($count light pixels)"

# The trace: find channel A's green in the column of point 350 and drag it 100 points left.
move 5 5
tx=$(point_x 350)
trace_in_column() {
    shot "$out/screen_3_before_trace_drag.png"
    crop "$out/screen_3_before_trace_drag.png" "$out/screen_3_window.png"
    ty=$(convert "$out/screen_3_window.png" -crop "1x$SCREEN_HEIGHT+$tx+$SCREEN_TOP" txt:- |
        grep '#00FF00' | head -n 1 | sed -E 's/^0,([0-9]+):.*/\1/' || true)
    [ -n "$ty" ]
}
wait_until 30 trace_in_column || fail "no trace of channel A in the column of point 350"
ty=$((SCREEN_TOP + ty))
drag "$tx" "$ty" "$(point_x 250)" "$ty"
shot "$out/screen_4_trace_dragged.png"

# The Zoom box: zoom off, "+" twice, Avg then Min, the memory bar one step right. Min down tells the
# clicks before it are done; the display amount under the memory bar changes once a record of the new
# length has come.
MIN_AREA="36x20+$((ZOOM_LEFT + 5))+$((ZOOM_TOP + 19))"
AMOUNT_AREA="50x16+$((ZOOM_LEFT + 4))+$((ZOOM_TOP + 106))"
area() { # name, rectangle: a screenshot taken now, cropped to the rectangle of the window
    shot "$out/screen_area.png"
    crop "$out/screen_area.png" "$out/screen_area_window.png"
    convert "$out/screen_area_window.png" -crop "$2" +repage "$out/screen_area_$1.png"
}
changed_from() { # name, rectangle
    area now "$2"
    ! same_picture "$out/screen_area_$1.png" "$out/screen_area_now.png"
}
click $ZOOM_BUTTON
click $ZOOM_IN
click $ZOOM_IN
click $AVG_BUTTON
area min_before "$MIN_AREA"
click $MIN_BUTTON
wait_until 30 changed_from min_before "$MIN_AREA" || fail "Min did not go down"
area amount_before "$AMOUNT_AREA"
click $MEMORY_BAR_RIGHT
wait_until 60 changed_from amount_before "$AMOUNT_AREA" || fail "no record of the new memory size came"
shot "$out/screen_5_zoom_box.png"
crop "$out/screen_5_zoom_box.png" "$out/screen_5_zoom_box_window.png"

exit_with_yes "$main"
cp settings.xml "$out/screen_interaction_settings.xml"
f="$out/screen_interaction_settings.xml"
expect "$f" $S/CURSORS/VERPOS0 250
expect "$f" "$D/TRIGGER/LEVEL/ITEM[@index='0']" 140
expect "$f" $S/ZOOMSTART 2100
expect "$f" $S/ZOOMON false
expect "$f" $S/ZOOMRATIO 0.25
expect "$f" $S/DISPLAYMODE 0
expect "$f" $D/HORIZONTAL/MEMSIZE 16384
expect "$f" $S/DISPLAYSTART 53
expect "$f" $S/DISPLAYRATIO 32

# --- Run 2 ---
cd "$out"
cp "$out/screen_defaults.xml" "$out/screen_run2_prepared.xml"
prepare "$out/screen_run2_prepared.xml" $D/HORIZONTAL/MEMSIZE=1048576 $S/ZOOMON=false ./VISUAL/QUICKVIEW/START=0
start_with_settings screen_run2 "$out/screen_run2_prepared.xml"
main=$(enter_demonstration)
window_origin "$main"
# The quick view shows once its strip holds the slice (cyan, over the traces).
count=0
wait_until 60 shot_count "$out/screen_6_quick_view.png" "$out/screen_6_quick_view_window.png" \
    "${SCREEN_WIDTH}x$QV_HEIGHT+$SCREEN_LEFT+$QV_TOP" '#00FFFF' 500 || fail "no quick view ($count slice pixels)"
# The slice (ratio 16: 65536 of 1048576 samples, 35 pixels from the left) drags 200 pixels right.
drag $((SCREEN_LEFT + 10)) $((QV_TOP + QV_HEIGHT / 2)) $((SCREEN_LEFT + 210)) $((QV_TOP + QV_HEIGHT / 2))
shot "$out/screen_7_slice_dragged.png"
crop "$out/screen_7_slice_dragged.png" "$out/screen_7_slice_dragged_window.png"
exit_with_yes "$main"
cp settings.xml "$out/screen_interaction_settings_quickview.xml"
# QuickViewSample(200) on a strip as wide as the screen.
expected=$(python3 -c "print(round(200 * 1048576 / $SCREEN_WIDTH))")
expect "$out/screen_interaction_settings_quickview.xml" ./VISUAL/QUICKVIEW/START "$expected"
expect "$out/screen_interaction_settings_quickview.xml" ./VISUAL/QUICKVIEW/ON true
echo "screen interaction walk-through done"
