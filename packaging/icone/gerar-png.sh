#!/usr/bin/env bash
# Renders the icon's PNG sizes from quorin-realinhamento.svg with Inkscape. The PNGs are
# committed beside the drawing, so a build does not need Inkscape: run this after changing it.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  inkscape quorin-realinhamento.svg -w "$size" -h "$size" -o "quorin-realinhamento-$size.png" 2>/dev/null
done
