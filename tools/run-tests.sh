#!/usr/bin/env bash
# Installs what is missing, builds a preset (default: asan, the sanitizer build) and runs every test
# through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
preset="${1:-asan}"
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=0"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --preset "$preset" -j "$(nproc)"
