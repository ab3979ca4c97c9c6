#!/usr/bin/env bash
# A report of 10,000 items saved from the preview as a spreadsheet: it needs more rows than
# the worksheet holds, so the preview says so and nothing is written, neither the file nor
# a temporary beside it. The program goes on.
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir="$E2E_WORK/planilha"
mkdir -p "$dir/saida"
e2e_big_process "$dir/grande.KPZ" 100 100
e2e_start_app "$dir"
e2e_open_process "$dir/grande.KPZ"
# Relatorio
preview=$(e2e_open_preview) || e2e_fail "no preview"
# The whole report generated: the program stops spending processor time.
for i in $(seq 1 120); do
  before=$(e2e_cpu_ticks "$E2E_APP_PID"); sleep 0.5; after=$(e2e_cpu_ticks "$E2E_APP_PID")
  [ $((after - before)) -le 2 ] && [ "$i" -gt 2 ] && break
done
e2e_activate "$preview"
e2e_key F3
dialog=$(e2e_wait_window '^Salvar Arquivo' 15) || e2e_fail "no save dialog"
sleep 0.5
e2e_key ctrl+a
e2e_type "$dir/saida/grande.xls"
# The type of file below the name: QRP, Txt, Wmf, Rtf, Excel.
e2e_key Tab Down Down Down Down
sleep 0.3
e2e_shot dialogo_planilha
e2e_key shift+Tab Return
e2e_wait_gone_id "$dialog" 15 || e2e_fail "the save dialog did not close"
box=$(e2e_wait_new_window "$preview" 60) || e2e_fail "no message after the refused spreadsheet"
sleep 0.5
e2e_shot planilha_recusada
# The message box of the preview (its text, read in the picture, names the file and the
# 16,384 rows; the tool's and the filter's tests compare it word for word).
[ "$(xdotool getwindowname "$box")" = "QuorinRealinhamentoPreco" ] || e2e_fail "the window after the save is not the message"
left=$(ls -A "$dir/saida")
[ -z "$left" ] || e2e_fail "files left behind: $left"
e2e_key Return
e2e_wait_gone_id "$box" 10 || e2e_fail "Ok did not close the message"
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
