#!/usr/bin/env bash
# Runs one end-to-end test script under its own X server. The server picks a free display
# number itself (-displayfd), so no two servers race for the same number, and the script
# starts only once the server answers.
set -euo pipefail
script=$1
for tool in Xvfb openbox xdotool import xprop xdpyinfo; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (xvfb xauth openbox xdotool imagemagick x11-utils)"
    exit 77
  fi
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/quorin-xvfb-XXXXXX")
server=""
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap stop_server EXIT

start_server() {
  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.log" &
  server=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$dir/display" ]; then
      export DISPLAY=":$(tr -dc 0-9 <"$dir/display")"
      if xdpyinfo >/dev/null 2>&1; then return 0; fi
    fi
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=""
  return 1
}

for attempt in 1 2 3; do
  if start_server; then
    bash "$script"
    exit $?
  fi
  echo "X server did not start (attempt $attempt):" >&2
  cat "$dir/xvfb.log" >&2 || true
done
exit 1
