#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, skipping those already present.
# With the argument "bench", also what the benchmarks need (nginx as the HTTP peer).
set -euo pipefail
PKGS=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpugixml-dev libcurl4-openssl-dev libjpeg62-turbo-dev libcpp-httplib-dev
  libxml2-dev libxml2-utils libjpeg-turbo-progs libgif-dev
  fonts-liberation2 xdg-utils python3 coreutils
)
# The benchmarks' own packages.
BENCH_PKGS=(nginx-light)
if [ "${1:-}" = "bench" ]; then PKGS+=("${BENCH_PKGS[@]}"); fi
bash "$(dirname "$0")/apt-install-missing.sh" "${PKGS[@]}"
