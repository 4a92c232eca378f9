#!/usr/bin/env python3
"""Writes the user's guide of Quillcraft as a Word document, and its project.

    python3 docs/guide/make-guide.py [output folder]

writes QuillcraftGuide.docx and QuillcraftGuide.qvx (default: docs/guide). The
build turns them, with Quillcraft itself, into the program's help file
"inkvane.chm" and the WebHelp folder "guide" beside the program.

The document's parts (styles, numbering, fields) come from the example
manual's writer, so both documents are written the same way; this script
adds the guide's own text. It writes the same bytes on every run.
"""

import importlib.util
import os
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

_spec = importlib.util.spec_from_file_location("example_writer", os.path.join(ROOT, "examples", "make-example-docx.py"))
ex = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(ex)

run, bold, italic, text_para, para = ex.run, ex.bold, ex.italic, ex.text_para, ex.para
xe, properties, ref, bookmarked = ex.xe, ex.properties, ex.ref, ex.bookmarked

DOCX_NAME = "QuillcraftGuide.docx"
QVX_NAME = "QuillcraftGuide.qvx"


def heading(pkg, level, text, bookmark=None):
    # The guide's headings carry no numbers: the contents show the titles alone.
    return ex.heading(pkg, level, text, bookmark, numbered=False)


def bullets(*items):
    return ex.bullets([(0, item) for item in items])


