#!/usr/bin/env bash
# A printing service that answers but has no printer: F6 in the preview says that no printer is
# installed (the screenshot shows which message), and the program goes on.
source "$(dirname "$0")/lib.sh"
e2e_start_cups || { echo "SKIP: no private CUPS here"; exit 77; }
lpadmin -x PDFFILE || e2e_fail "could not remove the private queue"
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"
e2e_open_process "$dir/PL_001269_2009.KPZ"
preview=$(e2e_open_preview) || e2e_fail "no preview"
sleep 2
e2e_activate "$preview"
e2e_key F6
box=$(e2e_wait_window '^QuorinRealinhamentoPreco$' 10) || e2e_fail "F6 said nothing without a printer"
sleep 0.5
e2e_shot sem_impressora
e2e_key Return
e2e_wait_gone_id "$box" 10 || e2e_fail "the message did not close"
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
