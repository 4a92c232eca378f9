#!/usr/bin/env python3
"""Compiles a large help file for the import benchmark: the HTML reference of
Debian's fp-docs package (run-time library and class library units), about
10,000 pages, with a contents entry per page, nested by unit folder.
    bench/make_fpdocs_chm.py OUT_FOLDER [MAX_PAGES]
Writes OUT_FOLDER/fpref.chm (needs chmcmd)."""
import html, os, re, shutil, subprocess, sys

DOCS = "/usr/share/doc/fp-docs/3.2.2"
out = os.path.abspath(sys.argv[1])
limit = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
os.makedirs(out, exist_ok=True)

pages = []
for top in ("rtl", "fcl"):
    for folder, dirs, files in sorted(os.walk(os.path.join(DOCS, top))):
        dirs.sort()
        for f in sorted(files):
            if f.endswith(".html"):
                pages.append(os.path.relpath(os.path.join(folder, f), DOCS))
pages = pages[:limit]

title_re = re.compile(rb"<title>(.*?)</title>", re.I | re.S)
def title(rel):
    with open(os.path.join(DOCS, rel), "rb") as fh:
        m = title_re.search(fh.read(4096))
    t = m.group(1).decode("utf-8", "replace").strip() if m else rel
    return html.escape(html.unescape(" ".join(t.split())), quote=True) or rel

# Copy the pages and what they show (pictures, style sheets).
for rel in pages:
    dst = os.path.join(out, rel)
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    shutil.copyfile(os.path.join(DOCS, rel), dst)
extra = []
for folder in ("pics", "buttons"):
    src = os.path.join(DOCS, folder)
    if os.path.isdir(src):
        shutil.copytree(src, os.path.join(out, folder), dirs_exist_ok=True)
        extra += [os.path.join(folder, f) for f in sorted(os.listdir(src))]
for top in ("rtl", "fcl"):
    p = os.path.join(DOCS, top, "fpdoc.css")
    if os.path.exists(p):
        os.makedirs(os.path.join(out, top), exist_ok=True)
        shutil.copyfile(p, os.path.join(out, top, "fpdoc.css"))
        extra.append(os.path.join(top, "fpdoc.css"))

# Contents: one book per unit folder (its index page), its pages below.
hhc = ["<HTML><BODY><UL>"]
current = None
for rel in pages:
    unit = os.path.dirname(rel)
    if unit != current:
        if current is not None:
            hhc.append("</UL>")
        current = unit
        hhc.append('<LI><OBJECT type="text/sitemap"><param name="Name" value="%s"></OBJECT><UL>' % unit)
    hhc.append('<LI><OBJECT type="text/sitemap"><param name="Name" value="%s"><param name="Local" value="%s"></OBJECT>'
               % (title(rel), rel))
hhc.append("</UL></UL></BODY></HTML>")
with open(os.path.join(out, "fpref.hhc"), "w", encoding="utf-8") as fh:
    fh.write("\n".join(hhc))
with open(os.path.join(out, "fpref.hhp"), "w", encoding="utf-8") as fh:
    fh.write("[OPTIONS]\nCompiled file=fpref.chm\nContents file=fpref.hhc\nDefault topic=%s\n"
             "Language=0x0409 English\nTitle=FP reference\n\n[FILES]\n" % pages[0])
    fh.write("\n".join(pages + extra) + "\n")
subprocess.run(["chmcmd", "fpref.hhp"], cwd=out, check=True, stdout=subprocess.DEVNULL)
print(os.path.join(out, "fpref.chm"), len(pages), "pages")
