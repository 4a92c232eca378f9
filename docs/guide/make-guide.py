#!/usr/bin/env python3
"""Writes the user's guide of Quillcraft as a Word document, and its project.

    bash scripts/screenshots.sh
    python3 docs/guide/make-guide.py [output folder [pictures folder]]

writes QuillcraftGuide.docx and QuillcraftGuide.qvx (default: docs/guide),
with the pictures of the program that scripts/screenshots.sh takes (default:
build/screenshots/guide). The build turns them, with Quillcraft itself, into
the program's help file "inkvane.chm" and the WebHelp folder "guide" beside
the program.

The document's parts (styles, numbering, fields) come from the example
manual's writer, so both documents are written the same way; this script
adds the guide's own text. It writes the same bytes on every run.
"""

import importlib.util
import os
import struct
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
# The pictures of the program, as scripts/screenshots.sh takes them.
PICTURES = os.path.join(ROOT, "build", "screenshots", "guide")
QVX_NAME = "QuillcraftGuide.qvx"


def heading(pkg, level, text, bookmark=None):
    # The guide's headings carry no numbers: the contents show the titles alone.
    return ex.heading(pkg, level, text, bookmark, numbered=False)


def bullets(*items):
    return ex.bullets([(0, item) for item in items])


def png_size(data):
    """Width and height of a PNG picture, from its header."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG picture")
    return struct.unpack(">II", data[16:24])


def figure(pkg, name, caption):
    """A picture of the program from the pictures folder, at most 600 pixels wide, with its caption."""
    path = os.path.join(PICTURES, name + ".png")
    if not os.path.isfile(path):
        sys.exit("The picture %s is missing: run scripts/screenshots.sh first." % path)
    with open(path, "rb") as f:
        data = f.read()
    width, height = png_size(data)
    if width > 600:
        width, height = 600, round(height * 600 / width)
    rid = pkg.image(name + ".png", data)
    return (para(ex.picture(pkg, rid, name + ".png", width, height, caption), ppr='<w:keepNext/>')
            + text_para(italic(caption)))


def body(pkg):
    out = []
    add = out.append
    h = lambda level, text, bookmark=None: add(heading(pkg, level, text, bookmark))
    p = lambda *parts: add(text_para(*parts))
    prop = lambda code: add(para(properties(code)))
    fig = lambda name, caption: add(figure(pkg, name, caption))

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
    p(xe("help:opening"), "Help > How to use (F1) opens this guide: the compiled help file where the desktop "
      "has a viewer for it, otherwise the same pages in your web browser. Help > About shows the version.")
    fig("about", "The About box")

    h(1, "Getting started")
    h(2, "Creating a project", "GuideCreating")
    prop("Id=1010;FileName=creating-a-project;StaticVar=IDH_NEW_PROJECT")
    p(xe("project:creating"), xe("wizard"), "A project is a small file (.qvx) that names the Word document "
      "and says which outputs to build, where, and how they look. On the first start, and from File > New, "
      "the New Project Wizard asks where to put the project file and what to call it.")
    fig("wizard-page1", "The New Project Wizard: the project's folder and name")
    p("Position is the folder of the project file (Select... browses for it); Project file name is its name "
      "without the extension .qvx. If a project of that name is there already, the wizard asks before it "
      "goes on. Next leads to the second page, which asks how to get the Word document:")
    fig("wizard-page2", "The New Project Wizard: where the Word document comes from")
    add(bullets("Select an existing Word file: choose a document you already have.",
                "Create a new Word file: make a new document from an outline of headings (see \u201cNew "
                "documents from an outline\u201d).",
                "Import HTML help file (.chm): turn an existing compiled help file into a Word document "
                "(see \u201cImporting a compiled help file\u201d)."))
    p("Finish saves the new project at once and then runs what you chose. A new project starts from the "
      "default settings; nothing of the project that was open before is carried over.")
    p(xe("recent projects"), "Save the project with File > Save (Ctrl+S), or under another name with File > "
      "Save As.... File > Open (Ctrl+O) opens a project, and the submenu File > Recent projects lists the ten "
      "projects you used last. When you leave a project with unsaved changes, Quillcraft asks whether to "
      "save them.")
    h(2, "The main window")
    prop("Id=1020;FileName=main-window;StaticVar=IDH_MAIN_WINDOW")
    p(xe("main window"), "The main window holds every setting of the project on its tabs. What you change is "
      "part of the project as soon as you type it; File > Save writes it to the project file.")
    add(ex.table([2600, 6400], ["Tab", "What it sets"], [
        ["Source Files", "the Word document, and the commands that create, import, open or show it"],
        ["Common", "the help's title, the navigation trail, the footer line, the Previous and Next texts"],
        ["HTML Help", "the compiled file, its title, language, character set and contents icons, the help "
                      "window, the context-ID file for programmers and the page template"],
        ["Web Help", "the WebHelp folder, its title, interface texts, colours, background, contents and the "
                     "page template"],
        ["PDF", "the PDF file and how a reader first shows it"],
        ["Build", "which outputs to build, the Build button, and where each output is and how old it is"],
    ]))

    h(1, "The project's settings", "GuideSettings")
    h(2, "Source Files")
    prop("Id=1030;FileName=source-files;StaticVar=IDH_SOURCE_FILES")
    p(xe("source document"), "Source File names the Word document (.docx or .doc) that the help is made "
      "from; the button ... beside it, and Select... below it, choose it. A path may begin with <Project_Folder>, which stands for "
      "the folder of the project file, so the project can move with its document.")
    fig("main-source-files", "The Source Files tab")
    add(bullets("Create.. makes a new Word document from an outline and makes it the source "
                "(see \u201cNew documents from an outline\u201d).",
                "From CHM... imports a compiled help file into a new Word document and makes it the source "
                "(see \u201cImporting a compiled help file\u201d).",
                "Open opens the document in your word processor; Folder shows its folder in the file manager."))
    h(2, "Common")
    prop("Id=1040;FileName=common;StaticVar=IDH_COMMON")
    p(xe("title"), xe("footer"), "Title is the help's title: the HTML Help and WebHelp titles follow it unless "
      "you give them their own. Navigation shows the trail above each page; Set... changes it (see "
      "\u201cThe navigation trail\u201d). Footer String is the line at the foot of every page; the buttons "
      "\u00a9 and \u00ae insert the copyright and registered-trademark signs. Previous Hint and Next Hint "
      "are the texts of the buttons that lead to the previous and the next topic.")
    fig("main-common", "The Common tab")
    h(2, "HTML Help")
    prop("Id=1050;FileName=html-help;StaticVar=IDH_HTML_HELP")
    p(xe("HTML Help:settings"), "Compiled File is the .chm that the build writes. Title is the title of the "
      "help window (tick Same as project title to follow the Common tab). Language and Charset set the help's "
      "language and the character set of its pages; choosing a language also picks its character set. "
      "Default Icons are the pictures that books and topics show in the contents. Page Extension is .htm or "
      ".html.")
    fig("main-html-help", "The HTML Help tab")
    p("Design CHM Style... opens the help window designer (see \u201cThe help window designer\u201d). Output "
      "Context File writes a source file of context numbers for programmers; Options... chooses its "
      "language (see \u201cThe context-ID file\u201d). Output Html Help Workshop Project (hhp) keeps the "
      "project set that the compiler reads in the folder you give. The Template row chooses, edits, imports "
      "and exports the page template of the HTML Help (see \u201cTemplates and the look of pages\u201d).")
    h(2, "Web Help")
    prop("Id=1060;FileName=web-help;StaticVar=IDH_WEB_HELP")
    p(xe("WebHelp:settings"), "Output Folder is the folder that the WebHelp is written into. Before a build "
      "empties it, Quillcraft asks; a folder that holds anything but an earlier build's output is never "
      "emptied without your word. Interface Language... translates the texts of the WebHelp's buttons and "
      "messages (see \u201cTranslating the WebHelp interface\u201d).")
    fig("main-web-help", "The Web Help tab")
    p("Font Color, Background Color and Background Image set the look of the title bar; the strip beside "
      "the list shows the image. Under Contents: Start Line from the Root, Draw Lines, Auto Collapse (opening "
      "a book closes the others), Use Real-color Icons, Show Index, the width of the contents frame (50 to "
      "2000 pixels) and its background colour. The Template row works as on the HTML Help tab.")
    h(2, "PDF")
    prop("Id=1070;FileName=pdf;StaticVar=IDH_PDF")
    p(xe("PDF:settings"), "PDF File is the file that the build writes. Navigation Tab, Magnification and "
      "Page Layout say how a PDF reader first shows it: with the bookmarks or the thumbnails beside the page, "
      "at which zoom, one page or pages side by side.")
    fig("main-pdf", "The PDF tab")
    h(2, "Build")
    prop("Id=1080;FileName=build-tab;StaticVar=IDH_BUILD_TAB")
    p(xe("build:outputs"), "Tick the outputs to build. Each line shows where the output is, when it was made "
      "and how long ago; Open opens it and Folder shows it in the file manager. When no program on your "
      "desktop can open a file, Quillcraft says so in one line and names the file.")
    fig("main-build", "The Build tab after a build")

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
    h(2, "New documents from an outline", "GuideOutline")
    prop("Id=1150;FileName=new-document;StaticVar=IDH_NEW_DOCUMENT")
    p(xe("outline"), "Create.. on the Source Files tab makes a new Word document with one heading for each "
      "line of an outline. Position is the new document's file (.. beside it names a new file); Title is the "
      "project's title.")
    fig("new-document", "Create a new Word document")
    p("Type the outline under Initial TOC, one heading a line; the Tab key or Indent moves the selected lines "
      "one level down, Outdent one level up. Double-click a title under Commonly used titles to add it "
      "before the line of the cursor. Load... and Save... read and write an outline as a text file. Closing "
      "the window (Cancel or Esc) after changing the outline asks first whether to save it in a text file.")
    p("OK makes the document and makes it the project's source. If the file exists, Quillcraft asks before "
      "replacing it, and No is the answer that Enter gives. The project's own source document and the "
      "project file are never replaced by a new, empty document: choose another name.")
    h(2, "Importing a compiled help file", "GuideImport")
    prop("Id=1160;FileName=import-chm;StaticVar=IDH_IMPORT")
    p(xe("import"), xe("CHM:import"), "From CHM... on the Source Files tab (or the wizard's third choice) "
      "turns an existing compiled help file into a Word document: a heading for each contents entry, the "
      "pages' text and pictures under them, bookmarks in place of the links between pages and index fields "
      "for the keywords.")
    fig("import-chm", "Import from CHM file")
    p("CHM File is the help file; Word document is the document to write. It starts with a name where no "
      "file stands yet: the source document's name, or help, with -1, -2 ... added. The project's own source "
      "document and the project file are refused, as is a symbolic link, which Quillcraft never writes "
      "through. A window shows each step; Cancel or Esc stops the import without writing the document. When "
      "the import succeeds the document becomes the project's source, and the help's title and language are "
      "taken into the project; a cancelled or failed import leaves the project as it was. The help file "
      "itself is never changed.")

    h(1, "Building the help", "GuideBuilding")
    h(2, "Building from the window")
    prop("Id=1200;FileName=building;StaticVar=IDH_BUILDING")
    p(xe("build"), "Tick the outputs on the Build tab and press Build. The building window shows the "
      "progress; at the end Quillcraft says \u201cThe build is completed!\u201d or names what went wrong. "
      "The Build tab then shows each output's place, date and age, with buttons to open it or its folder.")
    fig("building", "The building window")
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
    h(2, "The context-ID file", "GuideContext")
    prop("Id=1220;FileName=context-file;StaticVar=IDH_CONTEXT")
    p(xe("context-ID file"), "Programmers open the help at a topic by its context number. When "
      "\u201cOutput Context File\u201d is ticked on the HTML Help tab, each build writes a source file "
      "that lists every topic's symbol, number, title and page, in the programming language you choose.")
    p("Options... opens the context map options. Format offers ready-made code for several languages; Top "
      "code and Bottom code stand before and after the entries, and Code body template is written once for "
      "each topic. The button > inserts the template's variables: the symbol, the context number, the title, "
      "the page's file name and a tab. Encoding is the file's character encoding. A format chosen here also "
      "gives the file its extension.")
    fig("context-map", "Context map options")

    h(1, "The help window designer", "GuideDesigner")
    prop("Id=1300;FileName=designer;StaticVar=IDH_DESIGNER")
    p(xe("help window:designer"), "Design CHM Style... on the HTML Help tab opens a likeness of the window in "
      "which the compiled help opens. Move and size the designer to set where the help window opens and how "
      "big it is (the caption shows the numbers); drag the line between the contents and the page to set the "
      "width of the navigation pane. The settings at the foot of the designer show and hide the parts of the "
      "likeness as you change them; OK keeps them.")
    fig("designer-interface", "The designer: Interface")
    p("Interface: the MSDN menu, and whether the window has a navigation pane, a topic pane and buttons at "
      "all; with them, whether the navigation pane and the toolbar are shown.")
    fig("designer-toolbar", "The designer: Toolbar")
    p("Toolbar: the buttons of the help window's toolbar.")
    fig("designer-nav", "The designer: Nav")
    p("Nav: the tabs of the navigation pane (Contents, Index, Search, Favorite), the tab shown first (Default "
      "Tab), and the fonts of the contents and the index. Font... opens the font window: the font, its size "
      "in points and its character set; Default goes back to the viewer's own font.")
    fig("font", "The font window")
    fig("designer-toc", "The designer: TOC")
    p("TOC: how the contents tree looks and behaves: dotted lines between the items, plus/minus squares on "
      "the books, the selection over the whole row, lines from the root, one open book at a time, and more. "
      "The likeness follows each setting; those marked with * cannot be shown there.")
    fig("designer-other", "The designer: Other")
    p("Other: whether the help window stays on top, opens maximised when a program calls it, and remembers "
      "its position.")

    h(1, "The navigation trail", "GuideNavigation")
    prop("Id=1400;FileName=navigation;StaticVar=IDH_NAVIGATION")
    p(xe("navigation trail"), "Every page can show a trail of the books above it, such as Help > Printing > "
      "Paper. Set... on the Common tab changes it: Start text begins the trail, Delimiter stands between its "
      "parts, End with the delimiter puts one more at its end, and Include current topic ends it with the "
      "page's own title. Preview shows the result.")
    fig("navigation", "Set navigation")

    h(1, "Translating the WebHelp interface", "GuideTranslation")
    prop("Id=1500;FileName=webhelp-translation;StaticVar=IDH_TRANSLATION")
    p(xe("WebHelp:translation"), "Interface Language... on the Web Help tab lists every text of the WebHelp's "
      "buttons, labels and messages: the original on the left, your translation on the right. The window "
      "and its columns grow with each other. Save... keeps the translations in a file (.tsl) and Load... "
      "takes them back, for example for another project; Restore puts the originals back. OK keeps the "
      "translations in the project.")
    fig("webhelp-interface", "Translate text used in Web Help interface")
    p("Quick translation lists all originals, one a line: copy them into a translation service, translate "
      "them, and paste the translated lines back in the same order. OK puts each line into its row; when "
      "there are more or fewer lines than rows, it asks first, since the lines after a missing or an extra "
      "one would land in the wrong rows. No leaves the lines for you to mend.")
    fig("quick-translation", "Quick translation")

    h(1, "Templates and the look of pages", "GuideTemplates")
    prop("Id=1600;FileName=templates;StaticVar=IDH_TEMPLATES")
    p(xe("template"), "Every page is set into a page template: an HTML page with places for the topic's "
      "title, text, navigation trail and the Previous and Next links. The project keeps its templates "
      "inside the project file, so a project carries its own look. HTML Help and WebHelp each have one; the "
      "Template row of their tab works on it.")
    add(bullets("Choose... picks one of the templates that come with Quillcraft.",
                "Edit... opens the template editor.",
                "Export... writes the template into a folder, where you can change it with any editor; "
                "Import... takes a template page and its files back into the project."))
    p("The previews show a page as a picture of it: a script in a template does not run, and the page reads "
      "nothing outside the template's own folder and nothing from the network. A template that comes with a "
      "project from someone else can therefore do no harm while you look at it.")
    h(2, "Choosing a template")
    prop("Id=1610;FileName=choose-template;StaticVar=IDH_CHOOSE_TEMPLATE")
    p(xe("template:choosing"), "The list shows the project's current template and the built-in ones, with a "
      "preview of the one selected. Choose replaces the project's template with the selected one.")
    fig("template-chooser", "Choose built-in template")
    h(2, "The template editor", "GuideEditor")
    prop("Id=1620;FileName=template-editor;StaticVar=IDH_TEMPLATE_EDITOR")
    p(xe("template:editor"), "The editor lists the template page and every file it uses. The page's "
      "Preview entry shows it, its Source entry and the style sheets open as text, and pictures are shown as "
      "they are; Replace Image puts another picture in a picture's place.")
    fig("template-editor-preview", "The template editor: the page")
    fig("template-editor-source", "The template editor: the page's source")
    p("Color, Font and CSS Code insert a colour value, a list of fonts or a piece of style-sheet code at the "
      "cursor. Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z) step through your edits; the menu of the right mouse "
      "button has them too. Save packs the files back into the project; Save&Exit saves and closes. Closing "
      "with unsaved edits (Esc or the window's close box) asks whether to save them.")
    fig("css-code", "Insert CSS code")
    fig("font-name", "Font name")
    p("When the template page itself is missing from the folder, the editor asks which page of the folder "
      "is the template.")
    fig("unable-found", "Unable to find the template file")

    h(1, "When something goes wrong")
    prop("Id=1700;FileName=troubleshooting;StaticVar=IDH_TROUBLE")
    p(xe("errors"), "Quillcraft never changes your Word document: it works on a copy. A build that fails "
      "says which file and what is wrong with it, and leaves your files as they were.")
    add(bullets("\u201cThe source file does not exist\u201d: the project names a Word document that has "
                "been moved or renamed; choose it again on the Source Files tab.",
                "A damaged document or project file is refused with its name; open it in Word or in "
                "LibreOffice and save it again.",
                "For a document without headings, the PDF is built and the other outputs have no topics: "
                "give the document headings.",
                "\u201cNo program is set up to open\u201d: your desktop has no program for that kind of file; "
                "install one, or open the file from your file manager."))
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
        for name, data in pkg.media:
            z.writestr(ex.zip_entry("word/" + name), data, zipfile.ZIP_STORED)  # compressed already
    os.replace(out_docx + ".tmp", out_docx)
    with open(os.path.join(out_dir, QVX_NAME), "wb") as f:
        f.write("\ufeff".encode("utf-16-le") + project_text().encode("utf-16-le"))
    print("wrote", out_docx, "and", QVX_NAME)


if __name__ == "__main__":
    if len(sys.argv) > 2:
        PICTURES = os.path.abspath(sys.argv[2])
    main(sys.argv[1] if len(sys.argv) > 1 else HERE)
