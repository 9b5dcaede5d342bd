#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it in its own folder, so that its data
# files (the bare name "AgentServers.xml" among them) land there and not in the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"
cd build/default/ui
exec ./VelmoraAgent
