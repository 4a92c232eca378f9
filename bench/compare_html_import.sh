#!/usr/bin/env bash
# Times the engine opening HTML pages as documents and pasting them into one
# .docx (html_import_bench) against LibreOffice converting the same pages to
# .docx in soffice runs of 200 pages, and prints pages per second of each.
#   bench/compare_html_import.sh PAGELIST [COUNT]
# PAGELIST holds one page path a line (for example the HTML reference pages
# of Debian's fp-docs package); COUNT takes the first COUNT pages (default 300).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$root/build/bin/html_import_bench"
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }
list="$1"
count="${2:-300}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
head -n "$count" "$list" > "$work/pages.txt"
n=$(wc -l < "$work/pages.txt")
echo "engine:"
"$bench" "$work/engine.docx" "@$work/pages.txt"
# A first LibreOffice run creates its profile; it is not timed.
soffice --headless "-env:UserInstallation=file://$work/lo-profile" --convert-to docx --outdir "$work/warm" \
  "$(head -n 1 "$work/pages.txt")" >/dev/null 2>&1 || true
mkdir -p "$work/lo"
start=$(date +%s.%N)
# Two hundred pages a run: given thousands at once, soffice converts only
# some of them and says nothing of the rest.
xargs -d '\n' -n 200 -a "$work/pages.txt" soffice --headless "-env:UserInstallation=file://$work/lo-profile" \
  --infilter="HTML (StarWriter)" --convert-to 'docx:MS Word 2007 XML' --outdir "$work/lo" >"$work/lo.log" 2>&1
seconds=$(echo "$(date +%s.%N) - $start" | bc)
converted=$(grep -c '^convert ' "$work/lo.log" || true)
echo "LibreOffice: $converted of $n pages converted in $seconds s: $(echo "scale=2; $converted / $seconds" | bc) pages per second"
