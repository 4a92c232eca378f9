#!/usr/bin/env bash
# Screenshots for comparing the engine's filtered HTML with LibreOffice's
# rendering of the same documents, by eye. Not part of the test suite.
#   bench/screenshots.sh [DOCX...]   (default: three corpus documents)
# Writes build/screenshots/<name>-html.png (headless Chromium) and
# build/screenshots/<name>-pdf.png (LibreOffice PDF, first page, via pdftoppm).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/screenshots"
corpus="$root/../shared/corpus/docx"
bench="$root/build/bin/engine_bench"
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }
command -v chromium >/dev/null || { echo "chromium is missing (apt-get install -y chromium)" >&2; exit 1; }
if [ $# -eq 0 ]; then
  set -- "$corpus/poi-IllustrativeCases.docx" "$corpus/tables.docx" "$corpus/lists_level_override.docx"
fi
mkdir -p "$out/html" "$out/pdf"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$bench" --out "$out/html" "$@"
for doc in "$@"; do
  name="$(basename "${doc%.*}")"
  chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$scratch/chromium-$name" \
    --hide-scrollbars --window-size=816,1056 --screenshot="$out/$name-html.png" \
    "file://$out/html/$name.htm" >/dev/null 2>&1
  soffice --headless "-env:UserInstallation=file://$scratch/lo-profile" --convert-to pdf \
    --outdir "$out/pdf" "$doc" >/dev/null 2>&1
  pdftoppm -png -r 96 -f 1 -l 1 -singlefile "$out/pdf/$name.pdf" "$out/$name-pdf"
  echo "$out/$name-html.png  $out/$name-pdf.png"
done
