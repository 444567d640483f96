#!/usr/bin/env bash
# The benchmarks on this machine: builds them in the native build and prints every figure.
# Slow (the transfers run at the line's real speed, about half an hour in all), so not part of
# scripts/test.sh. Arguments go to pixlor-bench-transfer, e.g. `scripts/bench.sh --bytes 200000`
# for a quick look.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native --target pixlor-bench-transfer pixlor-bench-catalogue \
  pixlor-bench-listing pixlor-bench-memory pixlor-bench-pictures pixlor-bench-recovery \
  pixlor-bench-stopcheck pixlor-bench-durability

stage() { printf '\n=== %s\n' "$*"; }
stage "Machine"
uname -srm
grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'
echo "$(nproc) processors; commit $(git rev-parse --short HEAD)"

stage "Esc: the check between two data packets"
build/bench/pixlor-bench-stopcheck
stage "Listing: GetFindData CPU time"
build/bench/pixlor-bench-listing
stage "Durability: flushes and renames of whole files, a verified move, the settings parser"
build/bench/pixlor-bench-durability
stage "Memory: peak resident, 20 MB against 20 KB download"
build/bench/pixlor-bench-memory
stage "Pictures: making the JPEG files of 500 pictures"
build/bench/pixlor-bench-pictures
stage "Catalogue: opening a panel on 500 pictures at 115200 Bd"
build/bench/pixlor-bench-catalogue
stage "Recovery: a silent line, a camera left at 115200 Bd, no camera at all"
build/bench/pixlor-bench-recovery
stage "Transfer efficiency and host CPU per data packet"
build/bench/pixlor-bench-transfer "$@"
