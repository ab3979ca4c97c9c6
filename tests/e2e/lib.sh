#!/usr/bin/env bash
# Shared helpers for the end-to-end tests: a real X server (started by the runner under
# tests/e2e/run.sh), a window manager, windows waited for by name, keys and clicks through xdotool,
# screenshots under <build>/screenshots/e2e and, on request, a private CUPS queue.
#
# A test script sources this file, calls e2e_start_wm, drives the program and ends with
# e2e_pass; any failed check calls e2e_fail with the reason. Everything started through
# e2e_spawn or e2e_start_cups is stopped when the script exits.
set -euo pipefail

E2E_BUILD=${QUORIN_BINARY_DIR:?QUORIN_BINARY_DIR is not set}
E2E_SOURCE=${QUORIN_SOURCE_DIR:?QUORIN_SOURCE_DIR is not set}
E2E_APP=${QUORIN_APP:-$E2E_BUILD/src/app/QuorinRealinhamentoPreco}
E2E_PACOTE=${QUORIN_PACOTE:-$E2E_BUILD/tools/quorin-pacote/quorin-pacote}
E2E_NAME=$(basename "${BASH_SOURCE[1]:-e2e}" .sh)
E2E_SHOTS="$E2E_BUILD/screenshots/e2e"
E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/quorin-e2e-$E2E_NAME-XXXXXX")
E2E_MAIN_TITLE='^Velmora - Registro de Propostas$'
mkdir -p "$E2E_SHOTS"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME || true
# The program reads its regional settings from the environment.
export LANG=pt_BR.UTF-8 LC_ALL=C.UTF-8
# Drafts and settings go to the test's own scratch home.
export HOME="$E2E_WORK/home" XDG_DATA_HOME="$E2E_WORK/home/.local/share" XDG_CONFIG_HOME="$E2E_WORK/home/.config"
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"

_e2e_pids=()
_e2e_cups_dir=""

_e2e_cleanup() {
  local pid
  for pid in "${_e2e_pids[@]:-}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  if [ -n "$_e2e_cups_dir" ] && [ -f "$_e2e_cups_dir/cupsd.pid" ]; then
    kill "$(cat "$_e2e_cups_dir/cupsd.pid")" 2>/dev/null || true
  fi
  sleep 0.2
  for pid in "${_e2e_pids[@]:-}"; do
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$E2E_WORK"
}
trap _e2e_cleanup EXIT

e2e_log() { echo "[$E2E_NAME] $*"; }

# A screenshot of the whole screen, named after the test and the step.
e2e_shot() {
  import -window root "$E2E_SHOTS/$E2E_NAME-$1.png" 2>/dev/null || true
}

e2e_fail() {
  e2e_shot falha
  echo "[$E2E_NAME] FALHOU: $*" >&2
  exit 1
}

e2e_pass() { e2e_log "ok"; exit 0; }

# Starts a command in the background, remembered for the cleanup; its PID goes to E2E_LAST_PID.
e2e_spawn() {
  "$@" &
  E2E_LAST_PID=$!
  _e2e_pids+=("$E2E_LAST_PID")
}

e2e_start_wm() {
  command -v openbox >/dev/null || e2e_fail "openbox is not installed"
  # Under load the window manager can lose its first connection: start it again if it died
  # before owning the screen.
  local attempt i
  for attempt in 1 2 3; do
    e2e_spawn openbox --sm-disable
    for i in $(seq 1 100); do
      if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then return 0; fi
      kill -0 "$E2E_LAST_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$E2E_LAST_PID" 2>/dev/null || true
    e2e_log "the window manager did not start (attempt $attempt)"
  done
  e2e_fail "the window manager did not start"
}

