#!/usr/bin/env bash
# The preview's close box pressed while a big report is still generated: the window goes,
# the run is cancelled and waited for (no thread left, no processor time spent), and the
# program goes on. Then the same with Esc.
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir="$E2E_WORK/grande"
mkdir -p "$dir"
# Big enough that the run still goes on when the window closes (about 15,000 pages).
e2e_big_process "$dir/grande.KPZ" 600 200
e2e_start_app "$dir"
e2e_open_process "$dir/grande.KPZ"

base_threads=$(e2e_own_threads "$E2E_APP_PID")
e2e_log "threads before: $(e2e_thread_names "$E2E_APP_PID" | tr '\n' ' ')"
for way in close_box esc; do
  # Relatorio (the focus moves off the empty CNPJ field without a message).
  preview=$(e2e_open_preview) || e2e_fail "no preview for the $way test"
  sleep 0.8
  # The run's own thread is there while the report is generated.
  e2e_log "threads while generating: $(e2e_thread_names "$E2E_APP_PID" | tr '\n' ' ')"
  [ "$(e2e_own_threads "$E2E_APP_PID")" -gt "$base_threads" ] || e2e_fail "the report was not being generated any more ($way)"
  e2e_shot "gerando_$way"
  if [ "$way" = close_box ]; then e2e_click_close_box "$preview"; else e2e_key Escape; fi
  e2e_wait_gone_id "$preview" 10 || e2e_fail "the preview is still open after $way"
  e2e_app_alive || e2e_fail "the program ended after $way"
  sleep 1
  before=$(e2e_cpu_ticks "$E2E_APP_PID"); sleep 1; after=$(e2e_cpu_ticks "$E2E_APP_PID")
  [ $((after - before)) -le 10 ] || e2e_fail "the run goes on after $way ($((after - before)) ticks in 1 s)"
  threads=$(e2e_own_threads "$E2E_APP_PID")
  e2e_log "threads after $way: $(e2e_thread_names "$E2E_APP_PID" | tr '\n' ' ')"
  [ "$threads" -le "$base_threads" ] || e2e_fail "a thread was left after $way ($threads, $base_threads before)"
  e2e_shot "fechado_$way"
  [ "$(xdotool getactivewindow 2>/dev/null)" = "$E2E_MAIN_WIN" ] || e2e_fail "the main window is not active after $way"
done
e2e_pass
