# Sourced by the scripts. `quietly CMD...` runs CMD with its output held back and shows
# that output only when CMD fails: a build that works stays quiet, one that fails shows
# its compiler errors (which ninja prints on standard output).
quietly() {
  local log status=0
  log="$(mktemp)"
  "$@" >"$log" 2>&1 || status=$?
  if [[ $status -ne 0 ]]; then
    cat "$log" >&2
    echo "failed with status $status: $*" >&2
  fi
  rm -f "$log"
  return "$status"
}
