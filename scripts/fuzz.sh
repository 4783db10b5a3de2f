#!/usr/bin/env bash
# Builds the libFuzzer harnesses (the `fuzz` preset) and runs each one for a short fixed
# time on a copy of its seed corpus; any crash, leak, timeout or out-of-memory fails.
#   scripts/fuzz.sh [SECONDS_PER_HARNESS]   (default 20)
# The repository corpus is never grown here: new inputs stay in the temporary copy.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
QUILLFEN_WITH_FUZZ=1 scripts/bootstrap.sh
echo "== fuzz: configure and build" >&2
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failed=()
# harness:max_len[:seed corpus]. The DAT harnesses need room for a whole small DAT (pair);
# the world audit reads the same DAT pairs as the single-landblock audit.
for entry in lrs_fuzz:4096 records_fuzz:8192 texture_fuzz:8192 dat_open_fuzz:65536 audit_fuzz:98304 \
             world_audit_fuzz:98304:audit_fuzz; do
  IFS=: read -r harness max_len seeds <<<"$entry"
  seeds="${seeds:-$harness}"
  mkdir -p "$work/$harness/corpus" "$work/$harness/artifacts"
  cp -r "fuzz/corpus/$seeds/." "$work/$harness/corpus/"
  echo "== fuzz: $harness for ${seconds}s" >&2
  if ! ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "build/fuzz/fuzz/$harness" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
      -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$work/$harness/artifacts/" \
      "$work/$harness/corpus" >"$work/$harness/log" 2>&1; then
    failed+=("$harness")
    tail -n 60 "$work/$harness/log" >&2
    for artifact in "$work/$harness/artifacts"/*; do
      [[ -e "$artifact" ]] && echo "finding: $artifact, first bytes in base64: $(head -c 1500 "$artifact" | base64 -w0)" >&2
    done
  else
    grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$harness/log" >&2 || true
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: no findings" >&2
