#!/usr/bin/env bash
# A report of 10,000 items saved from the preview as a spreadsheet: it needs more rows than
# the single worksheet holds, so it is written as a workbook; xlrd reads every item from it,
# nothing else is left in the folder, no message comes, and the program goes on.
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
# The export runs the report once more; the file appears when it is complete.
for i in $(seq 1 240); do
  [ -s "$dir/saida/grande.xls" ] && break
  sleep 0.5
done
[ -s "$dir/saida/grande.xls" ] || e2e_fail "no spreadsheet written"
sleep 1
e2e_shot planilha_gravada
left=$(ls -A "$dir/saida")
[ "$left" = "grande.xls" ] || e2e_fail "files in the folder: $left"
read_back=$(/usr/bin/python3 -c '
import sys, xlrd
b = xlrd.open_workbook(sys.argv[1], encoding_override="cp1252")
cells = [c.value for s in b.sheets() for r in range(s.nrows) for c in s.row(r) if c.ctype == 1]
print(b.sheets()[0].name, sum(s.nrows for s in b.sheets()) > 16384, len([v for v in cells if v.startswith("PRODUTO ")]))
' "$dir/saida/grande.xls") || e2e_fail "xlrd did not read the spreadsheet"
e2e_log "xlrd: $read_back"
[ "$read_back" = "Planilha1 True 10000" ] || e2e_fail "xlrd read $read_back"
# No message after a spreadsheet that was written.
if box=$(e2e_wait_new_window "$preview" 3); then e2e_fail "a window came after the save: $(xdotool getwindowname "$box")"; fi
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
