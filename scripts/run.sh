#!/usr/bin/env bash
# What `make run` does. With a display: the fee office's main window (on the
# database of last time, or the demo fee office on the first run). Without
# one: make sure the demo fee office exists, run the tour of every window
# offscreen, and say where its pictures are.
set -euo pipefail
build=${1:-build}
exe="$build/src/app/feeoffice"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi

data="${XDG_DATA_HOME:-$HOME/.local/share}/feeoffice"
db="$data/demo.db"
if [ ! -f "$db" ]; then
  mkdir -p "$data"
  echo "First run: creating the demo fee office in $db"
  "$exe" init-demo "$db"
fi
out="$build/tour"
rm -rf "$out"
echo "No display: touring every window of the fee office on $db"
# The tour signs in as the demo's administrator, with his documented password.
FEEOFFICE_PASSWORD=${FEEOFFICE_PASSWORD:-admin123} QT_QPA_PLATFORM=offscreen "$exe" tour --db "$db" --out "$out" 2> >(grep -v -e propagateSizeHints -e 'support raise' -e XDG_RUNTIME_DIR >&2)
echo
echo "The pictures are in $(cd "$out" && pwd)"
