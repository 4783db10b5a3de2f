#!/usr/bin/env bash
# Remakes docs/report-screenshot.png: the browser tests take it from the report of the
# sample world, so the README shows the report as the tests see it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/quietly.sh

QUILLFEN_WITH_BROWSER=1 scripts/bootstrap.sh
quietly cmake --preset release -DQUILLFEN_BROWSER_TESTS=ON
quietly cmake --build --preset release -j "$(nproc)" \
  --target quillfen-world-audit quillfen-sample-world surface-classify-audit
ctest --preset release -L browser
cp build/release/tests/browser/report-screenshot.png docs/report-screenshot.png
echo "Wrote docs/report-screenshot.png"
