#!/usr/bin/env bash
# Installs what is missing, builds an optimised tree and runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh bench
for bench in build/bench/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench"
done
