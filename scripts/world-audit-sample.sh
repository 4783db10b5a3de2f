#!/usr/bin/env bash
# The whole-world audit on the bundled sample world: build the release preset, generate
# the sample world once, audit every landblock of it and say where the outputs are.
#   scripts/world-audit-sample.sh [--scale small|full] [quillfen-world-audit options...]
# The full-scale world (22,500 landblocks, about 470 MB of DATs) goes to sample-world-full/.
set -euo pipefail
cd "$(dirname "$0")/.."

scale=small
if [[ "${1:-}" == "--scale" ]]; then
  scale="${2:?--scale needs small or full}"
  shift 2
fi
world=sample-world
[[ "$scale" == full ]] && world=sample-world-full

scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target quillfen-world-audit quillfen-sample-world

bin=build/release/apps/quillfen-tools
if [[ ! -f "$world/client_portal.dat" || ! -f "$world/client_cell_1.dat" ]]; then
  "$bin/quillfen-sample-world" --out-dir "$world" --scale "$scale"
fi

out="out/world-$scale"
"$bin/quillfen-world-audit" \
  --portal-dat "$world/client_portal.dat" \
  --cell-dat "$world/client_cell_1.dat" \
  --out-dir "$out" "$@"

echo
echo "World audit:   $out/world.json (every landblock), $out/surfaces.json (every surface)"
echo "Warnings:      $out/warnings.json"
echo "Maps:          $out/material-map.png, $out/colour-map.png"