# e2e_wait_window REGEX [SECONDS]: prints the id of the first visible window whose name matches.
e2e_wait_window() {
  local regex=$1 seconds=${2:-20} id i
  for i in $(seq 1 $((seconds * 10))); do
    id=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# e2e_wait_gone REGEX [SECONDS]: true once no visible window matches.
e2e_wait_gone() {
  local regex=$1 seconds=${2:-20} i
  for i in $(seq 1 $((seconds * 10))); do
    xdotool search --onlyvisible --name "$regex" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# e2e_activate ID: raises and focuses a window through the window manager.
e2e_activate() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
  sleep 0.2
}

# e2e_type TEXT: types plain text (ASCII) into the focused window.
e2e_type() { xdotool type --delay 40 -- "$1"; }

# e2e_key KEY...: presses keys in xdotool's names (Return, Tab, alt+F4, ctrl+a).
e2e_key() { xdotool key --delay 60 "$@"; }

# Copies the examples into a scratch working folder and prints its path.
e2e_examples() {
  local dir="$E2E_WORK/exemplos"
  mkdir -p "$dir"
  cp "$E2E_BUILD"/exemplos/*.KPZ "$E2E_SOURCE"/exemplos/*.csv "$dir/" 2>/dev/null ||
    cp "$E2E_SOURCE"/exemplos/*.KPZ "$E2E_SOURCE"/exemplos/*.csv "$dir/"
  echo "$dir"
}

# e2e_start_app DIR: starts the program in DIR and waits for its main window; sets E2E_APP_PID
# and E2E_MAIN_WIN.
e2e_start_app() {
  local dir=$1
  ( cd "$dir" && exec "$E2E_APP" ) > "$E2E_WORK/app.log" 2>&1 &
  E2E_APP_PID=$!
  _e2e_pids+=("$E2E_APP_PID")
  E2E_MAIN_WIN=$(e2e_wait_window "$E2E_MAIN_TITLE" 30) || e2e_fail "the main window did not appear"
  e2e_activate "$E2E_MAIN_WIN"
}

# True while the program runs.
e2e_app_alive() { kill -0 "$E2E_APP_PID" 2>/dev/null; }

# e2e_start_cups: a private cupsd on a Unix socket with a queue PDFFILE that writes
# $E2E_CUPS_OUT; exports CUPS_SERVER so the program started afterwards sees it.
# Returns 1 (and says why) when it cannot run here: the caller decides to skip.
e2e_start_cups() {
  [ "$(id -u)" -eq 0 ] || { e2e_log "a private cupsd needs root"; return 1; }
  command -v cupsd >/dev/null || [ -x /usr/sbin/cupsd ] || { e2e_log "cupsd is not installed"; return 1; }
  local p; p=$(mktemp -d /tmp/quorin-e2e-cups-XXXXXX)
  chmod 755 "$p"
  _e2e_cups_dir=$p
  mkdir -p "$p"/{etc,run,spool/tmp,cache,state,log,out}
  chown lp "$p/out" 2>/dev/null || chmod 777 "$p/out"
  cat > "$p/etc/cupsd.conf" <<CONF
Listen $p/run/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
  cat > "$p/etc/cups-files.conf" <<CONF
FileDevice Yes
ServerRoot $p/etc
RequestRoot $p/spool
TempDir $p/spool/tmp
CacheDir $p/cache
StateDir $p/state
AccessLog $p/log/access_log
ErrorLog $p/log/error_log
PageLog $p/log/page_log
SystemGroup root
User lp
Group lp
CONF
  /usr/sbin/cupsd -f -c "$p/etc/cupsd.conf" -s "$p/etc/cups-files.conf" &
  echo $! > "$p/cupsd.pid"
  export CUPS_SERVER="$p/run/cups.sock"
  local i
  for i in $(seq 1 100); do [ -S "$CUPS_SERVER" ] && break; sleep 0.1; done
  lpadmin -p PDFFILE -E -v "file://$p/out/job.pdf" -m lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd \
    -o PageSize=A4 || { e2e_log "lpadmin failed"; return 1; }
  lpadmin -d PDFFILE
  E2E_CUPS_OUT="$p/out/job.pdf"
}

# Waits until the private queue is empty and the job file is written; prints its page count.
e2e_cups_pages() {
  local i
  for i in $(seq 1 200); do
    if [ -s "$E2E_CUPS_OUT" ] && [ -z "$(lpstat -o 2>/dev/null)" ]; then
      pdfinfo "$E2E_CUPS_OUT" | awk '/^Pages:/ {print $2}'
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# e2e_wait_new_window KNOWN_ID [SECONDS]: prints the id of the active window once it is a
# visible window other than KNOWN_ID (a dialog the program opened).
e2e_wait_new_window() {
  local known=$1 seconds=${2:-20} id i
  for i in $(seq 1 $((seconds * 10))); do
    id=$(xdotool getactivewindow 2>/dev/null || true)
    if [ -n "$id" ] && [ "$id" != "$known" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# e2e_wait_gone_id ID [SECONDS]: true once the window ID is no longer mapped.
e2e_wait_gone_id() {
  local id=$1 seconds=${2:-20} i
  for i in $(seq 1 $((seconds * 10))); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.1
  done
  return 1
}

# e2e_copy_focused: selects all of the focused text field, copies it and prints what the
# clipboard holds (xclip), waiting up to five seconds for the program to fill it (an
# empty field leaves it empty).
e2e_copy_focused() {
  command -v xclip >/dev/null || { e2e_log "xclip is not installed"; return 1; }
  printf '' | xclip -selection clipboard 2>/dev/null || true
  e2e_key ctrl+a ctrl+c
  local i text=""
  for i in $(seq 1 25); do
    sleep 0.2
    text=$(xclip -o -selection clipboard 2>/dev/null || true)
    [ -n "$text" ] && break
  done
  printf '%s' "$text"
}

# e2e_threads PID: the number of threads of a process.
e2e_threads() { ls "/proc/$1/task" 2>/dev/null | wc -l; }

# e2e_thread_names PID: the names of a process's threads, one a line, sorted.
e2e_thread_names() { cat /proc/"$1"/task/*/comm 2>/dev/null | sort; }

# e2e_own_threads PID: the number of threads of a process but Qt's pooled workers (which come
# and go on their own).
e2e_own_threads() { e2e_thread_names "$1" | grep -vc '^Thread (pooled)$' || true; }

# e2e_cpu_ticks PID: user plus system clock ticks the process has used.
e2e_cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# e2e_big_process KPZ LOTS ITEMS: writes a process of LOTS x ITEMS items (CNPJ 12123123000199)
# as CSV and imports it with quorin-pacote; a few seconds at most for 40,000 items.
e2e_big_process() {
  local kpz=$1 lots=$2 items=$3 csv="${1%.*}.csv"
  awk -v L="$lots" -v N="$items" 'BEGIN {
    OFS = ";"
    print "nro_lote;nro_item;cod_produto;cod_unidademedida;des_especificacao;qtd_produto;des_lote;" \
          "des_produto;des_unidademedida;vlr_lance;nro_cuc;cod_entidade;ano_exercicio;nro_processo;" \
          "cod_modalidadelicitacao;seq_modalidadelicitacao;dat_processo;idt_tipoapuracao;des_tipoapuracao;" \
          "cod_objeto;des_municipio;des_tipoentidade;des_nome;nro_documento;des_marca;vlr_realinhamento;" \
          "vlr_total;des_objeto;des_modalidadelicitacao;flg_encerrado"
    for (l = 1; l <= L; l++)
      for (i = 1; i <= N; i++)
        print l, i, 100000 + l * 1000 + i, 1, "Especificação do item " i " do lote " l ".", (i % 50) + 1,
          sprintf("LOTE %04d - MATERIAIS DIVERSOS", l), "PRODUTO " l "." i " DESCRIÇÃO DO ITEM", "UNIDADE",
          "1000,00", 88, 311, 2009, 1269, 5, 7, "15/03/2009", 2, "MENOR PREÇO POR LOTE", "OBJ-2009/044",
          "SANTA RITA DO VALE", "PREFEITURA MUNICIPAL DE SANTA RITA DO VALE", "PAPELARIA BOA VISTA LTDA",
          "12123123000199", "", "", "", "Registro de preços de materiais diversos.", "PREGÃO PRESENCIAL", "0"
  }' > "$csv"
  ASAN_OPTIONS=detect_leaks=0 "$E2E_PACOTE" importar "$csv" "$kpz" >/dev/null || e2e_fail "quorin-pacote importar failed"
}

