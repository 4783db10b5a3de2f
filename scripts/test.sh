#!/usr/bin/env bash
# Builds the release and the sanitizer (asan) presets and runs every test of both.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh
jobs="$(nproc)"
for preset in release asan; do
  echo "== ${preset}: configure and build" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== ${preset}: test" >&2
  ctest --preset "$preset" -j "$jobs"
done
