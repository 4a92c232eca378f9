#!/usr/bin/env bash
# Screenshots for a person to compare: each help page as headless Chromium
# shows it, beside the document the engine makes of it (opened as a web page,
# pasted under a heading, saved as .docx) as LibreOffice renders it to PDF.
#   scripts/html-import-screenshots.sh [PAGE.htm ...]
# Without pages, three reference pages of Debian's fp-docs package are used.
# The pictures land in build/screenshots/html-import/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$root/build/bin/html_import_bench"
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }
out="$root/build/screenshots/html-import"
mkdir -p "$out"
pages=("$@")
if [ ${#pages[@]} -eq 0 ]; then
  docs=/usr/share/doc/fp-docs/3.2.2
  pages=("$docs/rtl/system/writeln.html" "$docs/rtl/sysutils/format.html" "$docs/rtl/classes/tlist.html")
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for page in "${pages[@]}"; do
  name="$(basename "${page%.*}")"
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=900,1200 \
    --screenshot="$out/$name-browser.png" "file://$(realpath "$page")" >/dev/null 2>&1
  "$bench" "$work/$name.docx" "$page" >/dev/null
  soffice --headless "-env:UserInstallation=file://$work/lo-profile" --convert-to pdf --outdir "$work" \
    "$work/$name.docx" >/dev/null 2>&1
  pdftoppm -png -r 100 -f 1 -l 1 "$work/$name.pdf" "$work/$name-doc"
  mv "$work/$name-doc"*.png "$out/$name-document.png"
  echo "$out/$name-browser.png  $out/$name-document.png"
done
