#!/usr/bin/env python3
"""How the build scales with the document's size.

    bench/scaling.py [SIZES...]   (default 100 200 400 800 1600 chapters)

For each size it generates a manual (bench/make_large_docx.py) and measures,
in one run: the engine alone (filtered HTML, build/bin/engine_bench), the
topic conversion (engine_bench --topics), LibreOffice's bare
"--convert-to html" of the same file, the silent batch build
(build/bin/quillcraft PROJECT /bs) with each output alone and with all three,
its peak memory, and the two outside programs the build runs: the HTML Help
compiler (build/bin/qc_chmc) on the build's own project set and
LibreOffice's PDF export with the build's options. It prints the times, the times per chapter, and the ratios the
build is judged by:
  LO/engine   LibreOffice's bare HTML conversion over the engine's time
  all/slowest the whole build with all three outputs over the slowest
              outside program (the HTML Help compiler or LibreOffice's PDF export)
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, "build", "bin")
SAMPLE = os.path.join(ROOT, "examples", "sample", "SampleManual.qvx")
# The PDF export as the build asks LibreOffice for it: bookmarks from the
# headings, which cost LibreOffice more the more headings there are.
PDF_EXPORT = ('pdf:writer_pdf_Export:{"ExportBookmarks":{"type":"boolean","value":"true"},'
              '"ExportLinksRelativeFsys":{"type":"boolean","value":"true"}}')


def run(args, cwd=None, env=None):
    """Runs a program; gives (seconds, peak resident KiB of it and its waited children).
    Each time is also printed to stderr as it is taken, for long runs."""
    start = time.monotonic()
    proc = subprocess.Popen(args, cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        raise SystemExit(f"{args[0]} failed ({proc.returncode}): {err[-2000:]}")
    print(f"{seconds:9.2f}s  {' '.join(os.path.basename(a) for a in args[:4])}", file=sys.stderr, flush=True)
    return seconds, usage.ru_maxrss


def write_project(path, docx, outputs, keep_project_set):
    """A project for docx from the sample project's settings, building the given outputs."""
    text = open(SAMPLE, "rb").read().decode("utf-16")
    values = {
        "SourceFile": docx,
        "HtmlHelpOutput": "1" if "chm" in outputs else "0",
        "WebHelpOutput": "1" if "web" in outputs else "0",
        "PDFOutput": "1" if "pdf" in outputs else "0",
        "HtmlHelpOutputContext": "0",
        "OutputHHP": "1" if keep_project_set else "0",
    }
    lines = []
    for line in text.split("\r\n"):
        key = line.split("=", 1)[0]
        if "=" in line and key in values:
            line = key + "=" + values[key]
        lines.append(line)
    with open(path, "wb") as f:
        f.write("\r\n".join(lines).encode("utf-16"))


def main():
    sizes = [int(a) for a in sys.argv[1:]] or [100, 200, 400, 800, 1600]
    for program in ("engine_bench", "quillcraft"):
        if not os.access(os.path.join(BIN, program), os.X_OK):
            raise SystemExit(f"build first: {os.path.join(BIN, program)} is missing")
    work = tempfile.mkdtemp(prefix="qc-scaling-")
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    env["HOME"] = os.path.join(work, "home")  # the build's own LibreOffice profile lives here
    env["XDG_CONFIG_HOME"] = os.path.join(work, "home", ".config")
    os.makedirs(env["XDG_CONFIG_HOME"])
    lo_profile = "file://" + os.path.join(work, "lo-profile")
    lo = ["soffice", "--headless", "--norestore", "-env:UserInstallation=" + lo_profile]
    rows = []
    try:
        # LibreOffice's first run with a profile makes it: the bare runs' and
        # the build's profiles are made on the small example first, untimed.
        warm = os.path.join(work, "warm")
        shutil.copytree(os.path.dirname(SAMPLE), warm)
        run(lo + ["--convert-to", "html", "--outdir", os.path.join(warm, "lo"), os.path.join(warm, "SampleManual.docx")])
        write_project(os.path.join(warm, "warm.qvx"), "<Project_Folder>/SampleManual.docx", ["pdf"], False)
        run([os.path.join(BIN, "quillcraft"), os.path.join(warm, "warm.qvx"), "/bs"], env=env)
        for n in sizes:
            folder = os.path.join(work, str(n))
            os.makedirs(folder)
            docx = os.path.join(folder, "manual.docx")
            subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make_large_docx.py"), docx, str(n)],
                           check=True, stdout=subprocess.DEVNULL)
            r = {"n": n}
            r["engine"], _ = run([os.path.join(BIN, "engine_bench"), "--out", os.path.join(folder, "eng"), docx])
            r["topics"], _ = run([os.path.join(BIN, "engine_bench"), "--topics", docx])
            r["lo_html"], _ = run(lo + ["--convert-to", "html", "--outdir", os.path.join(folder, "lo"), docx])
            r["lo_pdf"], _ = run(lo + ["--convert-to", PDF_EXPORT, "--outdir", os.path.join(folder, "lo"), docx])
            # All three before the PDF alone: the longest, least telling run comes last.
            for outputs in ("chm", "web", "chm web pdf", "pdf"):
                project = os.path.join(folder, outputs.replace(" ", "-"), "manual.qvx")
                os.makedirs(os.path.dirname(project))
                shutil.copy(docx, os.path.dirname(project))
                write_project(project, "<Project_Folder>/manual.docx", outputs.split(), outputs == "chm")
                seconds, rss = run([os.path.join(BIN, "quillcraft"), project, "/bs"], env=env)
                r["build " + outputs] = seconds
                if outputs == "chm web pdf":
                    r["peak_mib"] = rss / 1024
                if outputs == "chm":
                    hhp_folder = os.path.join(os.path.dirname(project), "HTML help project")
                    hhp = [f for f in os.listdir(hhp_folder) if f.endswith(".hhp")][0]
                    r["chmc"], _ = run([os.path.join(BIN, "qc_chmc"), hhp], cwd=hhp_folder)
            rows.append(r)
            report(rows)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def report(rows):
    cols = [("engine", "engine"), ("topics", "topics"), ("lo_html", "LO html"), ("build chm", "/bs chm"),
            ("build web", "/bs web"), ("build pdf", "/bs pdf"), ("build chm web pdf", "/bs all"),
            ("chmc", "qc_chmc"), ("lo_pdf", "LO pdf")]
    print()
    print("chapters " + "".join(f"{label:>10}" for _, label in cols) + f"{'peak MiB':>10}{'LO/engine':>10}"
          + f"{'all/slow':>10}")
    for r in rows:
        slowest = max(r["chmc"], r["lo_pdf"])
        print(f"{r['n']:>8} " + "".join(f"{r[key]:>9.2f}s" for key, _ in cols) + f"{r['peak_mib']:>10.0f}"
              + f"{r['lo_html'] / r['engine']:>10.1f}" + f"{r['build chm web pdf'] / slowest:>10.2f}")
    print("milliseconds per chapter")
    print("chapters " + "".join(f"{label:>10}" for _, label in cols))
    for r in rows:
        print(f"{r['n']:>8} " + "".join(f"{1000 * r[key] / r['n']:>10.1f}" for key, _ in cols))
    sys.stdout.flush()


if __name__ == "__main__":
    main()
