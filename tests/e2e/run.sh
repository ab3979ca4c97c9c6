#!/usr/bin/env bash
# Runs one end-to-end test script under its own X server (xvfb-run picks a free display).
set -euo pipefail
script=$1
for tool in xvfb-run openbox xdotool import xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (xvfb xauth openbox xdotool imagemagick x11-utils)"
    exit 77
  fi
done
exec xvfb-run -a -s '-screen 0 1600x1000x24' bash "$script"
