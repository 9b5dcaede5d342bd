#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"
exe=build/default/ui/VelmoraAgent
if [ -x "$exe" ]; then
  exec "$exe" "$@"
fi
echo "Built; the program's window is not part of this build yet." >&2
