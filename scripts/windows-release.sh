#!/usr/bin/env bash
# The product: Pixlor.dll and its release archive, built by the win32 preset (the 32-bit plug-in,
# Pixlor-<version>.zip) or the win64 preset (the 64-bit one, Pixlor-<version>-x64.zip), with a
# check of the DLL's PE headers and exports and of what the archive holds, and the host's
# structure layouts of that width checked as the layout test compiles.
#   scripts/windows-release.sh win32|win64
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:?which build: win32 or win64}
case $preset in
  win32) machine=x86 suffix= bits=32 ;;
  win64) machine=x64 suffix=-x64 bits=64 ;;
  *) echo "windows-release.sh: no such build: $preset (win32 or win64)" >&2; exit 2 ;;
esac
build=build-$preset
cmake --preset "$preset"
cmake --build --preset "$preset" --target all release
PIXLOR_DLL=$build/Pixlor.dll PIXLOR_DLL_MACHINE=$machine build/tests/test_windows_dll
echo "Pixlor.dll ($machine): $(stat -c %s "$build/Pixlor.dll") bytes"
archive=$(ls "$build"/Pixlor-[0-9]*"$suffix".zip)
[[ $(basename "$archive") =~ ^Pixlor-[0-9.]+$suffix\.zip$ ]] || { echo "unexpected archive: $archive"; exit 1; }
unzip -l "$archive"
expected='Pixlor/ Pixlor/Pixlor.dll Pixlor/PixlorEng.hlf Pixlor/PixlorEng.lng Pixlor/PixlorRus.hlf Pixlor/PixlorRus.lng Pixlor/README.txt'
packed=$(unzip -Z1 "$archive" | LC_ALL=C sort | xargs)
[ "$packed" = "$expected" ] || { echo "$archive holds: $packed; expected: $expected"; exit 1; }
unzip -p "$archive" Pixlor/README.txt | grep -qv $'\r$' && { echo "README.txt has lines without CRLF"; exit 1; }
unzip -p "$archive" Pixlor/Pixlor.dll | cmp - "$build/Pixlor.dll"

# The layout test of this width: the test build's compiler, one file, no test program to run.
cmake --preset "$preset-tests" >/dev/null
cmake --build --preset "$preset-tests" --target "host_layout_$bits"
echo "host layouts ($bits-bit): as the host lays them out"
