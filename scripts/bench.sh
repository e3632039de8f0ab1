#!/usr/bin/env bash
# Installs what is missing, builds an optimised tree and runs every benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench

build_dir=build/bench
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLONV_BUILD_TESTS=OFF -DQUILLONV_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
for bench in "$build_dir"/bench/*_bench; do
  echo "== $(basename "$bench")"
  "$bench"
done
