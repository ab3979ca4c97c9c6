#!/usr/bin/env bash
# The preview of the bundled process's report with the printing service down: F5 finds a text
# and marks it on the page (a highlighter mark, counted in the screenshot), and F6 says that
# printing is not available instead of doing nothing.
source "$(dirname "$0")/lib.sh"
# A printing service that does not answer: its socket does not exist.
export CUPS_SERVER="$E2E_WORK/sem-cups/cups.sock"
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"
e2e_open_process "$dir/PL_001269_2009.KPZ"
preview=$(e2e_open_preview) || e2e_fail "no preview"
sleep 2

# The pixels in the mark's colour (the highlighter over white paper) in a screenshot.
marked() {
  convert "$1" -fill black +opaque '#FFD740' -fill white -opaque '#FFD740' -format '%[fx:int(mean*w*h+0.5)]' info:
}
e2e_shot antes
before=$(marked "$E2E_SHOTS/$E2E_NAME-antes.png")
e2e_activate "$preview"
e2e_key F5
search=$(e2e_wait_window '^Procurar Texto no Relatorio$' 10) || e2e_fail "no search dialog"
# Plain ASCII: xdotool's remapping of accented letters is unreliable on a loaded server.
e2e_type "Sequencial"
e2e_key Return
e2e_wait_gone_id "$search" 10 || e2e_fail "the search dialog did not close"
sleep 1
e2e_shot marcada
after=$(marked "$E2E_SHOTS/$E2E_NAME-marcada.png")
e2e_log "pixels in the mark's colour: $before before the search, $after after"
[ "$before" -eq 0 ] || e2e_fail "the page showed the mark's colour before any search"
[ "$after" -gt 100 ] || e2e_fail "the text found is not marked on the page ($after pixels)"

e2e_activate "$preview"
e2e_key F6
box=$(e2e_wait_window '^QuorinRealinhamentoPreco$' 10) || e2e_fail "F6 said nothing with the printing service down"
sleep 0.5
e2e_shot sem_impressao
e2e_key Return
e2e_wait_gone_id "$box" 10 || e2e_fail "the message did not close"
e2e_app_alive || e2e_fail "the program ended"
e2e_pass
