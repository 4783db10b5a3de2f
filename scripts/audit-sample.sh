#!/usr/bin/env bash
# The main job on the bundled sample world: build the release preset, generate the sample
# world once, audit landblock 0xA9B4 with a contact sheet, and say where the outputs are.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/quietly.sh

scripts/bootstrap.sh
quietly cmake --preset release
quietly cmake --build --preset release -j "$(nproc)" --target surface-classify-audit quillfen-sample-world

bin=build/release/apps/quillfen-tools
world=sample-world
if [[ ! -f "$world/client_portal.dat" || ! -f "$world/client_cell_1.dat" ]]; then
  "$bin/quillfen-sample-world" --out-dir "$world"
fi

"$bin/surface-classify-audit" \
  --portal-dat "$world/client_portal.dat" \
  --cell-dat "$world/client_cell_1.dat" \
  --landblock 0xA9B4 \
  --out out/audit-A9B4.json \
  --contact-sheet out/sheet-A9B4.ppm

echo
echo "JSON audit:    out/audit-A9B4.json"
echo "Contact sheet: out/sheet-A9B4.ppm"
if command -v convert >/dev/null 2>&1 && convert -version 2>/dev/null | grep -q ImageMagick; then
  convert out/sheet-A9B4.ppm out/sheet-A9B4.png
  echo "               out/sheet-A9B4.png"
fi