def body(pkg):
    out = []
    add = out.append
    h = lambda level, text, bookmark=None: add(heading(pkg, level, text, bookmark))
    p = lambda *parts: add(text_para(*parts))
    prop = lambda code: add(para(properties(code)))

    add(text_para("Quillcraft", style="Title"))
    p("User's guide")

    h(1, "Welcome to Quillcraft")
    prop("Id=1000;FileName=welcome;StaticVar=IDH_WELCOME")
    p(xe("Quillcraft:about"), "Quillcraft turns one Word document into help. You write the help of your "
      "product as an ordinary Word document; Quillcraft cuts it into topics at its headings and builds, "
      "from one project file, three kinds of help:")
    add(bullets("HTML Help: one compiled help file (.chm) with contents, index and full-text search.",
                "WebHelp: a folder of web pages with a contents tree, a keyword index and search, "
                "for a web server or a shared folder.",
                "PDF: the whole document as one printable file with bookmarks."))
    p("The Word document stays your only source: edit it, build again, and every output follows.")

    h(1, "Getting started")
    h(2, "Creating a project", "GuideCreating")
    prop("Id=1010;FileName=creating-a-project;StaticVar=IDH_NEW_PROJECT")
    p(xe("project:creating"), "A project is a small file (.qvx) that names the Word document and says "
      "which outputs to build, where, and how they look. On the first start, and from File > New, the "
      "new-project wizard asks for the project's folder and name and for the Word document: choose an "
      "existing document, or one of the other ways that the wizard offers.")
    p("Save the project with File > Save. File > Open and the list of recent projects at the foot of "
      "the File menu bring it back.")
    h(2, "The main window")
    prop("Id=1020;FileName=main-window;StaticVar=IDH_MAIN_WINDOW")
    p(xe("main window"), "The main window holds every setting of the project on its tabs:")
    add(ex.table([2600, 6400], ["Tab", "What it sets"], [
        ["General", "the Word document, the help's title, the copyright line, the Previous and Next texts"],
        ["HTML Help", "the compiled file, its title, language and character set, the default contents "
                      "icons, the context-ID file for programmers"],
        ["WebHelp", "the WebHelp folder, its title, colours, background, contents and index"],
        ["PDF", "the PDF file and how a reader first shows it"],
        ["Build", "which outputs to build, the Build button, and where each output is and how old it is"],
    ]))

    h(1, "Writing the Word document", "GuideWriting")
    h(2, "Headings make topics")
    prop("Id=1100;FileName=headings;StaticVar=IDH_HEADINGS")
    p(xe("heading:topics"), xe("topic"), "Every heading (a paragraph with an outline level from 1 to 9, "
      "such as the styles Heading 1 to Heading 9) starts a topic. The text up to the next heading is the "
      "topic's page. A heading's level sets the topic's place in the contents; a topic is never put more "
      "than one level below the topic before it.")
    p("A heading that has no text of its own but has sub-headings becomes a book in the contents, "
      "without a page. Text before the first heading belongs to no topic: it appears in the PDF only, "
      "and the build tells you how much of it there is.")
    h(2, "Index entries")
    prop("Id=1110;FileName=index-entries;StaticVar=IDH_INDEX")
    p(xe("index:entries"), "Index-entry fields (XE fields, inserted in Word with Mark Entry) become the "
      "topic's keywords in the index of HTML Help and WebHelp. A colon makes a sub-entry: ",
      bold("Printing:Paper size"), " shows Paper size under Printing.")
    h(2, "Links and cross-references")
    prop("Id=1120;FileName=links;StaticVar=IDH_LINKS")
    p(xe("links"), "Cross-references to headings and bookmarks become links between pages. Hyperlinks to "
      "web addresses stay as they are. A link to a file in the document's folder or the project's folder "
      "copies that file into the help; a link that begins with ", bold("External:"), " points at a file "
      "that you ship beside the compiled help.")
    h(2, "Topic properties", "GuideProperties")
    prop("Id=1130;FileName=topic-properties;StaticVar=IDH_PROPERTIES")
    p(xe("topic:properties"), "A field right after a heading whose code is a list of settings, such as ",
      bold("Id=1000;FileName=welcome;StaticVar=IDH_WELCOME"), ", sets the topic's context number, the "
      "name of its page and the name of its symbol in the context-ID file. ", bold("Omit=true"),
      " leaves the topic and its sub-topics out of the help.")
    h(2, "Pictures and tables")
    prop("Id=1140;FileName=pictures;StaticVar=IDH_PICTURES")
    p(xe("pictures"), "Pictures, tables, lists, footnotes and text boxes come through as they look in "
      "Word. Pictures are written beside the pages; their alternative text is kept.")

    h(1, "Building the help", "GuideBuilding")
    h(2, "Building from the window")
    prop("Id=1200;FileName=building;StaticVar=IDH_BUILDING")
    p(xe("build"), "Tick the outputs on the Build tab and press Build. The building window shows the "
      "progress; at the end Quillcraft says \u201cThe build is completed!\u201d or names what went wrong. "
      "The Build tab then shows each output's place, date and age, with buttons to open it or its folder.")
    p("Before a folder is emptied for WebHelp, Quillcraft asks; a folder that holds anything but an "
      "earlier build's output is never emptied without your word.")
    h(2, "Batch builds", "GuideBatch")
    prop("Id=1210;FileName=batch-builds;StaticVar=IDH_BATCH")
    p(xe("build:batch"), xe("command line"), "A project can be built without the window, for example by a "
      "nightly job:")
    add(text_para(run("quillcraft project.qvx /bs", '<w:rFonts w:ascii="Courier New" w:hAnsi="Courier New"/>')))
    p("With /b the window is shown while the build runs; with /bs nothing is shown and no display is "
      "needed. The result is written to a log file beside the project (the project's name with the "
      "extension .log), and the exit code tells it:")
    add(ex.table([1800, 7200], ["Exit code", "Meaning"], [
        ["0", "the build is completed"],
        ["1", "the log file could not be written"],
        ["20", "the Word document is missing"],
        ["30", "the old compiled help file is in use"],
        ["40", "the WebHelp folder may not be emptied"],
        ["50", "the old PDF is in use"],
        ["100", "the build failed; the log says why"],
    ]))
    h(2, "The context-ID file")
    prop("Id=1220;FileName=context-file;StaticVar=IDH_CONTEXT")
    p(xe("context-ID file"), "Programmers open the help at a topic by its context number. When "
      "\u201cOutput Context File\u201d is ticked on the HTML Help tab, each build writes a source file "
      "that lists every topic's symbol, number, title and page, in the programming language you choose.")

    h(1, "Templates and the look of pages")
    prop("Id=1300;FileName=templates;StaticVar=IDH_TEMPLATES")
    p(xe("template"), "Every page is set into a page template: an HTML page with places for the topic's "
      "title, text, navigation trail and the Previous and Next links. The project keeps its templates "
      "inside the project file, so a project carries its own look. Export writes the template into a "
      "folder, where you can change it with any editor; Import takes it back.")

    h(1, "When something goes wrong")
    prop("Id=1400;FileName=troubleshooting;StaticVar=IDH_TROUBLE")
    p(xe("errors"), "Quillcraft never changes your Word document: it works on a copy. A build that fails "
      "says which file and what is wrong with it, and leaves your files as they were.")
    add(bullets("\u201cThe source file does not exist\u201d: the project names a Word document that has "
                "been moved or renamed; choose it again on the General tab.",
                "A damaged document or project file is refused with its name; open it in Word or in "
                "LibreOffice and save it again.",
                "For a document without headings, the PDF is built and the other outputs have no topics: "
                "give the document headings."))
    return "".join(out)


