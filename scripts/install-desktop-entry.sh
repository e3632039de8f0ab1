#!/usr/bin/env bash
# Builds QuillonV and puts it in the user's application menu; with --autostart it also starts with every
# session (it then sits in the notification area). --remove takes both away again.
# Usage: install-desktop-entry.sh [--autostart | --remove]
set -euo pipefail
cd "$(dirname "$0")/.."

applications="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
autostart="${XDG_CONFIG_HOME:-$HOME/.config}/autostart"
entry_name=quillonv.desktop

case "${1:-}" in
  "") with_autostart=false ;;
  --autostart) with_autostart=true ;;
  --remove)
    rm -f "$applications/$entry_name" "$autostart/$entry_name"
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
  cat <<ENTRY
[Desktop Entry]
Type=Application
Name=クイロンV　Ver3.0
Comment=POP3 のメールボックスを見守り、新着メールを知らせます
Exec=$(quoted_exec "$program")
Icon=internet-mail
Terminal=false
Categories=Network;Email;
ENTRY
}

mkdir -p "$applications"
entry > "$applications/$entry_name"
echo "Installed $applications/$entry_name" >&2
if $with_autostart; then
  mkdir -p "$autostart"
  entry > "$autostart/$entry_name"
  echo "Installed $autostart/$entry_name" >&2
fi
