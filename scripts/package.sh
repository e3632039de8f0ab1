#!/usr/bin/env bash
# Installs what is missing and builds the Debian package from a copy of the source (so the checkout stays as it
# is, and the copy is as clean as a fresh clone), leaving the .deb in OUTPUT_FOLDER (default build/package).
# DEB_BUILD_OPTIONS passes on, with a parallel build added.
# Usage: package.sh [OUTPUT_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package

output="${1:-build/package}"
mkdir -p "$output"
output="$(cd "$output" && pwd)"
# The copy is built in the output folder under a fixed name, so a compiler cache finds the same paths again.
work="$output/.quillonv-package-source"
rm -rf "$work"
trap 'rm -rf "$work"' EXIT

# The source as it is, changes not yet committed included; what git ignores (build trees, earlier package
# leftovers) stays behind. A file deleted but not yet committed is warned about and left out.
source_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard | tar --null --files-from=- --ignore-failed-read -cf -
  else
    tar --exclude=./build --exclude='./obj-*' -cf - .
  fi
}
mkdir -p "$work/quillonv"
source_files | tar -C "$work/quillonv" -xf -

export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=$(nproc)"
(cd "$work/quillonv" && dpkg-buildpackage -us -uc -b >&2)
cp "$work"/*.deb "$output"/
ls "$output"/*.deb
