#!/usr/bin/env bash
# Pictures of the project's setting dialogs (window designer, font window,
# context map options, navigation, WebHelp interface translation and quick
# translation) under Xvfb, written to build/screenshots/dialog-*.png for a
# person to look at. Builds what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target qc_dialog_shots --parallel "$(nproc)"
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed (apt-get install xvfb)" >&2; exit 1; }
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/qc_dialog_shots build/screenshots
