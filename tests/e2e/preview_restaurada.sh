#!/usr/bin/env bash
# The preview at its restored size (500 x 500): the toolbar has no room for every button, and
# the commands left out are reached through the '»' menu at its right end; Sair from that menu
# closes the preview.
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"
e2e_open_process "$dir/PL_001269_2009.KPZ"
preview=$(e2e_open_preview) || e2e_fail "no preview"
sleep 2
# A double click on the title bar gives the window back its restored size.
frame=$(xwininfo -children -id "$preview" | awk '/Parent window id:/ {print $4}')
eval "$(xwininfo -id "$frame" | awk '/Absolute upper-left X:/ {print "fx=" $4} /Absolute upper-left Y:/ {print "fy=" $4} /Width:/ {print "fw=" $2}')"
xdotool mousemove $((fx + fw / 2)) $((fy + 9)) click --repeat 2 --delay 80 1
sleep 1
eval "$(xwininfo -id "$preview" | awk '/Absolute upper-left X:/ {print "x=" $4} /Absolute upper-left Y:/ {print "y=" $4} /Width:/ {print "w=" $2}')"
e2e_shot restaurada
[ "$w" -le 520 ] || e2e_fail "the preview did not come back to its restored size (width $w)"
# The '»' button at the toolbar's right end, then its last entry (Sair).
xdotool mousemove $((x + w - 12)) $((y + 18)) click 1
sleep 0.5
e2e_shot menu
e2e_key Up Return
e2e_wait_gone_id "$preview" 10 || e2e_fail "Sair from the toolbar's menu did not close the preview"
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