def core_xml():
    return (ex.XML_HEAD + '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/'
            'core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/"'
            ' xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
            '<dc:title>Quillcraft User\'s Guide</dc:title><dc:subject>Help manual</dc:subject>'
            '<dc:creator>Quillcraft</dc:creator>'
            '<dcterms:created xsi:type="dcterms:W3CDTF">2026-12-01T09:00:00Z</dcterms:created>'
            '<dcterms:modified xsi:type="dcterms:W3CDTF">2026-12-01T09:00:00Z</dcterms:modified>'
            '</cp:coreProperties>')


def app_xml():
    return (ex.XML_HEAD + '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"'
            ' xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">'
            '<Template>Normal.dotm</Template><Application>Quillcraft guide writer</Application>'
            '<AppVersion>16.0000</AppVersion></Properties>')


# The guide's project: the example project's settings, with its own document,
# title and outputs (HTML Help and WebHelp; no PDF, no context-ID file).
PROJECT_CHANGES = {
    "SourceFile": "<Project_Folder>/" + DOCX_NAME,
    "Title": "Quillcraft Help",
    "NavSetting": '"Quillcraft > "," > ","0","1"',
    "CopyRight": "Quillcraft user's guide",
    "CompiledFile": "<Project_Folder>/inkvane.chm",
    "HtmlHelpOutputContext": "0",
    "WebHelpOutputFolder": "<Project_Folder>/guide/",
    "PDFOutput": "0",
    "ViewCompiledFile": "0",
}


def project_text():
    with open(os.path.join(ROOT, "examples", "sample", "SampleManual.qvx"), "rb") as f:
        text = f.read().decode("utf-16")
    lines = []
    for line in text.split("\r\n"):
        key, sep, _ = line.partition("=")
        if sep and key in PROJECT_CHANGES:
            line = key + "=" + PROJECT_CHANGES[key]
        lines.append(line)
    return "\r\n".join(lines)


def main(out_dir):
    ex.body = body
    ex.core_xml = core_xml
    pkg = ex.Package()
    document = ex.document_xml(pkg)
    parts = [
        ("[Content_Types].xml", ex.content_types_xml(pkg)),
        ("_rels/.rels", ex.package_rels_xml()),
        ("docProps/core.xml", core_xml()),
        ("docProps/app.xml", app_xml()),
        ("word/document.xml", document),
        ("word/_rels/document.xml.rels", ex.relationships_xml(pkg.rels)),
        ("word/styles.xml", ex.styles_xml()),
        ("word/numbering.xml", ex.numbering_xml(pkg)),
        ("word/settings.xml", ex.settings_xml()),
        ("word/webSettings.xml", ex.web_settings_xml()),
        ("word/fontTable.xml", ex.font_table_xml()),
    ]
    os.makedirs(out_dir, exist_ok=True)
    out_docx = os.path.join(out_dir, DOCX_NAME)
    with zipfile.ZipFile(out_docx + ".tmp", "w") as z:
        for name, text in parts:
            z.writestr(ex.zip_entry(name), text.encode("utf-8"), zipfile.ZIP_DEFLATED)
    os.replace(out_docx + ".tmp", out_docx)
    with open(os.path.join(out_dir, QVX_NAME), "wb") as f:
        f.write("\ufeff".encode("utf-16-le") + project_text().encode("utf-16-le"))
    print("wrote", out_docx, "and", QVX_NAME)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else HERE)
