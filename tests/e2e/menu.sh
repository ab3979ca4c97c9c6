#!/usr/bin/env bash
# The program as the desktop menu starts it: the command of the menu entry, run in the user's
# home, shows the main window, and the window names the entry's StartupWMClass, so a desktop
# groups it under the entry's icon. Its open dialog speaks Portuguese (Qt's translations are
# found), and an example copied from the package opens and knows its supplier. With
# QUORIN_APP, QUORIN_DESKTOP and QUORIN_EXEMPLOS this checks an installed package (.ci/pacote);
# otherwise the build's program, the entry in packaging/ and exemplos/.
source "$(dirname "$0")/lib.sh"
command -v xclip >/dev/null || { e2e_log "SKIP: xclip is not installed"; exit 77; }
desktop=${QUORIN_DESKTOP:-$E2E_SOURCE/packaging/quorin-realinhamento.desktop}
[ -f "$desktop" ] || e2e_fail "no menu entry at $desktop"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
exec_line=$(entry Exec)
wm_class=$(entry StartupWMClass)
[ -n "$exec_line" ] && [ -n "$wm_class" ] || e2e_fail "the menu entry lacks Exec or StartupWMClass"
# The program takes no arguments: the entry's command is the bare program name, found on the PATH.
case "$exec_line" in *' '* | */*) e2e_fail "Exec should be the program's name alone: $exec_line" ;; esac
program=$(PATH="$(dirname "$E2E_APP"):$PATH" command -v "$exec_line") || e2e_fail "Exec=$exec_line is not on the PATH"
[ "$program" -ef "$E2E_APP" ] || e2e_fail "Exec=$exec_line finds $program, not $E2E_APP"

exemplos=${QUORIN_EXEMPLOS:-$E2E_SOURCE/exemplos}
mkdir -p "$HOME/propostas"
cp "$exemplos/PL_001269_2009.KPZ" "$HOME/propostas/" || e2e_fail "no example in $exemplos"

e2e_start_wm
E2E_APP=$program e2e_start_app "$HOME"
e2e_shot janela
class=$(xprop -id "$E2E_MAIN_WIN" WM_CLASS) || e2e_fail "the main window has no WM_CLASS"
case "$class" in
  *"\"$wm_class\""*) e2e_log "WM_CLASS: ${class#*= }" ;;
  *) e2e_fail "the main window's $class does not name StartupWMClass=$wm_class" ;;
esac
# Only the main window, nothing the program has on screen besides.
janelas() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null); do xdotool getwindowname "$w"; done
}

# "Abrir Processo" (110 x 25 at 120, 611 in the window); Qt's own dialog is titled in Portuguese.
xdotool mousemove --window "$E2E_MAIN_WIN" 175 623 click 1
dialogo=$(e2e_wait_window '^Abrir$' 20) ||
  e2e_fail "no open dialog titled \"Abrir\" (Qt's pt_BR translations?); windows: $(janelas | tr '\n' ';')"
e2e_activate "$dialogo"
e2e_shot abrir
e2e_type "$HOME/propostas/PL_001269_2009.KPZ"
e2e_key Return
e2e_wait_gone '^Abrir$' 20 || e2e_fail "the open dialog did not close"
# As e2e_open_process: the window manager hands the focus back to the main window meanwhile.
sleep 0.5
# The document field (120 x 21 at 88, 55 in the window), typed from its start.
e2e_activate "$E2E_MAIN_WIN"
xdotool mousemove --window "$E2E_MAIN_WIN" 148 65 click 1
e2e_key Home
e2e_type 12123123000199
e2e_key ctrl+a ctrl+c
digitado=$(xclip -selection clipboard -o 2>/dev/null | tr -cd '0-9')
[ "$digitado" = 12123123000199 ] || e2e_fail "the document field holds \"$digitado\""
e2e_key Tab
# A load that fails or a supplier not in the file shows a warning at once: watch for one.
for i in $(seq 1 20); do
  [ "$(janelas)" = "Velmora - Registro de Propostas" ] ||
    e2e_fail "opening the example or finding its supplier showed: $(janelas | tr '\n' ';')"
  sleep 0.1
done
e2e_shot processo

# The window manager's close, as its close box does; unlike a key it needs no keyboard focus,
# which a loaded machine may hand over late (inicio.sh presses Alt+F4).
if command -v wmctrl >/dev/null; then wmctrl -i -c "$E2E_MAIN_WIN"; else e2e_key alt+F4; fi
for i in $(seq 1 100); do e2e_app_alive || break; sleep 0.1; done
e2e_app_alive && e2e_fail "the program did not end when the window manager closed its window"
e2e_pass
