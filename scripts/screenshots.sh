#!/usr/bin/env bash
# Pictures of the main window's tabs and the new-project wizard, drawn on a
# virtual X display (xvfb-run) so that they show real fonts and frames, for a
# person to review.
# Usage: scripts/screenshots.sh [FOLDER]   (default: build/screenshots)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/build/screenshots}"
[[ -f "$ROOT/build/build.ninja" ]] || { echo "Configure the build first: scripts/build.sh" >&2; exit 2; }
cmake --build "$ROOT/build" --target qc_screenshots >/dev/null
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed (Debian package xvfb)." >&2; exit 2; }
QT_QPA_PLATFORM=xcb xvfb-run -a "$ROOT/build/bin/qc_screenshots" "$OUT"
