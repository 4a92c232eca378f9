#!/usr/bin/env bash
# Pictures of the template chooser, the template editor (page, style sheet and
# page source), its pickers, the new-document dialog and the topic list of the
# example document, rendered under Xvfb
# into build/screenshots/ for a person to look at.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
cmake --build "$build" --target qc_template_shots >/dev/null
export QTWEBENGINE_DISABLE_SANDBOX=1   # the page renderer cannot sandbox itself as root
export QT_QPA_PLATFORM=xcb
export HOME="${TMPDIR:-/tmp}/qc-window-shots-home"
mkdir -p "$HOME"
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/qc_template_shots" "$build/screenshots" "$root/examples/sample/SampleManual.docx"
