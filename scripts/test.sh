#!/usr/bin/env bash
# The whole test suite on a fresh Debian machine: installs what is missing, then builds and tests
# the native build, the sanitizer build, and the Windows builds: the 32-bit and the 64-bit
# Pixlor.dll with their release archives, the 32-bit test programs and the 32-bit DLL under
# 32-bit wine, the end-to-end suite on the 64-bit DLL under wine64; then the fuzz targets briefly.
#
# A stage whose packages apt could not install (scripts/install-deps.sh names them) is skipped
# with one loud line and apt's reason; the last line says which stages ran and which were
# skipped. A skipped stage never counts as passed, and with PIXLOR_REQUIRE_ALL=1 it is a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
export PIXLOR_INSTALL_REPORT=${PIXLOR_INSTALL_REPORT:-build/install-report}
scripts/install-deps.sh

results=()
current=
summary() {
  local status=$?
  [ -n "$current" ] && results+=("$current failed")
  local line="" result
  for result in "${results[@]}"; do line+="${line:+, }$result"; done
  printf '\nstages: %s\n' "$line"
  exit $status
}
trap summary EXIT

# Why the stage cannot run: the first package it needs that is not installed, with apt's reason.
missing_for() {
  local package reason
  for package in ${STAGE_NEEDS[$1]:-}; do
    package_installed "$package" && continue
    reason=$(awk -F'\t' -v p="$package" '$1 == p { print $2; exit }' "$PIXLOR_INSTALL_REPORT" 2>/dev/null)
    echo "$package not installable: ${reason:-not installed}"
    return 0
  done
}

skipped=no
stage() {
  local name=$1 description=$2 why
  shift 2
  why=$(missing_for "$name")
  if [ -n "$why" ]; then
    printf '\n=== SKIPPED: %s (%s): %s\n' "$name" "$description" "$why"
    results+=("$name skipped ($why)")
    skipped=yes
    return 0
  fi
  printf '\n=== %s\n' "$description"
  current=$name
  "$@"
  current=
  results+=("$name ok")
}

build_and_test() {
  cmake --preset "$1"
  cmake --build --preset "$1"
  ctest --preset "$1" -j 2
}

stage native "Linux build and tests" build_and_test native
stage sanitize "Linux build with AddressSanitizer and UndefinedBehaviorSanitizer" \
  build_and_test sanitize
stage win32 "Windows: Pixlor.dll (32-bit) and the release archive" scripts/windows-release.sh win32
stage win64 "Windows: Pixlor.dll (64-bit) and the x64 release archive" \
  scripts/windows-release.sh win64
# A few minutes once built; the limit stops a hung run (the script cleans up after itself).
stage wine "Windows: the 32-bit build's tests and the end-to-end suite on the release's DLL under wine" \
  timeout 20m scripts/wine-tests.sh win32
stage wine64 "Windows: the end-to-end suite on the x64 release's DLL under wine64" \
  timeout 15m scripts/wine-tests.sh win64
stage fuzz "Fuzz targets, briefly, from their seed corpora" scripts/fuzz.sh

if [ $skipped = yes ] && [ "${PIXLOR_REQUIRE_ALL:-}" = 1 ]; then
  echo "PIXLOR_REQUIRE_ALL=1: a stage was skipped"
  exit 1
fi
