#!/usr/bin/env bash
# The demo on a fresh Debian machine: installs what is missing, builds the plug-in module, the
# camera simulator and the pixlor program, then runs `pixlor demo` from the repository's top
# folder. It ends with the simulated camera's pictures in ./pixlor-demo/<date folders>/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target pixlor_cli
build/pixlor demo
