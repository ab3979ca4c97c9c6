#!/usr/bin/env bash
# The program starts, shows its main window under a window manager, and the close box ends it.
source "$(dirname "$0")/lib.sh"
e2e_start_wm
dir=$(e2e_examples)
e2e_start_app "$dir"
e2e_shot janela
# What the title bar's close box sends, through the window manager.
wmctrl -i -c "$E2E_MAIN_WIN"
for i in $(seq 1 50); do e2e_app_alive || break; sleep 0.1; done
e2e_app_alive && e2e_fail "the program did not end after the close box"
e2e_pass
