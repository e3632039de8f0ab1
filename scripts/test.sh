#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers on and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

build_dir=build/test
cmake -S . -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DQUILLONV_SANITIZE=ON -DQUILLONV_BUILD_TESTS=ON -DQUILLONV_BUILD_BENCHMARKS=ON
cmake --build "$build_dir" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
