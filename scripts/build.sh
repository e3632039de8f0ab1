#!/usr/bin/env bash
# Installs what is missing and builds an optimised tree: build/release, the program (scripts/run.sh and
# the desktop entry use it), or with "bench" build/bench, the program and the benchmarks.
# Build output goes to stderr, so callers can stay filters in a pipe.
# Usage: build.sh [release|bench]
set -euo pipefail
cd "$(dirname "$0")/.."

kind="${1:-release}"
case "$kind" in
  release) benchmarks=OFF; packages=build ;;
  bench) benchmarks=ON; packages=bench ;;
  *) echo "usage: $0 [release|bench]" >&2; exit 2 ;;
esac
scripts/install-deps.sh "$packages"

build_dir="build/$kind"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLONV_BUILD_TESTS=OFF -DQUILLONV_BUILD_BENCHMARKS="$benchmarks" >/dev/null
cmake --build "$build_dir" -j "$(nproc)" >&2
