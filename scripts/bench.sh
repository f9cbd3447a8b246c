#!/usr/bin/env bash
# Builds the release benchmarks and runs them. Arguments go to every
# benchmark, e.g. --benchmark_filter=scan/heavy.
# The scan benchmark writes its generated homes (about 450 MB) below $TMPDIR
# and removes them when it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
for benchmark in build/bench/bench/*Benchmark; do
  echo "== $(basename "$benchmark")"
  "$benchmark" "$@"
done
