#!/usr/bin/env bash
# Sets up and builds Quillcraft, then builds the bundled example project as a
# silent batch (no display needed): HTML Help, WebHelp and PDF. The example is
# copied into build/example first so that the source tree stays clean.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
rm -rf build/example
cp -r examples/sample build/example
status=0
build/bin/quillcraft build/example/SampleManual.qvx /bs || status=$?
echo
cat build/example/SampleManual.log
if [ "$status" -ne 0 ]; then
  echo "The batch build failed with exit code $status (log: build/example/SampleManual.log)." >&2
  exit "$status"
fi
echo "Outputs of the example project:"
echo "  HTML Help: build/example/HTML help/help.chm"
echo "  WebHelp:   build/example/WebHelp/index.html"
echo "  PDF:       build/example/PDF/help.pdf"
echo "  Log:       build/example/SampleManual.log"
