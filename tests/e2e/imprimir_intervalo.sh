#!/usr/bin/env bash
# "Intervalo para Imprimir" (F8) on the bundled process's report, printed to a private CUPS
# queue that writes PDF: each print has exactly the pages chosen for it (counted with
# pdfinfo), and a range does not stick to the plain print (F6) that follows.
source "$(dirname "$0")/lib.sh"
e2e_start_cups || { echo "SKIP: no private CUPS here"; exit 77; }
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"
e2e_open_process "$dir/PL_001269_2009.KPZ"
preview=$(e2e_open_preview) || e2e_fail "no preview"
sleep 2
e2e_shot preview

# F8 with a range; $1 the answer, $2 the pages expected.
print_range() {
  rm -f "$E2E_CUPS_OUT"
  e2e_activate "$preview"
  e2e_key F8
  local box
  box=$(e2e_wait_window '^Imprimir Intervalo' 10) || e2e_fail "no range box for '$1'"
  e2e_type "$1"
  e2e_shot "intervalo_$1"
  e2e_key Return
  e2e_wait_gone_id "$box" 10 || e2e_fail "the range box did not close"
  local pages
  pages=$(e2e_cups_pages) || e2e_fail "nothing was printed for '$1'"
  [ "$pages" = "$2" ] || e2e_fail "F8 '$1' printed $pages pages, not $2"
}
print_plain() {
  rm -f "$E2E_CUPS_OUT"
  e2e_activate "$preview"
  e2e_key F6
  local pages
  pages=$(e2e_cups_pages) || e2e_fail "nothing was printed by F6"
  [ "$pages" = "$1" ] || e2e_fail "F6 printed $pages pages, not $1"
}

# The printer dialog (F7) offers pages 1 to 2; cancelled, it changes nothing.
e2e_activate "$preview"
e2e_key F7
setup=$(e2e_wait_window '^Imprimir$' 15) || e2e_fail "no printer dialog"
sleep 0.5
e2e_key alt+o
sleep 0.5
e2e_shot configurar
e2e_key Escape
e2e_wait_gone_id "$setup" 10 || e2e_fail "the printer dialog did not close"

print_plain 2
print_range 2 1
cp "$E2E_CUPS_OUT" "$E2E_WORK/pagina2.pdf"
print_range 1 1
print_plain 2
# The page printed for "2" is the report's second page.
pdftotext "$E2E_WORK/pagina2.pdf" - | grep -q 'Página: 2' || e2e_fail "F8 '2' did not print the second page"
e2e_pass
