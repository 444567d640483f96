#!/usr/bin/env bash
# Each folder includes only its own headers and those of the folders below it. The plug-in's
# floors, lowest first; two folders on one floor (far and link) stay out of each other. The
# stand-ins sit over the plug-in and take from it only what they name (a folder, or one header):
# the camera simulator the system seam, the host emulator the host's interface, the console
# program the plug-in's settings and patterns, the wire's speeds and the failure vocabulary. Prints every include that goes up or across and
# fails on the first of them; the folder to check is the first argument (default: the project).
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

floors=(
  "platform"
  "far link"
  "device"
  "naming"
  "report"
  "config"
  "panel"
  "transfer"
  "plugin"
)

# stand-in folder   what it may include besides its own headers
stand_ins=(
  "sim              platform"
  "host             platform far"
  "host/cli         host sim platform far naming config link/CameraProtocol.h
                    link/LinkFailures.h device/DeviceFailures.h device/PictureFile.h"
)

declare -A floor_of may_include
for i in "${!floors[@]}"; do
  for folder in ${floors[i]}; do floor_of[$folder]=$i; done
done
for folder in "${!floor_of[@]}"; do
  allowed=$folder
  for other in "${!floor_of[@]}"; do
    ((floor_of[$other] < floor_of[$folder])) && allowed+=" $other"
  done
  may_include[$folder]=$allowed
done
for entry in "${stand_ins[@]}"; do
  read -r folder others <<<"$(tr -s ' \n' ' ' <<<"$entry")"
  may_include[$folder]="$folder $others"
done

# The folder a path belongs to: its longest prefix that is a checked folder.
owner() {
  local path=$1 best= folder
  for folder in "${!may_include[@]}"; do
    if [[ $path == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; fi
  done
  printf '%s' "$best"
}

bad=0
while IFS= read -r -d '' file; do
  relative=${file#"$root"/}
  from=$(owner "$relative")
  [[ -n $from ]] || continue
  while IFS=: read -r line included; do
    target=$(owner "$included")
    [[ -n $target ]] || target=${included%%/*}
    allowed=" ${may_include[$from]} "
    if [[ $allowed != *" $target "* && $allowed != *" $included "* ]]; then
      echo "$relative:$line: includes $included: $from may include only${may_include[$from]#"$from"}"
      bad=1
    fi
  done < <(grep -noE '^#include "[^"]+/[^"]+"' "$file" | sed -E 's/^([0-9]+):#include "(.*)"/\1:\2/')
done < <(find "$root" -path "$root/build*" -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0)

if ((bad)); then
  echo "check-includes: an include goes up or across the floors (scripts/check-includes.sh)"
  exit 1
fi
echo "check-includes: every folder includes only itself and the folders below it"
