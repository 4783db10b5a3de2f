#!/usr/bin/env bash
# Builds the release and the sanitizer (asan) presets and runs every test of both, then
# runs each fuzz harness briefly (scripts/fuzz.sh).
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

# The libFuzzer harnesses, 20 seconds each on their seed corpora (about 5 minutes with
# the clang build).
scripts/fuzz.sh 20
