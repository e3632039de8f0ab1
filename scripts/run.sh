#!/usr/bin/env bash
# Installs what is missing, builds QuillonV and runs it: the program's windows without arguments,
# quillonv-cli with the arguments given (scripts/run.sh check --utf8, ...).
# Everything but the program's own output goes to stderr, so the script works as a filter in a pipe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build

build_dir=build/release
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLONV_BUILD_TESTS=OFF -DQUILLONV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" >&2
if [ $# -eq 0 ]; then
  exec "$build_dir/ui/quillonv"
fi
exec "$build_dir/cli/quillonv-cli" "$@"
