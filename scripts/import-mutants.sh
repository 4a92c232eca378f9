#!/usr/bin/env bash
# Runs damaged help files through the whole import under AddressSanitizer and
# UndefinedBehaviorSanitizer, and checks that each one gives a document or a
# clear message: never a crash, a hang or a file left behind.
#
#   bash scripts/import-mutants.sh [COUNT [SEED]]
#
# Builds import_bench and qc_chmunpack with the sanitizers in build-asan/,
# compiles small help files with the structural damage (missing contents file,
# entries pointing at missing or outside pages, pages linking to themselves,
# in a circle or in a deep chain) with chmcmd, makes COUNT mutants from them
# and from the seed help files (deterministic from SEED: truncations, changed
# bytes, byte runs copied over, changed header numbers, and contents files,
# indexes and pages damaged as text and compiled again), and imports each in
# a fresh scratch folder with TMPDIR inside it, at most JOBS (4) at once.
#
# Outcomes: document, message (non-zero exit with a message naming the file),
# crash (sanitizer report or signal, in the import or in our own code of the
# unpacking helper), hang (time limit), stray (a file left in the scratch
# folder besides the input and the target, the import's work folder not
# removed, or a file written or read outside). A crash of libchm inside the
# helper is absorbed by design; it counts as a message when the import said
# so. Failing inputs are kept in build-asan/mutants/failures/ with their logs.
# Exit code 1 when any run crashed, hung or left a stray file.
set -euo pipefail
# The whole script is read before it runs, so that editing it meanwhile does
# not change a run under way.
{

COUNT=${1:-3000}
SEED=${2:-1}
JOBS=${JOBS:-4}
LIMIT=${LIMIT:-150}

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
B="$ROOT/build-asan"
M="$B/mutants"

command -v chmcmd >/dev/null || { echo "chmcmd is not installed (scripts/setup.sh installs it)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 is needed to make the mutants" >&2; exit 2; }

# --- build -------------------------------------------------------------------
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$ROOT")}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
san="-fsanitize=address,undefined -fno-omit-frame-pointer"
cmake -S "$ROOT" -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  "-DCMAKE_CXX_FLAGS=$san" "-DCMAKE_C_FLAGS=$san" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
  -DQC_BUILD_TESTS=OFF >/dev/null
cmake --build "$B" --parallel "$JOBS" --target import_bench qc_chmunpack qc_data

# --- mutants -----------------------------------------------------------------
rm -rf "$M/inputs" "$M/runs" "$M/results" "$M/failures" "$M/structural"
mkdir -p "$M/inputs" "$M/runs" "$M/results" "$M/failures" "$M/structural"

seeds=("$ROOT"/tests/fuzz/chm_seeds/*)
if [ -d "$ROOT/../shared/corpus/chm" ]; then
  seeds+=("$ROOT"/../shared/corpus/chm/*.chm)
fi

python3 - "$M" "$COUNT" "$SEED" "${seeds[@]}" <<'PY'
import os, random, subprocess, sys

M, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
seed_files = sys.argv[4:]
rng = random.Random(seed)
CANARY = "qc-outside-canary.htm"


def page(title, body):
    return f"<html><head><title>{title}</title></head><body>\n<h1>{title}</h1>\n{body}\n</body></html>\n"


def sitemap(entries):
    """entries: (depth, name, local or None)"""
    out, depth = ["<HTML><BODY>"], -1
    for d, name, local in entries:
        while depth < d:
            out.append("<UL>"); depth += 1
        while depth > d:
            out.append("</UL>"); depth -= 1
        item = f'<LI><OBJECT type="text/sitemap"><param name="Name" value="{name}">'
        if local is not None:
            item += f'<param name="Local" value="{local}">'
        out.append(item + "</OBJECT>")
    while depth >= 0:
        out.append("</UL>"); depth -= 1
    return "\n".join(out + ["</BODY></HTML>", ""])


# Paths that leave the work folder: climbing, absolute, drive and UNC names,
# encoded dots and schemes. The canary lies one level above each scratch
# folder's ancestors the climbs reach; its text must never reach a document.
def outside_paths(r):
    paths = ["../" * k + CANARY for k in range(1, 10)]
    paths += ["/etc/hostname", "/" + CANARY, "C:\\Windows\\win.ini", "\\\\server\\share\\a.htm",
              "..\\..\\..\\..\\..\\" + CANARY, "sub/../../../../../../" + CANARY, "%2e%2e/%2e%2e/" + CANARY,
              "file:///etc/passwd", "ms-its:other.chm::/../../" + CANARY, "mk:@MSITStore:x.chm::/a.htm",
              "./././a.htm", "a.htm/../../../../../../" + CANARY, "//" + CANARY]
    r.shuffle(paths)
    return paths[: r.randint(4, len(paths))]


def structural(case, r):
    """The files of a small project for one kind of damage."""
    files = {}
    n = r.randint(2, 6)
    names = [f"p{i}.htm" for i in range(n)]
    for i, name in enumerate(names):
        files[name] = page(f"Page {i}", f"<p>Text of page {i} for the import.</p>")
    toc = [(0, f"Page {i}", name) for i, name in enumerate(names)]
    if case == "no-contents":
        return files, None, None
    if case == "empty-contents":
        return files, "<HTML><BODY></BODY></HTML>\n", None
    if case == "missing-pages":
        toc += [(r.randint(0, 1), "Gone", "missing.htm"), (0, "Gone below", "sub/none.htm"),
                (0, "Anchor only", "#nowhere"), (0, "Empty", ""), (0, "No page", None)]
        r.shuffle(toc)
        toc[0] = (0,) + toc[0][1:]
    elif case == "outside-pages":
        for k, p in enumerate(outside_paths(r)):
            toc.insert(r.randint(0, len(toc)), (0, f"Outside {k}", p))
        files["p0.htm"] = page("Page 0", "".join(f'<p><a href="{p}">away {k}</a> <img src="{p}"></p>'
                                                for k, p in enumerate(outside_paths(r))))
    elif case == "self-link":
        files["p0.htm"] = page("Page 0", '<p><a href="p0.htm">me</a> <a href="#top">top</a> '
                                         '<a href="P0.HTM#x">again</a> <a name="x"></a></p>')
        toc.append((1, "Me again", "p0.htm#x"))
    elif case == "circle":
        for i, name in enumerate(names):
            files[name] = page(f"Page {i}", f'<p>On to <a href="{names[(i + 1) % n]}">the next</a>.</p>')
        toc = toc[:1]  # the rest is reached through the links only
    elif case == "deep-chain":
        depth = r.randint(200, 1500)
        names = [f"c{i}.htm" for i in range(depth)]
        files = {name: page(f"Chain {i}", f'<p>Step {i}, <a href="{names[(i + 1) % depth]}">next</a>.</p>')
                 for i, name in enumerate(names)}
        toc = [(0, "Start", names[0])]
    elif case == "deep-levels":
        depth = r.randint(20, 300)
        toc = [(min(i, depth), f"Level {i}", names[i % n]) for i in range(depth)]
    elif case == "outside-default":
        pass  # the default topic is set in the project
    hhk = None
    if case in ("outside-pages", "missing-pages"):
        hhk = sitemap([(0, "away", outside_paths(r)[0]), (1, "gone", "missing.htm"), (0, "here", names[0])])
    return files, sitemap(toc), hhk


CASES = ["no-contents", "empty-contents", "missing-pages", "outside-pages", "self-link", "circle",
         "deep-chain", "deep-levels", "outside-default"]
def compile_project(folder, sources):
    """Compiles the sources (name -> bytes) with chmcmd in folder; the help
    file's bytes, or None when chmcmd refused them."""
    os.makedirs(folder)
    for name, data in sources.items():
        open(os.path.join(folder, name), "wb").write(data)
    subprocess.run(["chmcmd", "--no-html-scan", "project.hhp"], cwd=folder, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    chm = os.path.join(folder, "help.chm")
    if not os.path.isfile(chm):
        return None
    # chmcmd stamps the time in the file header and the first system record:
    # a fixed stamp keeps the mutants the same from run to run (the cases with
    # an index still differ a little, since the index is compressed with it).
    data = bytearray(open(chm, "rb").read())
    data[0x10:0x14] = b"\x00\x00\x00\x5f"
    at = data.find(b"\x03\x00\x00\x00\x0a\x00\x04\x00")
    if at >= 0:
        data[at + 8:at + 12] = b"\x00\x00\x00\x5f"
    return bytes(data)


projects = []  # (case, sources)
compiled = []  # (case, help file bytes)
for k in range(len(CASES) * 3):
    case = CASES[k % len(CASES)]
    r = random.Random(seed * 7919 + k)
    files, hhc, hhk = structural(case, r)
    hhp = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=help.chm", "Title=Damaged " + case]
    default = next(iter(files))
    if case == "outside-default":
        default = r.choice(["../../../../../" + CANARY, "/etc/hostname", "..\\..\\x.htm"])
    hhp.append("Default topic=" + default)
    sources = {name: text.encode() for name, text in files.items()}
    if hhc is not None:
        sources["toc.hhc"] = hhc.encode()
        hhp.append("Contents file=toc.hhc")
    if hhk is not None:
        sources["index.hhk"] = hhk.encode()
        hhp.append("Index file=index.hhk")
    hhp += ["", "[FILES]"] + list(files)
    sources["project.hhp"] = ("\n".join(hhp) + "\n").encode()
    data = compile_project(os.path.join(M, "structural", f"{k:02d}-{case}"), sources)
    if data is None:
        sys.exit(f"chmcmd did not compile the {case} case in {M}/structural")
    projects.append((case, sources))
    compiled.append((case, data))

# Pieces that damaged contents files and pages are made of.
TOKENS = [b"<UL>", b"</UL>", b"<LI>", b"</LI>", b'<OBJECT type="text/sitemap">', b"</OBJECT>",
          b'<param name="Local" value="', b'<param name="Name" value="', b'<param name="Keyword" value="',
          b'<param name="See Also" value="', b'<param name="ImageNumber" value="', b'"', b">", b"<", b"&#",
          b"&#x110000;", b"&#0;", b"&amp", b"\x00", b"\xff\xfe", b"\xc3", b"\xed\xa0\x80", b"../", b"#", b"%",
          b"::", b'<a href="', b'<a name="', b'<img src="', b"<![CDATA[", b"<!--", b"<script>", b"<table>",
          b"<td>", b"<h1>", b'<meta http-equiv="Content-Type" content="text/html; charset=', b"A" * 5000,
          b"<UL>" * 200, b"<LI>" * 200, b'<a href="#">' * 100]


def mutate_text(text, r):
    text = bytearray(text)
    for _ in range(r.randint(1, 8)):
        at = r.randrange(len(text) + 1)
        op = r.randrange(4)
        if op == 0 and text:
            del text[at:at + r.randint(1, 64)]
        elif op == 1 and text:
            n = r.randint(1, 200)
            src = r.randrange(len(text))
            text[at:at] = text[src:src + n] * r.randint(1, 20)
        else:
            text[at:at] = r.choice(TOKENS)
    return bytes(text)


blobs = [(os.path.basename(f).rsplit(".", 1)[0], open(f, "rb").read()) for f in seed_files]
blobs += compiled

# The undamaged structural cases themselves come first.
made = 0
manifest = []
for case, data in compiled:
    if made >= count:
        break
    open(os.path.join(M, "inputs", f"{made:05d}-{case}.chm"), "wb").write(data)
    manifest.append(f"{made:05d}-{case}\tstructural {case}")
    made += 1

NUMBERS = [0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF]
while made < count:
    r = random.Random(seed * 1000003 + made)
    if r.random() < 0.35:
        # A damaged contents file, index or page, compiled as it stands.
        case, sources = r.choice(projects)
        sources = dict(sources)
        sitemaps = [n for n in sources if n.endswith((".hhc", ".hhk"))]
        pages = [n for n in sources if n.endswith(".htm")]
        victim = r.choice(sitemaps if sitemaps and r.random() < 0.6 else pages)
        sources[victim] = mutate_text(sources[victim], r)
        data = compile_project(os.path.join(M, "structural", f"{made:05d}"), sources)
        if data is not None:
            stem = f"{made:05d}-{case}-text-{victim.replace('.', '_')}"
            open(os.path.join(M, "inputs", stem + ".chm"), "wb").write(data)
            manifest.append(f"{stem}\tdamaged text {case}")
            made += 1
            continue
    name, data = r.choice(blobs)
    data = bytearray(data)
    ops = []
    for _ in range(r.choice([1, 1, 1, 2, 3])):
        op = r.choice(["truncate", "bytes", "bytes", "run", "number", "number"])
        if not data:
            break
        if op == "truncate":
            data = data[: r.randrange(len(data))]
        elif op == "bytes":
            for _ in range(r.randint(1, 16)):
                data[r.randrange(len(data))] = r.randrange(256)
        elif op == "run":
            n = r.randint(1, min(512, len(data)))
            src, dst = r.randrange(len(data) - n + 1), r.randrange(len(data) - n + 1)
            data[dst:dst + n] = data[src:src + n]
        elif op == "number":
            # Header fields: offsets, lengths and counts in the first pages.
            at = r.randrange(min(len(data), 0x1000)) & ~3
            v = r.choice(NUMBERS)
            data[at:at + 4] = v.to_bytes(4, "little")[: len(data) - at]
        ops.append(op)
    stem = f"{made:05d}-{name}-{'+'.join(ops) or 'none'}"
    open(os.path.join(M, "inputs", stem + ".chm"), "wb").write(bytes(data))
    manifest.append(f"{stem}\tmutated {name}")
    made += 1
open(os.path.join(M, "inputs.tsv"), "w").write("\n".join(manifest) + "\n")
PY

# Canaries where climbing paths from a work folder would land: their text must
# not reach a document, and nothing of that name may be written beside them.
canary_dirs=("$M/runs" "$M" "$B" /tmp)
for d in "${canary_dirs[@]}"; do
  [ -e "$d/qc-outside-canary.htm" ] || echo "<html><body><p>QCOUTSIDECANARY read from outside</p></body></html>" \
    >"$d/qc-outside-canary.htm"
done

# --- one run -----------------------------------------------------------------
run_one() {
  local input=$1
  local name
  name=$(basename "$input" .chm)
  local s="$M/runs/$name"
  mkdir -p "$s/tmp" "$s/out"
  cp "$input" "$s/help.chm"
  local rc=0
  ( cd "$s" && TMPDIR="$s/tmp" QT_QPA_PLATFORM=offscreen \
      ASAN_OPTIONS="abort_on_error=1:detect_leaks=0:log_path=$s.san" \
      UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$s.san" \
      timeout -k 10 "$LIMIT" "$B/bin/import_bench" "$s/help.chm" "$s/out/help.docx" >"$s.out" 2>"$s.err" ) || rc=$?
  local outcome detail=""
  # Our own crashes: any report from the import, and reports from the
  # helper whose first frame of ours is not inside libchm.
  local ours="" log first
  for log in "$s".san.*; do
    [ -e "$log" ] || continue
    first=$(grep -E '^ +#[0-9]+ ' "$log" | grep -v -E 'libasan|libubsan|libc\.so|interceptor|__sanitizer' | head -1 || true)
    grep -q 'libchm' <<<"$first" || ours+="$(basename "$log") "
  done
  local stray
  stray=$(cd "$s" && find . -mindepth 1 | grep -v -x -E '\./(help\.chm|out|out/help\.docx|tmp|tmp/quillcraft-[0-9]+)' \
            | head -20 | tr '\n' ' ' || true)
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    outcome=hang
  elif [ -n "$ours" ] || [ $rc -gt 128 ] || grep -q -E 'AddressSanitizer|runtime error:|LeakSanitizer' "$s.err"; then
    outcome=crash; detail="exit $rc ${ours}"
  elif [ -n "$stray" ]; then
    outcome=stray; detail="$stray"
  elif [ $rc -eq 0 ] && [ -s "$s/out/help.docx" ]; then
    if unzip -p "$s/out/help.docx" word/document.xml 2>/dev/null | grep -q QCOUTSIDECANARY; then
      outcome=stray; detail="the document holds the text of a page outside the work folder"
    else
      outcome=document
    fi
  elif [ $rc -ne 0 ] && grep -q "help.chm" "$s.err"; then
    outcome=message
  else
    outcome=unclear; detail="exit $rc, stderr: $(head -c 300 "$s.err" | tr '\n' ' ')"
  fi
  if [ "$outcome" = crash ] || [ "$outcome" = hang ] || [ "$outcome" = stray ] || [ "$outcome" = unclear ]; then
    mkdir -p "$M/failures/$outcome"
    cp "$input" "$M/failures/$outcome/"
    cat "$s.err" "$s".san.* >"$M/failures/$outcome/$name.log" 2>/dev/null || true
  fi
  echo "$name $outcome $detail" >"$M/results/$name"
  rm -rf "$s" "$s.out" "$s.err" "$s".san.*
}
export -f run_one
export M B LIMIT

find "$M/inputs" -name '*.chm' -print0 | sort -z | xargs -0 -P "$JOBS" -n 1 bash -c 'run_one "$1"' _

# Anything written beside the canaries is a file written outside.
outside=""
for d in "${canary_dirs[@]}"; do
  found=$(find "$d" -maxdepth 1 -newer "$M/inputs" -name 'qc-outside-canary*' ! -name 'qc-outside-canary.htm' 2>/dev/null || true)
  [ -n "$found" ] && outside+="$found "
done

for d in "${canary_dirs[@]}"; do rm -f "$d/qc-outside-canary.htm"; done

# --- summary -----------------------------------------------------------------
echo
echo "help files run: $(ls "$M/results" | wc -l) (seed $SEED)"
printf '%-10s %6s\n' outcome runs
for o in document message crash hang stray unclear; do
  printf '%-10s %6d\n' "$o" "$(cat "$M"/results/* | awk -v o="$o" '$2 == o' | wc -l)"
done
echo
echo "by kind of input:"
printf '  %-34s %6s %8s %8s\n' input document message failed
cat "$M"/results/* | awk -F'\t' 'NR == FNR { kind[$1] = $2; next }
  { split($0, f, " "); k = kind[f[1]]; t[k]++; if (f[2] == "document") d[k]++; else if (f[2] == "message") m[k]++; else x[k]++ }
  END { for (k in t) printf "  %-34s %6d %8d %8d\n", k, d[k], m[k], x[k] }' "$M/inputs.tsv" - | sort
bad=$(cat "$M"/results/* | awk '$2 != "document" && $2 != "message"' || true)
if [ -n "$outside" ]; then
  echo "files written outside: $outside"
fi
if [ -n "$bad" ] || [ -n "$outside" ]; then
  echo
  echo "failures (inputs and logs in $M/failures/):"
  echo "$bad" | head -40
  exit 1
fi
echo "all runs gave a document or a clear message"
exit 0
}
