#!/usr/bin/env bash
# Uses a finished build as a project outside this tree would:
#   1. installs it to a temporary prefix and moves the prefix (the install is relocatable);
#   2. builds examples/ as a project of its own with find_package(quillfen 0.1 REQUIRED),
#      asking for C++20 (the package's compile feature must raise it), and list_dat once
#      more with pkg-config alone;
#   3. runs the installed programs and the examples on the sample world;
#   4. configures a consumer that takes the sources in with add_subdirectory, with every
#      test, tool and benchmark dependency disabled, and checks that none of the project's
#      flags reach the consumer's own target.
#   scripts/check-install.sh [BUILD_DIR]   (default build/release; must be built already)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir="$(pwd)"
build="${1:-build/release}"
jobs="$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "check-install: $*" >&2
  exit 1
}

echo "== install: $build to a temporary prefix" >&2
cmake --install "$build" --prefix "$work/staging" >/dev/null
mv "$work/staging" "$work/prefix"
prefix="$work/prefix"
for path in bin/surface-classify-audit bin/quillfen-world-audit bin/quillfen-sample-world include/quillfen/version.hpp \
  include/quillfen/dat/database.hpp include/quillfen/dat/write/texture_encode.hpp; do
  [[ -e "$prefix/$path" ]] || fail "$path is not installed"
done
[[ -e "$prefix/include/quillfen/dat/internal" ]] && fail "internal headers are installed"
config="$(find "$prefix" -name quillfenConfig.cmake)"
pc="$(find "$prefix" -name quillfen-dat.pc)"
[[ -n "$config" && -n "$pc" ]] || fail "the CMake package or the pkg-config file is missing"
if grep -rqE -- '-Werror|-Wconversion|-ffp-contract|-fsanitize|'"$source_dir" "$(dirname "$config")" "$pc"; then
  fail "the installed package names project flags or build-tree paths"
fi

echo "== examples: find_package(quillfen 0.1) from the moved prefix" >&2
cmake -S examples -B "$work/examples" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_STANDARD=20 \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/examples" -j "$jobs" >/dev/null

echo "== examples: list_dat with pkg-config" >&2
export PKG_CONFIG_PATH="$(dirname "$pc")"
# shellcheck disable=SC2046
g++ -std=c++23 -O2 -o "$work/list_dat_pc" examples/list_dat.cpp $(pkg-config --cflags --libs --static quillfen-dat)

echo "== run on the sample world" >&2
world="$work/world"
"$prefix/bin/quillfen-sample-world" --out-dir "$world" >/dev/null
version="$("$prefix/bin/quillfen-sample-world" --version)"
[[ "$version" =~ ^quillfen-sample-world\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "unexpected --version: $version"
grep -q "QUILLFEN_VERSION_STRING \"${version##* }\"" "$prefix/include/quillfen/version.hpp" ||
  fail "--version and version.hpp disagree"
[[ "$("$prefix/bin/quillfen-world-audit" --version)" == "quillfen-world-audit ${version##* }" ]] ||
  fail "the world audit prints another version"
"$prefix/bin/surface-classify-audit" --portal-dat "$world/client_portal.dat" --cell-dat "$world/client_cell_1.dat" \
  --out "$work/audit.json" 2>/dev/null || fail "the installed surface-classify-audit failed"

"$work/examples/list_dat" "$world/client_portal.dat" "$world/client_cell_1.dat" >"$work/list.txt"
"$work/list_dat_pc" "$world/client_portal.dat" "$world/client_cell_1.dat" >"$work/list_pc.txt"
grep -qE '^  0x08 Surface +[0-9]+ files' "$work/list.txt" || fail "list_dat shows no surfaces"
grep -qE '^  0xA9B4 +[0-9]+ interior cells, [0-9]+ objects, [0-9]+ buildings$' "$work/list.txt" ||
  fail "list_dat shows no town landblock"
cmp -s "$work/list.txt" "$work/list_pc.txt" || fail "the pkg-config build of list_dat prints otherwise"

"$work/examples/audit_surface" "$world/client_portal.dat" 0x08000100 "$work/stone.ppm" >"$work/stone.txt"
grep -q '^  category   Stone$' "$work/stone.txt" || fail "audit_surface did not find Stone"
[[ "$(head -c 2 "$work/stone.ppm")" == P6 ]] || fail "audit_surface wrote no PPM"

"$work/examples/write_surface" "$work/written.dat" Dxt5 >/dev/null
"$work/examples/audit_surface" "$work/written.dat" 0x08000001 "$work/water.ppm" >"$work/water.txt"
grep -q '^  category   Water$' "$work/water.txt" || fail "the written surface does not read back as Water"

echo "== add_subdirectory consumer" >&2
cmake -S tests/consumer/subdirectory -B "$work/subdirectory" -G Ninja --no-warn-unused-cli \
  -DQUILLFEN_SOURCE_DIR="$source_dir" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_TBB=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON >/dev/null ||
  fail "add_subdirectory needs more than {fmt}"
command="$(grep -o '"command": "[^"]*examples/list_dat.cpp[^"]*"' "$work/subdirectory/compile_commands.json")" ||
  fail "no compile command for the consumer's own target"
[[ "$command" == *-std=c++23* || "$command" == *-std=gnu++23* ]] ||
  fail "the consumer's C++20 was not raised to C++23: $command"
if [[ "$command" =~ -Werror|-Wconversion|-ffp-contract|-fsanitize ]]; then
  fail "project flags reach the consumer: $command"
fi
echo "check-install: the installed package and add_subdirectory both work" >&2
