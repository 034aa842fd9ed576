#!/usr/bin/env bash
# Printing in demonstration mode. With QUORVEL_PDF the print library asks nothing: Ctrl+P writes one page
# with the screen picture and the general information (date and device) to that PDF file. With the
# library taken out of the program folder, Ctrl+P tells "Unable to initialize printer" (the library of
# the first print was freed, or it would still be found). The screen's white information and cursor texts
# print dark on the white paper. Without QUORVEL_PDF, Ctrl+P shows the library's
# page set-up and then the print dialog; Cancel in either just closes. Screenshots are left in the output
# folder.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
e2e_folders "$@"
check=$(cd "$(dirname "$0")" && pwd)/pdfcheck.py

# Whether the PDF file is there and complete: it ends with its end-of-file mark.
pdf_written() { [ -s "$1" ] && tail -c 32 "$1" | grep -q '%%EOF'; }

start_x
pdf="$out/print_page.pdf"
rm -f "$pdf"
start_program print QUORVEL_PDF="$pdf"
main=$(enter_demonstration)
shot "$out/print_1_main.png"
device=$(xdotool getwindowname "$main")
echo "device caption: $device"

press "$main" ctrl+p
wait_until 60 pdf_written "$pdf" || fail "Ctrl+P wrote no PDF file"
visible "^Error$" && fail "printing showed an error"
report=$(python3 "$check" "$pdf")
echo "$report"
echo "$report" | grep -qx "pages 1" || fail "the PDF file has not one page"
echo "$report" | grep -qE "^images [0-9]{3,}x[0-9]{3,}$" || fail "the page has not the one screen picture"
echo "$report" | grep -qE "^text Date: [0-9]{2}\.[0-9]{2}\.[0-9]{2} [0-9]{2}:[0-9]{2} Device: " ||
    fail "the page lacks the date"
echo "$report" | grep -qF "Device: $device" || fail "the page lacks the device"

# The library is loaded for each print: without it the next print tells so, once.
rm "$prog/Quorvel.so"
press "$main" ctrl+p
err=$(wait_title "^Error$" 30) || fail "no message without the print library"
shot "$out/print_2_no_library.png"
answer "$err" Return || fail "the message did not close"
visible "^Error$" && fail "a second message came"
exit_with_yes "$main"

# The screen's texts on paper. The settings of that run with the information texts on and the traces off:
# the first information line stands in the top left corner and the cursor text at the bottom between the
# cursors, in the screen's white. Printed on white paper they must come out dark.
python3 - "$prog/settings.xml" "$out/print_texts_settings.xml" <<'EOF_SETTINGS'
import re, sys
s = open(sys.argv[1]).read()
s = s.replace('<DISPINFORMATION type="bool">false', '<DISPINFORMATION type="bool">true')
s = re.sub(r"<CHANNELSON.*?</CHANNELSON>", lambda m: m.group(0).replace(">true<", ">false<"), s, count=1,
           flags=re.S)
open(sys.argv[2], "w").write(s)
EOF_SETTINGS
pdf="$out/print_texts.pdf"
rm -f "$pdf"
copy_program print_texts
cp "$out/print_texts_settings.xml" "$prog/settings.xml"
run_copy print_texts QUORVEL_PDF="$pdf"
main=$(enter_demonstration)
# With the traces off the window's picture settles once its texts are drawn.
wait_until 30 window_shot "$main" "$out/print_5_texts_main.png" || fail "the main form with the texts did not paint"
press "$main" ctrl+p
wait_until 60 pdf_written "$pdf" || fail "Ctrl+P wrote no PDF file with the texts"
python3 "$check" "$pdf" "$out/print_texts_page.jpg" >/dev/null
# The darkest grey (0 black .. 1 white) of a part of the printed screen picture.
darkest() { convert "$out/print_texts_page.jpg" -crop "$1" +repage -colorspace Gray -format '%[fx:minima]' info:; }
size=$(identify -format '%w %h' "$out/print_texts_page.jpg")
read -r w h <<<"$size"
# The left half of the cursor text, clear of the grid line in the middle.
corner=$(darkest 50x38+2+2)
cursor=$(darkest "40x12+$((w / 2 - 48))+$((h - 14))")
echo "darkest grey of the information corner $corner, of the cursor text $cursor"
awk -v v="$corner" 'BEGIN { exit !(v < 0.35) }' || fail "the information texts did not print (white on white)"
awk -v v="$cursor" 'BEGIN { exit !(v < 0.35) }' || fail "the cursor text did not print (white on white)"
exit_with_yes "$main"

# The dialogs of the library: Cancel in the page set-up, then OK there and Cancel in the print dialog.
start_program print_dialogs
main=$(enter_demonstration)
press "$main" ctrl+p
setup=$(wait_title "^Page setup$" 30) || fail "no page set-up dialog"
shot "$out/print_3_page_setup.png"
answer "$setup" Escape || fail "the page set-up did not close on Cancel"
visible "^Error$" && fail "a cancelled set-up showed a message"
press "$main" ctrl+p
setup=$(wait_title "^Page setup$" 30) || fail "no page set-up dialog the second time"
# A message of the cancelled set-up would have come before the main form took the next Ctrl+P.
visible "^Error$" && fail "a cancelled set-up showed a message"
answer "$setup" Return || fail "the page set-up did not take OK"
dialog=$(wait_title "^Print" 30) || fail "no print dialog after the page set-up"
shot "$out/print_4_print_dialog.png"
answer "$dialog" Escape || fail "the print dialog did not close on Cancel"
visible "^Error$" && fail "a cancelled print dialog showed a message"
# Closing asks the exit question: no message of the cancelled print dialog stands in its way.
exit_with_yes "$main"
echo "walk-through done: one page to PDF with screen and general information, the screen's texts dark on paper, missing library told, dialogs cancelled silently"
