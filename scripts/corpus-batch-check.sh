#!/usr/bin/env bash
# Builds every given Word document as the source of its own scratch project with
# `quillcraft X.qvx /bs` and checks what a writer would check afterwards:
#   - the exit code and the message in the batch log;
#   - the compiled help opens (enum_chmLib), its extracted pages and its
#     contents refer to no missing file;
#   - WebHelp/index.html and its pages exist and refer to no missing file;
#   - the PDF exists and opens (pdfinfo);
#   - the source document and the project file are byte-identical afterwards;
#   - nothing is left behind: no "~~$" working copy beside the document, nothing
#     in the per-run temporary folder.
# Documents in a folder named "docx-bad" are expected to be refused (exit code
# 100 with a message in the log); all others are expected to build, headings
# or not (a document without headings gives help formats without topics and
# says so on standard error), unless LibreOffice cannot open them, which the
# log must then say.
#
# Usage: scripts/corpus-batch-check.sh [-j JOBS] [-t SECONDS] [-o OUTDIR] [-H] [FILE|DIR ...]
#   default inputs: ../shared/corpus/docx, docx-bad and doc (beside the repository)
#   -j  builds run at once (default 4)   -t  time limit of one build (default 300)
#   -o  scratch folder for the projects and reports (default build/corpus-check)
#   -H  put a first heading into each good .docx, so that the pages of
#       documents without headings are checked too (most of the corpus has none)
# Prints one line per document and a summary; details of each document are in
# OUTDIR/<name>/report.txt. Exit code 0 when every document behaved as expected.
set -uo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SELF="$ROOT/scripts/$(basename "$0")"
QC="${QUILLCRAFT:-$ROOT/build/bin/quillcraft}"
TEMPLATE_QVX="$ROOT/examples/sample/SampleManual.qvx"

# Checks the local links of the HTML pages under a folder; prints one line per
# missing target ("page -> target") and nothing when all are present.
check_links() {
  python3 - "$1" <<'PY'
import html.parser, os, re, sys, urllib.parse
root = sys.argv[1]
cssurl = re.compile(r'''url\(\s*['"]?([^'")]+)['"]?\s*\)''', re.I)
class Refs(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.refs = []
    def handle_starttag(self, tag, attrs):
        for k, v in attrs:
            if k in ('src', 'href') and v is not None:
                self.refs.append(v)
            elif k == 'style' and v:
                self.refs += cssurl.findall(v)
def exists(base, ref):
    ref = ref.strip()
    if not ref or ref.startswith('#'):
        return True
    if re.match(r'^[a-zA-Z][a-zA-Z0-9+.-]*:', ref):   # http:, mailto:, javascript:, ms-its: ...
        return True
    ref = ref.split('#', 1)[0].split('?', 1)[0]
    if not ref:
        return True
    path = os.path.normpath(os.path.join(base, urllib.parse.unquote(ref.replace('\\', '/'))))
    return os.path.exists(path)
missing = set()
for d, _, files in os.walk(root):
    for f in files:
        low = f.lower()
        p = os.path.join(d, f)
        text = open(p, 'rb').read().decode('utf-8', 'replace')
        if low.endswith(('.hhc', '.hhk')):
            refs = re.findall(r'name="Local"\s+value="([^"]*)"', text, re.I)
        elif low.endswith('.css'):
            refs = cssurl.findall(text)
        elif low.endswith(('.htm', '.html')):
            parser = Refs()
            parser.feed(text)
            refs = parser.refs
        else:
            continue
        for ref in refs:
            if not exists(d, ref):
                missing.add('%s -> %s' % (os.path.relpath(p, root), ref))
for m in sorted(missing):
    print(m)
PY
}

# Writes the project file for one document: the sample project with its source
# replaced (UTF-16LE with a byte order mark, as the program writes it).
write_project() {
  local source_name="$1" out="$2"
  iconv -f UTF-16LE -t UTF-8 "$TEMPLATE_QVX" \
    | SOURCE_NAME="$source_name" awk '{ if (index($0, "SourceFile=") == 1) print "SourceFile=<Project_Folder>/" ENVIRON["SOURCE_NAME"] "\r"; else print }' \
    | sed -e '1s/^\xEF\xBB\xBF//' \
    | { printf '\xFF\xFE'; iconv -f UTF-8 -t UTF-16LE; } >"$out"
}

# Copies a .docx with a first-level heading put before its body, so that a
# document without headings is built (and its pictures, tables and fields
# checked) too.
add_heading() {
  python3 - "$1" "$2" <<'PY'
import re, sys, zipfile
src, dst = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, 'w', zipfile.ZIP_DEFLATED) as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if item.filename == 'word/document.xml':
            text = data.decode('utf-8')
            heading = ('<w:p><w:pPr><w:outlineLvl w:val="0"/></w:pPr>'
                       '<w:r><w:t>Added heading</w:t></w:r></w:p>')
            text = re.sub(r'(<w:body\b[^>]*>)', lambda m: m.group(1) + heading, text, count=1)
            data = text.encode('utf-8')
        zout.writestr(item, data)
PY
}

