#!/usr/bin/env bash
# The whole test suite on a fresh Debian machine: installs what is missing, then builds and tests
# the native build, the sanitizer build, and the Windows builds: the product Pixlor.dll with its
# release archive, and the 32-bit test programs and that very DLL under 32-bit wine.
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

stage "Windows: Pixlor.dll (32-bit) and the release archive"
cmake --preset win32
cmake --build --preset win32 --target all release
PIXLOR_DLL=build-win32/Pixlor.dll build/tests/test_windows_dll
echo "Pixlor.dll: $(stat -c %s build-win32/Pixlor.dll) bytes"
archive=$(ls build-win32/Pixlor-*.zip)
unzip -l "$archive"
expected='Pixlor/ Pixlor/Pixlor.dll Pixlor/PixlorEng.hlf Pixlor/PixlorEng.lng Pixlor/PixlorRus.hlf Pixlor/PixlorRus.lng Pixlor/README.txt'
packed=$(unzip -Z1 "$archive" | LC_ALL=C sort | xargs)
[ "$packed" = "$expected" ] || { echo "$archive holds: $packed; expected: $expected"; exit 1; }
unzip -p "$archive" Pixlor/README.txt | grep -qv $'\r$' && { echo "README.txt has lines without CRLF"; exit 1; }
unzip -p "$archive" Pixlor/Pixlor.dll | cmp - build-win32/Pixlor.dll

stage "Windows: the 32-bit build's tests and the end-to-end suite on the release's DLL under wine"
# A few minutes once built; the limit stops a hung run (the script cleans up after itself).
timeout 20m scripts/wine-tests.sh

stage "Fuzz targets, briefly, from their seed corpora"
scripts/fuzz.sh
