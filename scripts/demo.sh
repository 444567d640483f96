#!/usr/bin/env bash
# The demo on a fresh Debian machine: installs what the native build needs, builds the plug-in
# module, the camera simulator and the pixlor program, then runs `pixlor demo` from the
# repository's top folder. It ends with the simulated camera's pictures, JPEG photos, in
# ./pixlor-demo/<date folders>/, and names one of them to look at.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --native
cmake --preset native >/dev/null
cmake --build --preset native --target pixlor_cli
build/pixlor demo

picture=$(find pixlor-demo -name '*.jpg' | LC_ALL=C sort | head -n 1)
[ -n "$picture" ] || { echo "No picture was copied." >&2; exit 1; }
echo
echo "One of the copied pictures is $picture:"
file -b "$picture"
echo "Open it in any image viewer, for example: xdg-open $picture"
