#!/usr/bin/env bash
# Renders the icon's PNG sizes from quorin-realinhamento.svg with Inkscape, into this folder or
# the one given. The PNGs are committed beside the drawing, so a build does not need Inkscape:
# run this after changing it (the CI package check renders them again and compares).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
for size in 16 22 24 32 48 64 128 256; do
  inkscape "$here/quorin-realinhamento.svg" -w "$size" -h "$size" -o "$out/quorin-realinhamento-$size.png" 2>/dev/null
done
