#!/usr/bin/env bash
# A user of the demonstration instrument switches on "Waveform parameters" from the Functions box: the
# module's window opens with the table of the demonstration sine's parameters. Closing that window by its
# own close button switches the module off; at exit the module's configuration is in settings.xml.
# Screenshots are left in the output folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
start_x
start_program parameters
test -e "$prog/modules/parmod.so" || fail "no parameter module in the program folder"
main=$(enter_demonstration)

# The Functions box lies at (0, 199) of the client area, which starts below the menu bar (about 24
# pixels); the first module button is 57 x 20 at (3, 15) in the box. The click aims at its middle.
click_wp() {
    wait_until 30 activate "$main" || true
    xdotool mousemove --window "$main" 31 $((24 + 199 + 25)) click 1
}
click_wp
module=$(wait_title "^Waveform parameters$" 30) || fail "no parameter window after the click on Wp"
window_shot "$module" "$out/parameters_2_table.png" live || fail "the parameter window was not painted"
shot "$out/parameters_1_window.png"
xdotool getwindowgeometry "$module" || true

# The module's own close button switches it off through the host.
close_window "$module"
wait_until 30 gone "$module" || fail "the parameter window stayed open after its close button"
kill -0 "$pid" 2>/dev/null || fail "the program ended with the module window"
shot "$out/parameters_3_closed.png"

exit_with_yes "$main"
# The module's keys lie in its own section below the application container.
wp=$(sed -n '/<APPCONTAINER>/,/<\/APPCONTAINER>/p' settings.xml | sed -n '/<WP>/,/<\/WP>/p')
for key in RANGEC RANGED STAYONTOP PARAM_0 CHANNEL_0 STAT_0; do
    grep -q "<$key " <<<"$wp" || fail "settings.xml holds no key $key of the parameter module"
done
echo "walk-through done: Wp switched on, parameter window shown, closed by its own button, keys saved"