# e2e_open_process KPZ: "Abrir Processo" (it has the focus at start), the path typed into the
# real open dialog, Return; waits until the dialog has closed.
e2e_open_process() {
  local dialog
  e2e_activate "$E2E_MAIN_WIN"
  e2e_key space
  dialog=$(e2e_wait_new_window "$E2E_MAIN_WIN" 15) || e2e_fail "the open dialog did not appear"
  e2e_type "$1"
  e2e_key Return
  e2e_wait_gone_id "$dialog" 30 || e2e_fail "the open dialog did not close"
  sleep 0.5
}

# e2e_click_main X Y: a left click at a point of the main window's client area.
e2e_click_main() {
  xdotool mousemove --window "$E2E_MAIN_WIN" "$1" "$2" click 1
}

# e2e_click_close_box ID: a left click on the close box of the window's title bar (openbox
# draws it at the right end of the frame's title bar).
e2e_click_close_box() {
  local frame x y w
  frame=$(xwininfo -children -id "$1" | awk '/Parent window id:/ {print $4}')
  # The frame openbox puts around the window is the window's parent.
  eval "$(xwininfo -id "$frame" | awk '/Absolute upper-left X:/ {print "x=" $4} /Absolute upper-left Y:/ {print "y=" $4} /Width:/ {print "w=" $2}')"
  xdotool mousemove $((x + w - 10)) $((y + 9)) click 1
}

# e2e_open_preview [SECONDS]: presses "Relatorio" on the main window and prints the id of the
# preview window once it is the active window.
e2e_open_preview() {
  e2e_click_main 290 628
  e2e_wait_new_window "$E2E_MAIN_WIN" "${1:-20}"
}
