#!/usr/bin/env bash
# Installs what is missing, builds QuillonV and runs it: the program's windows without arguments,
# quillonv-cli with the arguments given (scripts/run.sh check --utf8, ...).
# Everything but the program's own output goes to stderr, so the script works as a filter in a pipe.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
if [ $# -eq 0 ]; then
  exec build/release/ui/quillonv
fi
exec build/release/cli/quillonv-cli "$@"
