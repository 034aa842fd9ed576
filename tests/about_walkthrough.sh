#!/usr/bin/env bash
# Help > About in demonstration mode and with the simulated Pellan instrument: the form shows the
# versions and the serial number ("N/A" where the demonstration device has none, 2.04 and 04711023 for
# the simulated instrument); its web and mail links go to the desktop's handler, here a stand-in
# xdg-open that notes what it was asked to open. OK closes the form. Screenshots are left in the output
# folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"

# The desktop's handler, standing in: it notes each link.
handler="$out/about_handler"
opened="$out/about_opened.txt"
mkdir -p "$handler"
cat >"$handler/xdg-open" <<SH
#!/bin/sh
echo "\$1" >>"$opened"
SH
chmod +x "$handler/xdg-open"

# Client positions in the About form: the link values (the captions are bold, the values follow them).
WEB_LINK="130 124"
MAIL_LINK="140 144"
OK_BUTTON="196 190"

open_about() {
    note_windows
    press "$1" alt+h
    wait_until 30 new_window || fail "alt+h opened no menu"
    xdotool key Up Return
    wait_title "^About$" 30 || fail "no About form"
}

# The form's own picture, without the frame.
form_shot() { window_shot "$1" "$2" || fail "the form $1 was not painted"; }

start_x
export PATH="$handler:$PATH"
rm -f "$opened"

start_program about
main=$(enter_demonstration)
about=$(open_about "$main")
shot "$out/about_1_demo.png"
form_shot "$about" "$out/about_1_demo_form.png"
links_opened() { [ "$(wc -l <"$opened" 2>/dev/null || echo 0)" -ge "$1" ]; }
xdotool mousemove --window "$about" $WEB_LINK click 1
wait_until 30 links_opened 1 || fail "the web link opened nothing"
xdotool mousemove --window "$about" $MAIL_LINK click 1
wait_until 30 links_opened 2 || fail "the mail link opened nothing"
xdotool mousemove --window "$about" $OK_BUTTON click 1
wait_until 30 gone "$about" || fail "OK did not close the About form"
echo "links opened:"
cat "$opened" || true
[ "$(cat "$opened")" = "$(printf 'http://www.example.com/\nmailto:support@example.com')" ] ||
    fail "the links did not open the maker's web and mail addresses"
exit_with_yes "$main"

start_program about_pellan PELLUSB_SIMULATE=1
main=$(wait_title "^Pelle2 oscilloscope" 30) || fail "no main form named after the simulated instrument"
about=$(open_about "$main")
shot "$out/about_2_pellan.png"
form_shot "$about" "$out/about_2_pellan_form.png"
press "$about" Escape
wait_until 30 gone "$about" || fail "the About form did not close"
exit_with_yes "$main"

# The forms differ only where the device's values are: from the driver version row down (the banner and
# the application version are the same), and there they differ.
differing() { # first row, rows
    convert "$out/about_1_demo_form.png" -crop "392x$2+0+$1" +repage "$out/about_rows_demo.png"
    convert "$out/about_2_pellan_form.png" -crop "392x$2+0+$1" +repage "$out/about_rows_pellan.png"
    compare -metric AE "$out/about_rows_demo.png" "$out/about_rows_pellan.png" null: 2>&1 || true
}
top=$(differing 0 96)
values=$(differing 96 80)
echo "differing pixels: banner and application version $top, device values $values"
[ "${top%%.*}" = 0 ] || fail "the forms differ outside the device's values"
[ "${values%%.*}" -gt 50 ] || fail "the About form shows the same values for both devices"
echo "walk-through done: About in demonstration mode and with the simulated Pellan, both links opened"
