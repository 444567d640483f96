#!/usr/bin/env bash
# The product: the 32-bit Pixlor.dll and its release archive, built by the win32 preset, with a
# check of the DLL's PE headers and exports and of what the archive holds.
set -euo pipefail
cd "$(dirname "$0")/.."
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
