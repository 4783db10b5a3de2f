#!/usr/bin/env bash
# The benchmark set, in one command: every Google Benchmark program under bench/ (medians
# of 5 repetitions), then the tool itself on the full-scale sample world and on the
# 300-surface audit world, timed with /usr/bin/time -v (wall time and peak memory, medians
# of 5 runs; the town against an empty landblock with hyperfine), and a profile of where the
# time of one town audit goes.
#   scripts/bench.sh [RESULTS_DIR]      (default bench-results/<date>)
# Generated worlds are kept in $QUILLFEN_BENCH_DIR (default bench-data/) for later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/quietly.sh

QUILLFEN_WITH_BENCH=1 scripts/bootstrap.sh
quietly cmake --preset release
quietly cmake --build --preset release -j "$(nproc)"

export QUILLFEN_BENCH_DIR="${QUILLFEN_BENCH_DIR:-$PWD/bench-data}"
results="${1:-bench-results/$(date +%Y%m%d-%H%M%S)}"
mkdir -p "$results" "$QUILLFEN_BENCH_DIR"
bin=build/release
tool="$bin/apps/quillfen-tools/surface-classify-audit"

echo "== machine" | tee "$results/machine.txt"
{ nproc; grep -m1 "model name" /proc/cpuinfo; free -h | head -2; uname -sr; g++ --version | head -1; } | tee -a "$results/machine.txt"

for program in database_bench dxt_bench stats_bench texture_bench record_decode_bench report_bench audit_bench \
               world_audit_bench; do
  echo "== $program"
  "$bin/bench/$program" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$results/$program.json" --benchmark_out_format=json | tee "$results/$program.txt" | grep -E "_median|^Benchmark"
done

full="$QUILLFEN_BENCH_DIR/full-world"
if [[ ! -f "$full/client_cell_1.dat" ]]; then
  echo "== generating the full-scale sample world"
  /usr/bin/time -f "generated in %e s, peak %M KB" "$bin/apps/quillfen-tools/quillfen-sample-world" \
    --out-dir "$full" --scale full
fi
audit300="$(ls -d "$QUILLFEN_BENCH_DIR"/audit-300-1000-30000-300000 2>/dev/null || true)"

# Median wall time and peak memory of five runs of the tool.
time_tool() {
  local name="$1"; shift
  local log="$results/time-$name.txt"
  : >"$log"
  for _ in 1 2 3 4 5; do
    /usr/bin/time -v "$tool" "$@" --out "$results/out-$name.json" --contact-sheet "$results/out-$name.ppm" \
      2>&1 >/dev/null | grep -E "Elapsed|Maximum resident" >>"$log"
  done
  local wall rss
  wall="$(awk '/Elapsed/ { n = split($NF, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$log" |
    sort -n | sed -n 3p)"
  rss="$(awk '/Maximum resident/ { print $NF }' "$log" | sort -n | sed -n 3p)"
  printf "%-16s wall %s s   peak RSS %s KiB   (medians of 5 runs)\n" "$name" "$wall" "$rss" | tee -a "$results/summary.txt"
}

echo "== the tool, end to end"
time_tool full-town --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --landblock 0xA9B4
time_tool full-empty --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --landblock 0x0000
if [[ -n "$audit300" ]]; then
  time_tool audit300 --portal-dat "$audit300/client_portal.dat" --cell-dat "$audit300/client_cell_1.dat" --landblock 0x1234
  time_tool audit300-empty --portal-dat "$audit300/client_portal.dat" --cell-dat "$audit300/client_cell_1.dat" --landblock 0x0FFF
fi

echo "== the town against a landblock with no records (which costs only the opening)"
hyperfine -N -w 3 -r 30 --export-markdown "$results/town-vs-empty.md" \
  -n empty "$tool --portal-dat $full/client_portal.dat --cell-dat $full/client_cell_1.dat --landblock 0x0000 --out $results/h-empty.json --contact-sheet $results/h-empty.ppm" \
  -n town "$tool --portal-dat $full/client_portal.dat --cell-dat $full/client_cell_1.dat --landblock 0xA9B4 --out $results/h-town.json --contact-sheet $results/h-town.ppm" |
  tee "$results/town-vs-empty.txt"

echo "== profile of the town audit on the full-scale world"
if perf record -q -e cpu-clock -F 4999 -g -o "$results/perf.data" "$tool" \
    --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --landblock 0xA9B4 \
    --out "$results/out-profile.json" --contact-sheet "$results/out-profile.ppm" 2>/dev/null; then
  perf report -i "$results/perf.data" --no-children --sort dso,symbol --stdio 2>/dev/null |
    grep -E "^ +[0-9]" | awk "NR <= 30" | tee "$results/profile.txt"
else
  echo "perf is not usable here; skipped" | tee "$results/profile.txt"
fi
echo "== the whole world in one run, against one open-only run of the single tool"
world_tool="$bin/apps/quillfen-tools/quillfen-world-audit"
world_args="--portal-dat $full/client_portal.dat --cell-dat $full/client_cell_1.dat --quiet"
hyperfine -N -w 1 -r 10 --export-csv "$results/world.csv" --export-markdown "$results/world.md" \
  -n open-only "$tool --portal-dat $full/client_portal.dat --cell-dat $full/client_cell_1.dat --landblock 0x0000 --out $results/h-open.json" \
  -n world "$world_tool $world_args --out-dir $results/world" \
  -n world-jobs1 "$world_tool $world_args --out-dir $results/world-1 --jobs 1" \
  -n world-jobs2 "$world_tool $world_args --out-dir $results/world-2 --jobs 2" |
  tee "$results/world.txt"
# The loop the world audit replaces: the single tool over 200 landblocks spread over the
# world, extrapolated to all of them.
keys="$("$world_tool" --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --list 2>/dev/null |
  awk 'NR % 112 == 1 { print $1 }' | head -200)"
loop_start="$(date +%s.%N)"
for key in $keys; do
  "$tool" --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --landblock "$key" \
    --out "$results/loop.json" 2>/dev/null
done
loop_end="$(date +%s.%N)"
landblocks="$("$world_tool" --portal-dat "$full/client_portal.dat" --cell-dat "$full/client_cell_1.dat" --list 2>/dev/null | wc -l)"
awk -F, -v start="$loop_start" -v end="$loop_end" -v runs="$(echo "$keys" | wc -w)" -v all="$landblocks" '
  NR > 1 { mean[$1] = $2 }
  END {
    per_run = (end - start) / runs
    printf "open-only run %.1f ms; world (default jobs) %.2f s = %.1f x open-only\n", mean["open-only"] * 1000, mean["world"], mean["world"] / mean["open-only"]
    printf "world --jobs 1 %.2f s, --jobs 2 %.2f s: %.2f x faster on two\n", mean["world-jobs1"], mean["world-jobs2"], mean["world-jobs1"] / mean["world-jobs2"]
    printf "loop over the single tool: %.1f ms a landblock, %d landblocks = %.0f s extrapolated, %.0f x the world run\n", per_run * 1000, all, per_run * all, per_run * all / mean["world"]
  }' "$results/world.csv" | tee "$results/world-summary.txt"
/usr/bin/time -v "$world_tool" $world_args --out-dir "$results/world-rss" 2>&1 >/dev/null |
  grep -E "Elapsed|Maximum resident" | tee "$results/world-rss.txt"

echo "results in $results"
