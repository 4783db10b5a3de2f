#!/usr/bin/env bash
# The world report of the bundled sample world: scripts/world-audit-sample.sh with --html
# (it builds, generates the sample world once and audits every landblock), then where to
# open the report.
#   scripts/report-sample.sh [--scale small|full]
set -euo pipefail
cd "$(dirname "$0")/.."

scale=small
if [[ "${1:-}" == "--scale" ]]; then
  scale="${2:?--scale needs small or full}"
fi
scripts/world-audit-sample.sh "$@" --html

report="out/world-$scale/report/index.html"
echo "Report:        $report"
echo "Open it in a browser (no server or network needed): file://$PWD/$report"
