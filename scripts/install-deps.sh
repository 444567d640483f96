#!/usr/bin/env bash
# Installs what building and testing Pixlor needs, from Debian's packages. With --native, only
# what the native build needs (the demo): no Windows toolchains, no wine, no fuzzing compiler.
#
# The native packages are required: when apt cannot install them the script stops with apt's
# reason. The others serve one stage each of scripts/test.sh; one that apt cannot install (a
# package mirror out of step serves no 32-bit index, say) is named with apt's reason in the
# report file, and scripts/test.sh skips the stages that need it. A failed `apt-get update` is
# said in one line and is not fatal: apt goes on with the indexes it has.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

report=${PIXLOR_INSTALL_REPORT:-build/install-report}
mkdir -p "$(dirname "$report")"
: >"$report"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt() { DEBIAN_FRONTEND=noninteractive $sudo apt-get -o Acquire::Retries=3 "$@"; }

# apt's reason for a failure: its first error line (what it could not fetch) or its last (why it
# gave up an install), without the "E: ".
first_error() { grep '^E: ' | head -n 1 | sed 's/^E: //'; }
last_error() { grep '^E: ' | tail -n 1 | sed 's/^E: //'; }

updated=no
update_indexes() {
  [ $updated = yes ] && return 0
  updated=yes
  local output
  if output=$(apt update -qq 2>&1) || output=$(apt update -qq 2>&1); then return 0; fi
  echo "install-deps: apt-get update failed twice ($(first_error <<<"$output"));" \
    "going on with the package indexes there are"
}

missing_of() {
  local package
  for package in "$@"; do package_installed "$package" || echo "$package"; done
}

mapfile -t required < <(missing_of "${NATIVE_PACKAGES[@]}")
optional=()
if [ "${1:-}" != --native ]; then
  mapfile -t optional < <(missing_of "${STAGE_PACKAGES[@]}")
fi
[ ${#required[@]} -eq 0 ] && [ ${#optional[@]} -eq 0 ] && exit 0

if [[ " ${optional[*]} " == *":i386 "* ]]; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
fi
update_indexes

if [ ${#required[@]} -gt 0 ]; then
  echo "Installing: ${required[*]}"
  if ! output=$(apt install -y -qq "${required[@]}" 2>&1); then
    echo "install-deps: the native build's packages cannot be installed: $(last_error <<<"$output")"
    exit 1
  fi
fi

# The stages' packages together when apt can, else one by one, so that each refusal is named.
if [ ${#optional[@]} -gt 0 ]; then
  echo "Installing: ${optional[*]}"
  if ! apt install -y -qq "${optional[@]}" >/dev/null 2>&1; then
    for package in "${optional[@]}"; do
      if ! output=$(apt install -y -qq "$package" 2>&1); then
        reason=$(last_error <<<"$output")
        printf '%s\t%s\n' "$package" "${reason:-apt-get install failed}" >>"$report"
        echo "install-deps: $package not installable: ${reason:-apt-get install failed}"
      fi
    done
  fi
fi
exit 0
