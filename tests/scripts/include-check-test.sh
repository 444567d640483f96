#!/usr/bin/env bash
# scripts/check-includes.sh on the project as it is (it passes) and on copies of it with one
# include planted that goes up a floor, across one, from the host emulator into the plug-in, or
# from the console program past the headers it names (each fails and names the line).
set -uo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
check=$source_root/scripts/check-includes.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

"$check" "$source_root" >/dev/null || { echo "FAILED: the project's own includes"; failures=1; }

# planted into          include                  how it goes
cases=(
  "device/CameraDevice.cpp  panel/CameraPanel.h    up"
  "far/HostServices.cpp     link/CameraLink.h      across"
  "host/HostEmulator.cpp    config/SettingsStore.h into-the-plug-in"
  "platform/System.cpp      sim/CameraModel.h      up-from-the-seam"
  "host/cli/Failures.cpp    link/CameraLink.h      past-the-vocabulary"
)
for entry in "${cases[@]}"; do
  read -r file included how <<<"$entry"
  copy=$work/$how
  mkdir -p "$copy"
  (cd "$source_root" && git ls-files -z -- '*.cpp' '*.h' | xargs -0 cp --parents -t "$copy")
  line=$(grep -n '^#include' "$copy/$file" | tail -1 | cut -d: -f1)
  sed -i "${line}a #include \"$included\"" "$copy/$file"
  output=$("$check" "$copy" 2>&1)
  status=$?
  if ((status == 0)) || ! grep -qF "$file:$((line + 1)): includes $included" <<<"$output"; then
    echo "FAILED: an include planted $how ($file: $included) was not reported (exit $status):"
    echo "$output"
    failures=1
  fi
done

((failures == 0)) && echo "the include check passes the project and fails each planted include"
exit "$failures"
