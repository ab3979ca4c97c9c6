#!/usr/bin/env bash
# A price of 0 recorded with Gravar: the warning, Ok, and the price typed straight away
# replaces what the field held (the program gives it the focus while the warning is still up).
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"
e2e_open_process "$dir/PL_001269_2009.KPZ"
e2e_type 12123123000199
e2e_key Tab
sleep 0.5
# The first item, then the brand field.
e2e_click_main 300 309
sleep 0.3
e2e_click_main 270 590
e2e_type "MARCA TESTE"
e2e_key Tab
e2e_type 0
e2e_key Tab
sleep 0.3
e2e_shot antes_de_gravar
e2e_key space
aviso=$(e2e_wait_window '^Advertência' 10) || e2e_fail "no warning for a price of 0"
e2e_shot aviso
e2e_key Return
e2e_wait_gone_id "$aviso" 10 || e2e_fail "the warning did not close"
sleep 0.5
e2e_type 12,5
e2e_shot preco_digitado
campo=$(e2e_copy_focused) || e2e_fail "nothing could be copied from the price field"
[ "$campo" = "12,5" ] || e2e_fail "the price field holds '$campo', not the price typed"
e2e_pass
