#!/usr/bin/env bash
# Encerrar on a process of 1,500 lots with no prices: the refusal lists every lot. Its window
# stays inside the screen and its text scrolls: the first and the last words can be read.
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir="$E2E_WORK/lotes"
mkdir -p "$dir"
e2e_big_process "$dir/lotes.KPZ" 1500 1
e2e_start_app "$dir"
e2e_open_process "$dir/lotes.KPZ"
e2e_type 12123123000199
e2e_key Tab
sleep 0.5
e2e_wait_window '^Advertência' 1 >/dev/null && e2e_fail "the CNPJ was not accepted"
# Encerrar
e2e_click_main 405 628
aviso=$(e2e_wait_window '^Advertência' 15) || e2e_fail "no refusal"
sleep 0.5
e2e_shot recusa
eval "$(xwininfo -id "$aviso" | awk '/Absolute upper-left Y:/ {print "y=" $4} /Height:/ {print "h=" $2}')"
screen_h=$(xwininfo -root | awk '/Height:/ {print $2}')
[ "$y" -ge 0 ] && [ $((y + h)) -le "$screen_h" ] || e2e_fail "the refusal leaves the screen (top $y, height $h of $screen_h)"
# The mouse wheel over the text takes it to its last words.
xdotool mousemove --window "$aviso" 200 100
for i in $(seq 1 60); do xdotool click 5; done
sleep 0.3
e2e_shot recusa_fim
e2e_key Return
e2e_wait_gone_id "$aviso" 10 || e2e_fail "Ok did not close the refusal"
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
