#!/usr/bin/env bash
# Builds QuillonV and puts it in the user's application menu with its icon; with --autostart it also starts
# with every session (it then sits in the notification area). --remove takes all of it away again.
# The entry is the package's own (data/quillonv.desktop), pointed at the build tree; its autostart copy has
# the name a package user gives it, so --remove takes that away as well.
# Usage: install-desktop-entry.sh [--autostart | --remove]
set -euo pipefail
cd "$(dirname "$0")/.."

applications="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
autostart="${XDG_CONFIG_HOME:-$HOME/.config}/autostart"
icons="${XDG_DATA_HOME:-$HOME/.local/share}/icons"
entry_name=quillonv.desktop
built_icons=build/release/tools/icons

case "${1:-}" in
  "") with_autostart=false ;;
  --autostart) with_autostart=true ;;
  --remove)
    rm -f "$applications/$entry_name" "$autostart/$entry_name" "$icons"/hicolor/*/apps/quillonv.{png,svg}
    exit 0 ;;
  *) echo "usage: $0 [--autostart | --remove]" >&2; exit 2 ;;
esac

scripts/build.sh
program="$(pwd)/build/release/ui/quillonv"

# An Exec value in double quotes: inside them ", `, $ and \ take a backslash, then every backslash is doubled
# (the escape layer of every desktop-entry string), and a literal % is doubled.
quoted_exec() {
  local escaped
  escaped=$(printf '%s' "$1" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')
  printf '"%s"' "$escaped"
}

entry() {
  local line
  while IFS= read -r line; do
    case "$line" in
      Exec=*) echo "Exec=$(quoted_exec "$program")" ;;
      *) printf '%s\n' "$line" ;;
    esac
  done <data/quillonv.desktop
}

# The icon theme the menu looks in: the same files the package installs.
mkdir -p "$icons"
cp -r "$built_icons/hicolor" "$icons/"
mkdir -p "$applications"
entry > "$applications/$entry_name"
echo "Installed $applications/$entry_name" >&2
if $with_autostart; then
  mkdir -p "$autostart"
  entry > "$autostart/$entry_name"
  echo "Installed $autostart/$entry_name" >&2
fi
