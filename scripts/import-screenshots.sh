#!/usr/bin/env bash
# Pictures of the import dialog and of the progress window during an import,
# taken under Xvfb, for a person to look at. Not part of the test suite.
#   scripts/import-screenshots.sh [HELP.chm]
# Without an argument a help file of 300 reference pages of Debian's fp-docs
# package is compiled first. The pictures land in build/screenshots/import/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
prog="$root/build/bin/import_screens"
[ -x "$prog" ] || { echo "build first: $prog is missing" >&2; exit 1; }
out="$root/build/screenshots/import"
mkdir -p "$out"
chm="${1:-}"
if [ -z "$chm" ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  python3 "$root/bench/make_fpdocs_chm.py" "$work/help" 300 >/dev/null
  chm="$work/help/fpref.chm"
fi
xvfb-run -a -s "-screen 0 1024x768x24" "$prog" "$chm" "$out"
ls -1 "$out"/*.png
