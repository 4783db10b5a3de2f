#!/usr/bin/env bash
# The scripts that build quietly must still show a failed build's errors. Runs each one
# with a stand-in cmake whose build fails with a compiler error on standard output (and
# a stand-in dpkg-query, so that bootstrap.sh finds every package installed).
#   build_errors_test.sh REPOSITORY_ROOT
set -uo pipefail
root="$1"
stubs="$(mktemp -d)"
trap 'rm -rf "$stubs"' EXIT

cat >"$stubs/cmake" <<'STUB'
#!/usr/bin/env bash
if [[ "$1" == "--build" ]]; then
  echo "[1/2] Building CXX object main.cpp.o"
  echo "main.cpp:3:1: error: expected ';' before '}' token"
  exit 1
fi
echo "-- Configuring done"
STUB
cat >"$stubs/dpkg-query" <<'STUB'
#!/usr/bin/env bash
echo "install ok installed"
STUB
chmod +x "$stubs/cmake" "$stubs/dpkg-query"

failures=0
for script in audit-sample.sh bench.sh bench-report.sh report-screenshot.sh; do
  output="$(PATH="$stubs:$PATH" bash "$root/scripts/$script" 2>&1)"
  status=$?
  if [[ $status -eq 0 ]]; then
    echo "FAIL $script: exited 0 after a failed build" >&2
    failures=$((failures + 1))
  fi
  if ! grep -q "main.cpp:3:1: error: expected ';'" <<<"$output"; then
    echo "FAIL $script: the compiler error is not shown; its output was:" >&2
    echo "$output" >&2
    failures=$((failures + 1))
  fi
  if grep -q "Configuring done" <<<"$output"; then
    echo "FAIL $script: the output of a step that worked is shown" >&2
    failures=$((failures + 1))
  fi
done
exit $((failures != 0))