# Builds and checks one document; prints its result line.
check_one() {
  local doc="$1" outdir="$2" limit="$3"
  local name base expect dir started rc=0 verdict notes=()
  name="$(basename "$doc")"
  base="${name%.*}"
  expect=build
  [[ "$(basename "$(dirname "$doc")")" == docx-bad ]] && expect=refuse
  dir="$outdir/$(basename "$(dirname "$doc")")__$base"
  rm -rf "$dir"
  mkdir -p "$dir/project" "$dir/tmp" "$dir/config"
  mkdir -m 700 "$dir/runtime"
  if [[ -n "${HEADED:-}" && "$name" == *.docx && $expect == build ]]; then
    add_heading "$doc" "$dir/project/$name" 2>/dev/null || cp "$doc" "$dir/project/$name"
  else
    cp "$doc" "$dir/project/$name"
  fi
  # A writer's document may be written; a read-only one is refused by design.
  chmod u+w "$dir/project/$name"
  write_project "$name" "$dir/project/$base.qvx"
  local sums_before sums_after
  sums_before="$(cd "$dir/project" && sha256sum "$name" "$base.qvx")"
  started=$(date +%s)
  ( cd "$dir/project" && env TMPDIR="$dir/tmp" XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir/runtime" QT_QPA_PLATFORM=offscreen \
      timeout -k 10 "$limit" "$QC" "$base.qvx" /bs >"$dir/stdout.txt" 2>"$dir/stderr.txt" ) || rc=$?
  local seconds=$(( $(date +%s) - started ))
  local report="$dir/report.txt"
  {
    echo "document: $doc"
    echo "exit code: $rc  (${seconds}s)"
    echo "--- log"
    cat "$dir/project/$base.log" 2>/dev/null || echo "(no log)"
    echo "--- stderr"
    cat "$dir/stderr.txt"
  } >"$report"

  # The log's message: what follows the "Project:" line, without blank lines.
  local message=""
  if [[ -f "$dir/project/$base.log" ]]; then
    message="$(tr -d '\r\000' <"$dir/project/$base.log" | sed -e '1,/^Project:/d' | grep -v '^[[:space:]]*$' | head -3 | tr '\n' ' ')"
  fi

  sums_after="$(cd "$dir/project" && sha256sum "$name" "$base.qvx" 2>&1)"
  [[ "$sums_before" == "$sums_after" ]] || notes+=("SOURCE-OR-PROJECT-CHANGED")
  local leftovers
  leftovers="$(cd "$dir/project" && find . -name '~*' -o -name '*.tmp' | head -5 | tr '\n' ' ')"
  [[ -z "$leftovers" ]] || notes+=("left-beside-source: $leftovers")
  # The per-user folder itself may stay; whatever is in it or beside it is left over.
  leftovers="$(cd "$dir/tmp" && find . -mindepth 1 ! -regex './quillcraft-[0-9]+' | head -5 | tr '\n' ' ')"
  [[ -z "$leftovers" ]] || notes+=("left-in-temp: $leftovers")

  # Notes the missing files of one output and lists them in the report.
  note_missing() {
    [[ -z "$2" ]] && return
    notes+=("$1-missing-files: $(wc -l <<<"$2")")
    { echo "--- $1 missing"; echo "$2"; } >>"$report"
  }
  local outputs=""
  if [[ $rc -eq 0 ]]; then
    local chm="$dir/project/HTML help/help.chm"
    if [[ ! -s "$chm" ]]; then
      notes+=("no-chm")
    elif ! enum_chmLib "$chm" >"$dir/chm-list.txt" 2>&1; then
      notes+=("chm-does-not-open")
    else
      rm -rf "$dir/chm"
      extract_chmLib "$chm" "$dir/chm" >/dev/null 2>&1
      local pages
      pages=$(find "$dir/chm" -iname '*.htm*' | wc -l)
      outputs+="chm=${pages}p "
      note_missing chm "$(check_links "$dir/chm")"
    fi
    local web="$dir/project/WebHelp"
    if [[ ! -s "$web/index.html" ]]; then
      notes+=("no-webhelp-index")
    else
      local pages
      pages=$(find "$web/pages" -maxdepth 1 -iname '*.htm*' 2>/dev/null | wc -l)
      outputs+="web=${pages}p "
      [[ "$pages" -gt 0 ]] || grep -qE "has no headings|has text of its own" "$dir/stderr.txt" || notes+=("webhelp-no-pages")
      note_missing webhelp "$(check_links "$web")"
    fi
    local pdf="$dir/project/PDF/help.pdf"
    if [[ ! -s "$pdf" ]]; then
      notes+=("no-pdf")
    elif ! pdfinfo "$pdf" >"$dir/pdfinfo.txt" 2>&1; then
      notes+=("pdf-does-not-open")
    else
      outputs+="pdf=$(awk '/^Pages:/{print $2}' "$dir/pdfinfo.txt")p "
    fi
  fi

  grep -q "has no headings" "$dir/stderr.txt" && outputs+="no-headings "
  if [[ $rc -eq 124 || $rc -eq 137 ]]; then
    verdict=HUNG
  elif [[ $rc -gt 128 ]]; then
    verdict=CRASHED
  elif [[ $rc -eq 0 && ${#notes[@]} -eq 0 && $expect == build ]]; then
    verdict=BUILT
  elif [[ $rc -ne 0 && ${#notes[@]} -eq 0 && -n "$message" ]]; then
    verdict=FAILED-CLEANLY
    [[ $expect == refuse && $rc -ne 100 ]] && { verdict=PROBLEM; notes+=("expected exit code 100"); }
    # A document to build may only be refused when LibreOffice cannot open
    # it (or it is empty or protected by a password), and the log says so.
    [[ $expect == build && "$message" != *LibreOffice* && "$message" != *"is empty"* \
       && "$message" != *password* ]] && verdict=FAILED-UNEXPECTEDLY
  else
    verdict=PROBLEM
    [[ $rc -ne 0 && -z "$message" ]] && notes+=("no-message-in-log")
    [[ $rc -eq 0 && $expect == refuse ]] && notes+=("built-a-document-that-should-be-refused")
  fi
  echo "--- verdict: $verdict ${notes[*]}" >>"$report"
  printf '%-19s %-60s rc=%-3s %4ss %s%s | %s\n' "$verdict" "$(basename "$(dirname "$doc")")/$name" "$rc" "$seconds" \
    "$outputs" "${notes[*]:+[${notes[*]}]}" "${message:0:160}"
}

if [[ "${1:-}" == --one ]]; then
  shift
  check_one "$@"
  exit 0
fi

jobs=4
limit=300
outdir="$ROOT/build/corpus-check"
while getopts "j:t:o:Hh" opt; do
  case $opt in
    j) jobs="$OPTARG" ;;
    H) export HEADED=1 ;;
    t) limit="$OPTARG" ;;
    o) outdir="$OPTARG" ;;
    *) sed -n '2,23p' "$SELF"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [[ $# -eq 0 ]]; then
  corpus="$ROOT/../shared/corpus"
  [[ -d "$corpus" ]] || { echo "No corpus at $corpus; name the documents or folders to check." >&2; exit 2; }
  set -- "$corpus/docx" "$corpus/docx-bad" "$corpus/doc"
fi
[[ -x "$QC" ]] || { echo "No program at $QC: run scripts/build.sh first." >&2; exit 2; }
mkdir -p "$outdir"
outdir="$(cd "$outdir" && pwd)"

list="$outdir/documents.txt"
: >"$list"
for arg in "$@"; do
  if [[ -d "$arg" ]]; then
    find "$(cd "$arg" && pwd)" -maxdepth 1 -type f \( -iname '*.docx' -o -iname '*.doc' \) | sort >>"$list"
  else
    echo "$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg")" >>"$list"
  fi
done

results="$outdir/results.txt"
tr '\n' '\0' <"$list" \
  | xargs -0 -P "$jobs" -I{} bash "$SELF" --one {} "$outdir" "$limit" \
  | tee "$results"

echo
echo "Summary ($(wc -l <"$list") documents; details in $outdir/<folder>__<name>/report.txt):"
for v in BUILT FAILED-CLEANLY FAILED-UNEXPECTEDLY PROBLEM CRASHED HUNG; do
  printf '  %-20s %s\n' "$v" "$(grep -c "^$v " "$results")"
done
! grep -qE '^(FAILED-UNEXPECTEDLY|PROBLEM|CRASHED|HUNG) ' "$results"
