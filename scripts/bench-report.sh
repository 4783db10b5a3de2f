#!/usr/bin/env bash
# The HTML report's figures on the full-scale sample world: the world audit with and
# without --html (wall time, processor time and peak memory, medians of 5 runs), the
# report folder's size, and the report opened in headless Chromium (first view of each
# view, medians of 5 fresh browsers; the gallery scrolled from end to end).
#   scripts/bench-report.sh [RESULTS_DIR]      (default bench-results/report-<date>)
# The full-scale world is kept in $QUILLFEN_BENCH_DIR (default bench-data/), as by bench.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/quietly.sh

QUILLFEN_WITH_BENCH=1 QUILLFEN_WITH_BROWSER=1 scripts/bootstrap.sh
quietly cmake --preset release -DQUILLFEN_BROWSER_TESTS=ON
quietly cmake --build --preset release -j "$(nproc)" --target quillfen-world-audit quillfen-sample-world

bench_dir="${QUILLFEN_BENCH_DIR:-$PWD/bench-data}"
results="${1:-bench-results/report-$(date +%Y%m%d-%H%M%S)}"
mkdir -p "$results" "$bench_dir"
bin=build/release/apps/quillfen-tools
full="$bench_dir/full-world"
if [[ ! -f "$full/client_cell_1.dat" ]]; then
  echo "== generating the full-scale sample world"
  "$bin/quillfen-sample-world" --out-dir "$full" --scale full >/dev/null
fi

# Medians of five runs: wall seconds, user + system seconds, peak KiB.
time_audit() {
  local name="$1"; shift
  local log="$results/time-$name.txt"
  : >"$log"
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f "%e %U %S %M" -a -o "$log" "$bin/quillfen-world-audit" --quiet \
      --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --out-dir "$results/out-$name" "$@"
  done
  local wall cpu rss
  wall="$(awk '{ print $1 }' "$log" | sort -n | sed -n 3p)"
  cpu="$(awk '{ print $2 + $3 }' "$log" | sort -n | sed -n 3p)"
  rss="$(awk '{ print $4 }' "$log" | sort -n | sed -n 3p)"
  printf "%-6s wall %s s   processor %s s   peak RSS %s KiB   (medians of 5 runs)\n" "$name" "$wall" "$cpu" "$rss" |
    tee -a "$results/summary.txt"
}

echo "== the world audit on the full-scale world"
time_audit plain
time_audit html --html
report="$results/out-html/report"
{
  echo "report folder: $(du -sb "$report" | cut -f1) bytes"
  echo "  atlases:        $(du -cb "$report"/thumbs/*.png | tail -1 | cut -f1) bytes in $(ls "$report"/thumbs | wc -l) files"
  echo "  report-uses.js: $(stat -c %s "$report/report-uses.js") bytes"
  echo "  report-data.js: $(stat -c %s "$report/report-data.js") bytes"
} | tee -a "$results/summary.txt"

echo "== the report in headless Chromium"
npm_dir=build/release/tests/browser/npm
(cd "$npm_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
QUILLFEN_NPM_DIR="$PWD/$npm_dir" node bench/report_first_view.mjs "$report" 5 | tee -a "$results/summary.txt"
