#!/usr/bin/env bash
# Installs what building and testing Pixlor needs, from Debian's packages. With --native, only
# what the native build needs (the demo): no Windows toolchains, no wine, no fuzzing compiler.
set -euo pipefail

# The native build: plug-in module, simulator (JPEG pictures through libjpeg), pixlor, tests.
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  nlohmann-json3-dev libcli11-dev
  libjpeg62-turbo-dev libexif-dev file
)
# The whole suite: benchmarks, fuzzing, the Windows builds and their tests under wine.
if [ "${1:-}" != --native ]; then
  packages+=(
    libbenchmark-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 unzip
  )
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
# The 32-bit wine that runs the product's tests (/usr/lib/wine/wine), from the i386 architecture.
if [ "${1:-}" != --native ]; then
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
    missing+=(wine32:i386)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
if [[ " ${missing[*]} " == *" wine32:i386 "* ]]; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
