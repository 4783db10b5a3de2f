#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need, when any is
# missing. Runs as root, or through sudo otherwise. Downloads nothing else.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libfmt-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libsquish-dev libtbb-dev libspng-dev
)
# The fuzz harnesses need a clang whose C++23 library support covers std::expected with
# libstdc++ 12 (clang 19; Debian's default clang 14 cannot), and its libFuzzer runtime.
if [[ "${QUILLFEN_WITH_FUZZ:-0}" == 1 ]]; then
  packages+=(clang-19 libclang-rt-19-dev)
fi
if [[ "${QUILLFEN_WITH_BENCH:-0}" == 1 ]]; then
  packages+=(time hyperfine linux-perf)
fi
# The browser tests of the HTML report: Debian's Chromium, driven from Node.js. A Node.js
# already on the machine (with its own npm) is kept: Debian's npm would replace it.
if [[ "${QUILLFEN_WITH_BROWSER:-0}" == 1 ]]; then
  packages+=(chromium)
  command -v node >/dev/null 2>&1 || packages+=(nodejs)
  command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "bootstrap: installing ${missing[*]}" >&2
sudo=()
[[ "$(id -u)" -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
  { "${sudo[@]}" apt-get update -qq && "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
