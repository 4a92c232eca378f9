#!/usr/bin/env python3
"""Compiles a large help file for the import benchmark from the HTML reference
of Debian's fp-docs package (run-time library, class library and resource
units, about 16,000 pages; past that the run-time library is taken again as a
second copy in "rtl-copy", so up to about 26,000 pages).
    bench/make_fpdocs_chm.py OUT_FOLDER [MAX_PAGES] [--contents-every N] [--no-index]
The contents hold a book per unit folder and, below it, every Nth page of the
unit (N 7 by default: 20,000 pages give about 3,000 contents entries); the other
pages are reached through links and the index. The index holds two keywords
per page, its title and its title nested under the unit's name, and a third
for a member page ("TList.Add"): the member's own name.
Writes OUT_FOLDER/fpref.chm (needs chmcmd)."""
import argparse, html, os, re, shutil, subprocess

DOCS = "/usr/share/doc/fp-docs/3.2.2"
ap = argparse.ArgumentParser()
ap.add_argument("out")
ap.add_argument("pages", nargs="?", type=int, default=10000)
ap.add_argument("--contents-every", type=int, default=7)
ap.add_argument("--no-index", action="store_true")
args = ap.parse_args()
out = os.path.abspath(args.out)
os.makedirs(out, exist_ok=True)


def walk(top):
    found = []
    for folder, dirs, files in sorted(os.walk(os.path.join(DOCS, top))):
        dirs.sort()
        found += [os.path.relpath(os.path.join(folder, f), DOCS) for f in sorted(files) if f.endswith(".html")]
    return found


# (source below DOCS, name in the help file)
pages = [(rel, rel) for top in ("rtl", "fcl", "fclres") for rel in walk(top)]
pages += [(rel, "rtl-copy" + rel[3:]) for rel in walk("rtl")]
pages = pages[:args.pages]

title_re = re.compile(rb"<title>(.*?)</title>", re.I | re.S)
def title(src):
    with open(os.path.join(DOCS, src), "rb") as fh:
        m = title_re.search(fh.read(4096))
    t = m.group(1).decode("utf-8", "replace").strip() if m else src
    return " ".join(html.unescape(t).split()) or src

def attr(text):
    return html.escape(text, quote=True)

# Copy the pages and what they show (pictures, style sheets).
for src, name in pages:
    dst = os.path.join(out, name)
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    shutil.copyfile(os.path.join(DOCS, src), dst)
extra = []
for folder in ("pics", "buttons"):
    src = os.path.join(DOCS, folder)
    if os.path.isdir(src):
        shutil.copytree(src, os.path.join(out, folder), dirs_exist_ok=True)
        extra += [os.path.join(folder, f) for f in sorted(os.listdir(src))]
for top in sorted({name.split("/")[0] for _, name in pages}):
    css = os.path.join(DOCS, top.replace("rtl-copy", "rtl"), "fpdoc.css")
    if os.path.exists(css):
        shutil.copyfile(css, os.path.join(out, top, "fpdoc.css"))
        extra.append(os.path.join(top, "fpdoc.css"))

def entry(name, local=None):
    s = '<LI><OBJECT type="text/sitemap"><param name="Name" value="%s">' % attr(name)
    if local:
        s += '<param name="Local" value="%s">' % attr(local)
    return s + "</OBJECT>"

def by_unit(step):
    """Each unit folder as an entry without page, every step-th of its pages
    nested below it; gives the lines and the number of pages listed."""
    lines, listed = [], 0
    for unit, members in units.items():
        lines.append(entry(unit) + "<UL>")
        for k, (src, name) in enumerate(members):
            if k % step == 0:
                lines.append(entry(title(src), name))
                listed += 1
        lines.append("</UL>")
    return lines, listed

# Contents: one book per unit folder, every Nth page of the unit below it.
units = {}
for src, name in pages:
    units.setdefault(os.path.dirname(name), []).append((src, name))
books, listed = by_unit(args.contents_every)
entries = len(units) + listed
with open(os.path.join(out, "fpref.hhc"), "w", encoding="utf-8") as fh:
    fh.write("\n".join(["<HTML><BODY><UL>"] + books + ["</UL></BODY></HTML>"]))

keywords = 0
if not args.no_index:
    hhk = ["<HTML><BODY><UL>"]
    for src, name in pages:
        t = title(src)
        hhk.append(entry(t, name))
        keywords += 1
        if "." in t.strip("."):
            # A member ("TList.Add") is found by its own name too.
            hhk.append(entry(t.rsplit(".", 1)[1], name))
            keywords += 1
    nested, listed = by_unit(1)
    hhk += nested
    keywords += listed
    hhk.append("</UL></BODY></HTML>")
    with open(os.path.join(out, "fpref.hhk"), "w", encoding="utf-8") as fh:
        fh.write("\n".join(hhk))

with open(os.path.join(out, "fpref.hhp"), "w", encoding="utf-8") as fh:
    fh.write("[OPTIONS]\nCompiled file=fpref.chm\nContents file=fpref.hhc\n%sDefault topic=%s\n"
             "Language=0x0409 English\nTitle=FP reference\n\n[FILES]\n"
             % ("" if args.no_index else "Index file=fpref.hhk\n", pages[0][1]))
    fh.write("\n".join([name for _, name in pages] + extra) + "\n")
subprocess.run(["chmcmd", "fpref.hhp"], cwd=out, check=True, stdout=subprocess.DEVNULL)
print(os.path.join(out, "fpref.chm"), len(pages), "pages,", entries, "contents entries,", keywords, "index keywords")
