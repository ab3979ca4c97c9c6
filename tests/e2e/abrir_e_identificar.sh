#!/usr/bin/env bash
# Abrir Processo, the file name typed into the real open dialog, then the CNPJ typed straight
# away: the field the program chose takes it although the window manager gives the main window
# the focus back only after the dialog has closed; the same after the warning for a CNPJ that is
# not in the file. Read back from the field through the
# clipboard; Tab then identifies the supplier (no warning comes up).
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"

# "Abrir Processo" has the focus at start.
e2e_key space
dialog=$(e2e_wait_new_window "$E2E_MAIN_WIN" 15) || e2e_fail "the open dialog did not appear"
e2e_shot dialogo
e2e_type "$dir/PL_001269_2009.KPZ"
e2e_key Return
e2e_wait_gone_id "$dialog" 15 || e2e_fail "the open dialog did not close"
sleep 0.5
# A CNPJ not in the file: the warning, Ok, and the field takes the next one typed straight away.
e2e_type 11111111111111
e2e_key Tab
aviso=$(e2e_wait_window '^Advertência' 10) || e2e_fail "no warning for a CNPJ that is not in the file"
e2e_shot aviso
e2e_key Return
e2e_wait_gone_id "$aviso" 10 || e2e_fail "the warning did not close"
sleep 0.5
e2e_type 12123123000199
e2e_shot cnpj_digitado
campo=$(e2e_copy_focused) || e2e_fail "nothing could be copied from the focused field"
[ "$campo" = "12.123.123/0001-99" ] || e2e_fail "the field holds '$campo', not the CNPJ typed"

e2e_key Tab
sleep 0.5
e2e_shot identificado
if e2e_wait_window '^Advertência' 1 >/dev/null; then e2e_fail "a warning came up after the CNPJ"; fi
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
