#!/usr/bin/env bash
# The whole test suite on a fresh Debian machine: installs what is missing, then builds and tests
# the native build, the sanitizer build, and the Windows builds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

stage() { printf '\n=== %s\n' "$*"; }

stage "Linux build and tests"
cmake --preset native
cmake --build --preset native
ctest --preset native -j 2

stage "Linux build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize -j 2

stage "Windows: Pixlor.dll (32-bit)"
cmake --preset win32
cmake --build --preset win32
PIXLOR_DLL=build-win32/Pixlor.dll build/tests/test_windows_dll

stage "Fuzz targets, briefly, from their seed corpora"
scripts/fuzz.sh
