#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quillcraft
# needs. Idempotent: when everything is already there it does nothing and says
# nothing. Run as root (or through sudo).
set -euo pipefail

packages=(
  # toolchain; the HTML Help compiler is built from Free Pascal's chm units
  g++ cmake ninja-build pkg-config git
  fp-compiler-3.2.2 fp-units-fcl-3.2.2 fpc-source-3.2.2 patch
  # libraries
  qt6-base-dev qt6-webengine-dev libpugixml-dev libzip-dev libxml2-dev libqpdf-dev libchm-dev libgl-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev strace
  # outside programs: document rendering, PDF and CHM tools; the packaged
  # chm compiler (chmcmd) only for the tests and tools that compare with it
  # or make test help files
  libreoffice-writer-nogui fp-utils-3.2.2 fp-docs-3.2.2 libchm-bin qpdf poppler-utils
  # screenshots of the interface (a virtual display and a small window manager),
  # compilers for generated code
  xvfb openbox mono-mcs
  # the WebHelp browser test: headless Chromium driven from node
  chromium nodejs
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser test's node packages (playwright-core, pinned by its lock
# file), installed once into tests/browser/node_modules. Without npm the
# browser test skips itself.
browser_tests="$(cd "$(dirname "$0")/.." && pwd)/tests/browser"
if [ ! -f "$browser_tests/node_modules/playwright-core/package.json" ]; then
  if command -v npm >/dev/null; then
    echo "Installing the browser test's node packages"
    (cd "$browser_tests" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  else
    echo "npm not found: the WebHelp browser test will be skipped"
  fi
fi
