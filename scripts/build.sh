#!/usr/bin/env bash
# Installs what is missing and builds the optimised tree that scripts/run.sh and the desktop entry use.
# Build output goes to stderr, so callers can stay filters in a pipe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build

build_dir=build/release
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLONV_BUILD_TESTS=OFF -DQUILLONV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" >&2
