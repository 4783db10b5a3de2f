#!/usr/bin/env bash
# Builds the release and the sanitizer (asan) presets and runs every test of both (the
# release build also runs the HTML report's tests in headless Chromium), uses the release
# build as an installed package from outside the tree (scripts/check-install.sh), then runs
# each fuzz harness briefly (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

QUILLFEN_WITH_BROWSER=1 scripts/bootstrap.sh
jobs="$(nproc)"
for preset in release asan; do
  echo "== ${preset}: configure and build" >&2
  browser=OFF
  [[ "$preset" == release ]] && browser=ON
  cmake --preset "$preset" -DQUILLFEN_BROWSER_TESTS="$browser" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== ${preset}: test" >&2
  ctest --preset "$preset" -j "$jobs"
  if [[ "$preset" == release ]]; then
    echo "== release: install and use from outside" >&2
    scripts/check-install.sh build/release
  fi
done

# The libFuzzer harnesses, 20 seconds each on their seed corpora (about 5 minutes with
# the clang build).
scripts/fuzz.sh 20
