#!/usr/bin/env bash
# A supplier distributes every lot's bid over its items from the keyboard: the process opened,
# the supplier identified, the lot grid's context menu opened with the Menu key, the original
# proposal chosen as reference in the dialog, Ok; "Encerrar" then writes the proposal, which
# quorin-pacote verificar accepts as closed.
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir=$(e2e_examples)

# The supplier's original proposal: every price of the example a tenth higher and a few
# centavos off, so that no lot closes with it as it stands.
awk -F';' 'NR == 1 { print; next }
  { sub(/\r$/, ""); p = $4; gsub(",", ".", p); q = sprintf("%.2f", p * 1.1 + 0.03); gsub("\\.", ",", q)
    printf "%s;%s;%s;%s\r\n", $1, $2, $3, q }' "$dir/precos_exemplo.csv" > "$dir/original.csv"

e2e_start_app "$dir"
# "Abrir Processo", then the file name typed into the open dialog.
xdotool mousemove --window "$E2E_MAIN_WIN" 175 628 click 1
sleep 1.5
e2e_type "$dir/PL_001269_2009.KPZ"
e2e_key Return
sleep 1
e2e_activate "$E2E_MAIN_WIN"
# The CNPJ typed into the document field; leaving it identifies the supplier.
xdotool mousemove --window "$E2E_MAIN_WIN" 148 65 click 1
e2e_key Home
e2e_type 12123123000199
e2e_key Tab
sleep 0.5

# The lot grid has the focus: the Menu key opens its context menu; the last command
# distributes every lot.
e2e_key Menu
sleep 0.5
e2e_shot menu
e2e_key Up Return
dialog=$(e2e_wait_window '^Distribuir o lance de todos os lotes$' 10) || e2e_fail "the distribution dialog did not appear"
e2e_activate "$dialog"
# Referência: a prices file; Arquivo: the original proposal.
e2e_key alt+r Down
e2e_key alt+a
e2e_type "$dir/original.csv"
e2e_key Tab
sleep 0.5
e2e_shot dialogo
e2e_key Return
e2e_wait_gone '^Distribuir o lance' 10 || e2e_fail "the dialog did not close with Ok"
sleep 0.5
e2e_shot distribuido

# "Encerrar": the proposal closes, the program says so and ends.
e2e_activate "$E2E_MAIN_WIN"
xdotool mousemove --window "$E2E_MAIN_WIN" 405 628 click 1
info=$(e2e_wait_window '^Informação' 10) || e2e_fail "no success message after Encerrar (lots refused?)"
e2e_shot encerrado
e2e_activate "$info"
e2e_key Return
for i in $(seq 1 50); do e2e_app_alive || break; sleep 0.1; done
e2e_app_alive && e2e_fail "the program did not end after closing"

pro="$dir/PRP_001269_2009_12123123000199.PRO"
[ -f "$pro" ] || e2e_fail "no proposal file $pro"
"$E2E_PACOTE" verificar "$pro" | grep -q '^Encerrado: sim$' || e2e_fail "verificar does not see a closed proposal"
# The brands came with the reference file, the prices are new.
grep -q ALVORADA "$dir/original.csv" || e2e_fail "the reference lost its brands"
e2e_pass
