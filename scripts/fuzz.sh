#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for FUZZ_SECONDS (default 20) from its committed
# seed corpus; new inputs go to a scratch folder, never into the repository. A longer run:
#   FUZZ_SECONDS=3600 scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in build-fuzz/fuzz/fuzz_*; do
  name=${target##*/fuzz_}
  mkdir -p "$scratch/$name"
  log="$scratch/$name.log"
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 "$scratch/$name" \
      "fuzz/corpus/$name" >"$log" 2>&1; then
    tail -40 "$log"
    echo "fuzz target $name FAILED"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz target $name: $runs executions in ${seconds}s, no failure"
done
