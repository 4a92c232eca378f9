#!/usr/bin/env bash
# Pictures of every tab and dialog of the program, for a person to look at and
# for the user's guide: drawn on a virtual X display (Xvfb) with a window
# manager (openbox), so that each window has its real frame and title.
# Usage: scripts/screenshots.sh [FOLDER]   (default: build/screenshots)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$(realpath -m "${1:-$ROOT/build/screenshots}")"
[[ -f "$ROOT/build/build.ninja" ]] || { echo "Configure the build first: bash scripts/build.sh" >&2; exit 2; }
cmake --build "$ROOT/build" --target qc_screenshots quillcraft >/dev/null
for tool in xvfb-run openbox; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: bash scripts/setup.sh" >&2; exit 2; }
done
# A home of its own: no settings of the person running it are read or changed.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
export QTWEBENGINE_DISABLE_SANDBOX=1   # the page renderer cannot sandbox itself as root
export QT_QPA_PLATFORM=xcb
mkdir -p "$OUT"
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  "$0" "$1" "$2"; status=$?
  kill $wm 2>/dev/null
  exit $status' "$ROOT/build/bin/qc_screenshots" "$OUT" "$ROOT/examples/sample"
