#!/usr/bin/env bash
# Sets up and builds Quillcraft. The batch build of the bundled example project
# is not built yet: for now this only builds the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
echo "Built: build/bin/quillcraft (the batch build of examples/ comes with a later change)."
