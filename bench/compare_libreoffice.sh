#!/usr/bin/env bash
# Times the engine's filtered-HTML export against LibreOffice's HTML export
# on one large generated document and prints the ratio.
#   bench/compare_libreoffice.sh [CHAPTERS] [RUNS]   (default 300 chapters, 3 runs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$root/build/bin/engine_bench"
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }
chapters="${1:-300}"
runs="${2:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/make_large_docx.py" "$work/large.docx" "$chapters"
# A first LibreOffice run creates its profile; it is not timed.
soffice --headless "-env:UserInstallation=file://$work/lo-profile" --convert-to html \
  --outdir "$work/lo" "$work/large.docx" >/dev/null 2>&1
best_ours=""; best_lo=""
for _ in $(seq "$runs"); do
  ours=$("$bench" --out "$work/ours" "$work/large.docx" | awk 'NR==1 {print $1}')
  start=$(date +%s.%N)
  soffice --headless "-env:UserInstallation=file://$work/lo-profile" --convert-to html \
    --outdir "$work/lo" "$work/large.docx" >/dev/null 2>&1
  lo=$(echo "($(date +%s.%N) - $start) * 1000" | bc)
  echo "engine ${ours} ms   LibreOffice ${lo} ms"
  if [ -z "$best_lo" ] || (( $(echo "$lo < $best_lo" | bc) )); then best_lo=$lo; fi
  if [ -z "$best_ours" ] || (( $(echo "$ours < $best_ours" | bc) )); then best_ours=$ours; fi
done
echo "best: engine ${best_ours} ms, LibreOffice ${best_lo} ms, ratio $(echo "scale=1; $best_lo / $best_ours" | bc)"
