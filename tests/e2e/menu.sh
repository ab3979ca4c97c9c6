#!/usr/bin/env bash
# The program as the desktop menu starts it: the command of the menu entry, run in the user's
# home, shows the main window, and the window names the entry's StartupWMClass, so a desktop
# groups it under the entry's icon. With QUORIN_APP and QUORIN_DESKTOP this checks an installed
# package (.ci/pacote); otherwise the build's program and the entry in packaging/.
source "$(dirname "$0")/lib.sh"
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

e2e_start_wm
mkdir -p "$HOME"
E2E_APP=$program e2e_start_app "$HOME"
e2e_shot janela
class=$(xprop -id "$E2E_MAIN_WIN" WM_CLASS) || e2e_fail "the main window has no WM_CLASS"
case "$class" in
  *"\"$wm_class\""*) e2e_log "WM_CLASS: ${class#*= }" ;;
  *) e2e_fail "the main window's $class does not name StartupWMClass=$wm_class" ;;
esac
# The window manager's close, as its close box does; unlike a key it needs no keyboard focus,
# which a loaded machine may hand over late (inicio.sh presses Alt+F4).
if command -v wmctrl >/dev/null; then wmctrl -i -c "$E2E_MAIN_WIN"; else e2e_key alt+F4; fi
for i in $(seq 1 100); do e2e_app_alive || break; sleep 0.1; done
e2e_app_alive && e2e_fail "the program did not end when the window manager closed its window"
e2e_pass
