#!/usr/bin/env python3
"""Writes examples/sample/SampleManual.docx, the Word document of the example project.

The document is the user guide of "Tidewater Notes", an imaginary note-taking
program. It is a small but complete help manual that exercises everything a help
build reads from a Word document:

- a title page paragraph before the first heading (belongs to no topic);
- headings at levels 1, 2 and 3; Heading 1 and Heading 2 are numbered by Word
  through a multi-level list linked to the heading styles ("1.", "1.1."), one
  Heading 1 has its number switched off, Heading 3 is never numbered;
- "Getting Started", a heading without text of its own over two sub-topics;
- per-heading property fields (an unknown field whose code text is
  "Id=...;FileName=...;StaticVar=...;Omit=...") after some headings, and
  "Internal Notes", a topic with Omit=true (and a sub-topic) that is left out;
- index entries (XE fields), several with sub-entries ("Printing:Paper size");
- cross-references (REF _Ref... \\h) to bookmarks around heading texts;
- bulleted lists (Symbol, Courier New and Wingdings bullets over three levels)
  and numbered lists, each restarting at 1;
- two tables with a shaded, repeated header row;
- a picture with alternative text, a picture hyperlinked to a web address (the
  link on the picture itself) and a picture inside a link to a bookmark;
- links to the web, to a bookmark, to a local file in a subfolder
  (files/quick-reference.txt) and an "External:" link to a file that ships
  beside the help (files/release-notes.txt).

The pictures are drawn by this script; it uses the standard library only and
writes the same bytes on every run. Run it from anywhere:

    python3 examples/make-example-docx.py [output folder]

The output folder defaults to examples/sample.
"""

import os
import struct
import sys
import zipfile
import zlib
from xml.sax.saxutils import escape, quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
DOCX_NAME = "SampleManual.docx"

# A fixed time stamp for every zip entry, so that the package is reproducible.
ZIP_TIME = (2026, 1, 15, 9, 30, 0)
EMU_PER_PIXEL = 9525  # 914400 EMU per inch at 96 pixels per inch

# --------------------------------------------------------------------------
# Pictures: a tiny RGB canvas and a PNG encoder.
# --------------------------------------------------------------------------


class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.rows = [bytearray(bytes(background) * width) for _ in range(height)]

    def rect(self, x, y, w, h, color):
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        if x1 <= x0 or y1 <= y0:
            return
        run = bytes(color) * (x1 - x0)
        for row in self.rows[y0:y1]:
            row[x0 * 3:x1 * 3] = run

    def frame(self, x, y, w, h, color, thickness=1):
        self.rect(x, y, w, thickness, color)
        self.rect(x, y + h - thickness, w, thickness, color)
        self.rect(x, y, thickness, h, color)
        self.rect(x + w - thickness, y, thickness, h, color)

    def disc(self, cx, cy, r, color):
        for y in range(max(0, cy - r), min(self.height, cy + r + 1)):
            for x in range(max(0, cx - r), min(self.width, cx + r + 1)):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.rows[y][x * 3:x * 3 + 3] = bytes(color)

    def text_line(self, x, y, width, color, height=4, seed=0):
        """Grey bars of varying length that read as a line of text at a glance."""
        words = [22, 14, 30, 9, 18, 26, 12, 20, 16, 8, 24]
        pos = x
        i = seed
        while pos < x + width:
            w = min(words[i % len(words)], x + width - pos)
            if w > 3:
                self.rect(pos, y, w, height, color)
            pos += w + 5
            i += 1

    def png(self):
        raw = b"".join(b"\x00" + bytes(row) for row in self.rows)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        # 3780 pixels per metre = 96 pixels per inch, so Word shows the picture at its pixel size.
        phys = struct.pack(">IIB", 3780, 3780, 1)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"pHYs", phys)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


WHITE = (255, 255, 255)
PAPER = (250, 248, 240)
TEAL = (20, 110, 120)
TEAL_DARK = (12, 78, 86)
TEAL_LIGHT = (205, 232, 232)
GREY = (150, 156, 160)
GREY_LIGHT = (226, 229, 232)
GREY_DARK = (80, 86, 90)
AMBER = (238, 170, 40)
RED = (210, 70, 60)
GREEN = (70, 160, 90)
BLUE = (60, 110, 200)


def main_window_picture():
    """The program's main window: title bar, toolbar, notebook list, note list, editor."""
    c = Canvas(480, 300, GREY_LIGHT)
    c.frame(0, 0, 480, 300, GREY_DARK)
    c.rect(1, 1, 478, 24, TEAL_DARK)                      # title bar
    c.text_line(34, 10, 120, WHITE, seed=3)
    c.disc(16, 12, 6, AMBER)                              # program icon
    for i, col in enumerate((GREY_LIGHT, GREY_LIGHT, RED)):  # window buttons
        c.rect(420 + i * 19, 6, 13, 13, col)
    c.rect(1, 25, 478, 30, (238, 240, 242))                 # toolbar
    for i, col in enumerate((TEAL, BLUE, GREEN, AMBER, GREY_DARK)):
        c.rect(8 + i * 30, 31, 22, 18, col)
    c.rect(300, 32, 170, 16, WHITE)                          # search box
    c.frame(300, 32, 170, 16, GREY)
    c.text_line(306, 38, 60, GREY_LIGHT, seed=1)
    c.rect(1, 55, 110, 244, (232, 241, 241))                # notebook list
    for i in range(7):
        y = 66 + i * 22
        if i == 1:
            c.rect(1, y - 6, 110, 20, TEAL_LIGHT)
        c.rect(10, y, 10, 8, (TEAL, AMBER, BLUE, GREEN, RED, TEAL, GREY)[i])
        c.text_line(26, y + 2, 60 + (i % 3) * 8, GREY_DARK, seed=i)
    c.rect(111, 55, 1, 244, GREY)
    c.rect(112, 55, 140, 244, WHITE)                         # note list
    for i in range(6):
        y = 62 + i * 38
        if i == 0:
            c.rect(112, y - 5, 140, 36, TEAL_LIGHT)
        c.text_line(120, y + 2, 100, GREY_DARK, height=5, seed=i + 2)
        c.text_line(120, y + 14, 120, GREY, seed=i + 5)
        c.text_line(120, y + 22, 80, GREY, seed=i + 7)
    c.rect(252, 55, 1, 244, GREY)
    c.rect(253, 55, 226, 244, PAPER)                         # editor
    c.text_line(264, 68, 150, TEAL_DARK, height=7, seed=4)
    for i in range(12):
        c.text_line(264, 90 + i * 14, 196 - (i % 4) * 20, GREY_DARK, seed=i)
    c.rect(264, 262, 60, 24, TEAL)                           # attachment chip
    c.text_line(270, 272, 48, WHITE, seed=6)
    return c.png()


def toolbar_picture():
    """The toolbar with its buttons New, Open, Save, Find, Print and Share."""
    c = Canvas(320, 80, (238, 240, 242))
    c.frame(0, 0, 320, 80, GREY)
    colors = (TEAL, BLUE, GREEN, AMBER, GREY_DARK, RED)
    for i, col in enumerate(colors):
        x = 10 + i * 51
        c.rect(x, 10, 44, 44, WHITE)
        c.frame(x, 10, 44, 44, GREY)
        c.rect(x + 10, 18, 24, 22, col)
        c.rect(x + 14, 22, 16, 3, WHITE)
        c.rect(x + 14, 28, 12, 3, WHITE)
        c.text_line(x + 6, 62, 32, GREY_DARK, seed=i)
    return c.png()


def tip_picture():
    """A round "tip" badge."""
    c = Canvas(32, 32, WHITE)
    c.disc(16, 16, 14, AMBER)
    c.rect(14, 7, 4, 12, WHITE)
    c.rect(14, 22, 4, 4, WHITE)
    return c.png()


# --------------------------------------------------------------------------
# WordprocessingML building blocks.
# --------------------------------------------------------------------------

NS_W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
NS_R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
NS_WP = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"
NS_A = "http://schemas.openxmlformats.org/drawingml/2006/main"
NS_PIC = "http://schemas.openxmlformats.org/drawingml/2006/picture"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
XML_HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'


class Package:
    """Relationships, pictures, bookmarks and numbering instances of the document being written."""

    def __init__(self):
        self.rels = [
            ("rId1", "styles", "styles.xml", False),
            ("rId2", "settings", "settings.xml", False),
            ("rId3", "webSettings", "webSettings.xml", False),
            ("rId4", "fontTable", "fontTable.xml", False),
            ("rId5", "numbering", "numbering.xml", False),
        ]
        self.media = []          # (part name inside word/, bytes)
        self.bookmark_id = 0
        self.drawing_id = 0
        self.numbered_lists = []  # numIds of the numbered lists, each restarting at 1

    def rel(self, kind, target, external=False):
        for rid, k, t, e in self.rels:
            if k == kind and t == target and e == external:
                return rid
        rid = "rId%d" % (len(self.rels) + 1)
        self.rels.append((rid, kind, target, external))
        return rid

    def image(self, name, data):
        self.media.append(("media/" + name, data))
        return self.rel("image", "media/" + name)

    def next_bookmark(self):
        self.bookmark_id += 1
        return self.bookmark_id

    def next_drawing(self):
        self.drawing_id += 1
        return self.drawing_id

    def new_numbered_list(self):
        num_id = FIRST_NUMBERED_LIST + len(self.numbered_lists)
        self.numbered_lists.append(num_id)
        return num_id


# numIds in numbering.xml: 1 the heading numbers, 2 the bullets, from 3 one per numbered list.
HEADING_NUM, BULLET_NUM, FIRST_NUMBERED_LIST = 1, 2, 3


def t(text):
    space = ' xml:space="preserve"' if text != text.strip() or "  " in text else ""
    return "<w:t%s>%s</w:t>" % (space, escape(text))


def run(text, rpr=""):
    return "<w:r>%s%s</w:r>" % ("<w:rPr>%s</w:rPr>" % rpr if rpr else "", t(text))


def bold(text):
    return run(text, "<w:b/>")


def italic(text):
    return run(text, "<w:i/>")


def field(code, result=None):
    """A field as Word writes it: begin, code, (separate, result,) end."""
    xml = ('<w:r><w:fldChar w:fldCharType="begin"/></w:r>'
           '<w:r><w:instrText xml:space="preserve"> %s </w:instrText></w:r>' % escape(code))
    if result is not None:
        xml += '<w:r><w:fldChar w:fldCharType="separate"/></w:r>' + result
    return xml + '<w:r><w:fldChar w:fldCharType="end"/></w:r>'


def xe(keyword):
    return field('XE "%s"' % keyword)


def properties(code):
    return field(code)


def ref(bookmark, shown):
    return field("REF %s \\h" % bookmark, run(shown))


def link_rid(rid, text):
    return ('<w:hyperlink r:id="%s" w:history="1">%s</w:hyperlink>'
            % (rid, run(text, '<w:rStyle w:val="Hyperlink"/>')))


def link_anchor(bookmark, inner):
    return '<w:hyperlink w:anchor="%s" w:history="1">%s</w:hyperlink>' % (bookmark, inner)


def bookmarked(pkg, name, inner):
    bid = pkg.next_bookmark()
    return ('<w:bookmarkStart w:id="%d" w:name="%s"/>%s<w:bookmarkEnd w:id="%d"/>'
            % (bid, name, inner, bid))


def picture(pkg, image_rid, file_name, width, height, descr, link_rid=None):
    """An inline picture; with link_rid the picture itself carries the hyperlink."""
    n = pkg.next_drawing()
    cx, cy = width * EMU_PER_PIXEL, height * EMU_PER_PIXEL
    click = '<a:hlinkClick xmlns:a="%s" r:id="%s"/>' % (NS_A, link_rid) if link_rid else ""
    doc_pr = '<wp:docPr id="%d" name="Picture %d" descr=%s' % (n, n, quoteattr(descr))
    doc_pr += ">%s</wp:docPr>" % click if click else "/>"
    pic_click = '<a:hlinkClick r:id="%s"/>' % link_rid if link_rid else ""
    cnv = '<pic:cNvPr id="%d" name="%s"' % (n, file_name)
    cnv += ">%s</pic:cNvPr>" % pic_click if pic_click else "/>"
    return (
        '<w:r><w:rPr><w:noProof/></w:rPr><w:drawing>'
        '<wp:inline distT="0" distB="0" distL="0" distR="0">'
        '<wp:extent cx="%d" cy="%d"/><wp:effectExtent l="0" t="0" r="0" b="0"/>%s'
        '<wp:cNvGraphicFramePr><a:graphicFrameLocks xmlns:a="%s" noChangeAspect="1"/></wp:cNvGraphicFramePr>'
        '<a:graphic xmlns:a="%s"><a:graphicData uri="%s">'
        '<pic:pic xmlns:pic="%s"><pic:nvPicPr>%s<pic:cNvPicPr/></pic:nvPicPr>'
        '<pic:blipFill><a:blip r:embed="%s"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>'
        '<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="%d" cy="%d"/></a:xfrm>'
        '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>'
        '</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>'
        % (cx, cy, doc_pr, NS_A, NS_A, NS_PIC, NS_PIC, cnv, image_rid, cx, cy))


def para(*content, style=None, ppr=""):
    props = ('<w:pStyle w:val="%s"/>' % style if style else "") + ppr
    return "<w:p>%s%s</w:p>" % ("<w:pPr>%s</w:pPr>" % props if props else "", "".join(content))


def text_para(*parts, style=None, ppr=""):
    """A paragraph from plain strings (runs) and ready-made XML (starting with '<')."""
    return para(*(p if p.startswith("<") else run(p) for p in parts if p), style=style, ppr=ppr)


def heading(pkg, level, text, bookmark=None, numbered=True):
    inner = run(text)
    if bookmark:
        inner = bookmarked(pkg, bookmark, inner)
    ppr = ""
    if not numbered:
        # Word's way of taking one heading out of the style's numbering.
        ppr = '<w:numPr><w:ilvl w:val="0"/><w:numId w:val="0"/></w:numPr><w:ind w:left="0" w:firstLine="0"/>'
    return para(inner, style="Heading%d" % level, ppr=ppr)


def bullets(items):
    """items: (level, content...) tuples; content as for text_para."""
    return "".join(
        text_para(*content, style="ListParagraph",
                  ppr='<w:numPr><w:ilvl w:val="%d"/><w:numId w:val="%d"/></w:numPr>' % (level, BULLET_NUM))
        for level, *content in items)


def numbered(pkg, items):
    num_id = pkg.new_numbered_list()
    out = []
    for item in items:
        level, content = (item[0], item[1:]) if isinstance(item[0], int) else (0, item)
        out.append(text_para(*content, style="ListParagraph",
                             ppr='<w:numPr><w:ilvl w:val="%d"/><w:numId w:val="%d"/></w:numPr>'
                             % (level, num_id)))
    return "".join(out)


def table(widths, header, rows):
    def cell(width, text, head):
        tcpr = '<w:tcW w:w="%d" w:type="dxa"/>' % width
        if head:
            tcpr += '<w:shd w:val="clear" w:color="auto" w:fill="D9D9D9"/>'
        content = bold(text) if head else run(text)
        return "<w:tc><w:tcPr>%s</w:tcPr>%s</w:tc>" % (tcpr, para(content, ppr='<w:spacing w:after="0"/>'))

    xml = ['<w:tbl><w:tblPr><w:tblStyle w:val="TableGrid"/><w:tblW w:w="0" w:type="auto"/>'
           '<w:tblLook w:val="04A0" w:firstRow="1" w:lastRow="0" w:firstColumn="1" w:lastColumn="0"'
           ' w:noHBand="0" w:noVBand="1"/></w:tblPr><w:tblGrid>']
    xml += ['<w:gridCol w:w="%d"/>' % w for w in widths]
    xml.append("</w:tblGrid>")
    xml.append('<w:tr><w:trPr><w:tblHeader/></w:trPr>%s</w:tr>'
               % "".join(cell(w, h, True) for w, h in zip(widths, header)))
    for row in rows:
        xml.append("<w:tr>%s</w:tr>" % "".join(cell(w, c, False) for w, c in zip(widths, row)))
    xml.append("</w:tbl>")
    return "".join(xml)


# --------------------------------------------------------------------------
# The manual.
# --------------------------------------------------------------------------

WEB_HOME = "https://www.example.com/tidewater/"
WEB_SUPPORT = "https://www.example.com/tidewater/support"
WEB_TOOLBAR = "https://www.example.com/tidewater/toolbar"
QUICK_REFERENCE = "files/quick-reference.txt"
RELEASE_NOTES = "files/release-notes.txt"

REF_INSTALLING = "_Ref190410001"
REF_CREATING = "_Ref190410002"
REF_NOTEBOOKS = "_Ref190410003"
REF_SEARCHING = "_Ref190410004"
REF_PRINTING = "_Ref190410005"
REF_FORMATS = "_Ref190410006"
BM_SHORTCUTS = "Shortcuts"
BM_PAPER = "PaperSize"


def body(pkg):
    main_window = pkg.image("image1.png", main_window_picture())
    toolbar = pkg.image("image2.png", toolbar_picture())
    tip = pkg.image("image3.png", tip_picture())
    web_home = pkg.rel("hyperlink", WEB_HOME, external=True)
    web_support = pkg.rel("hyperlink", WEB_SUPPORT, external=True)
    web_toolbar = pkg.rel("hyperlink", WEB_TOOLBAR, external=True)
    quick_reference = pkg.rel("hyperlink", QUICK_REFERENCE, external=True)
    release_notes = pkg.rel("hyperlink", "External:" + RELEASE_NOTES, external=True)

    x = []
    add = x.append

    # Before the first heading: the title page, which belongs to no topic.
    add(text_para("Tidewater Notes", style="Title"))
    add(text_para("User Guide for Tidewater Notes 2.4", style="Subtitle"))
    add(text_para("This guide explains how to install Tidewater Notes, how to write, organize and "
                  "find your notes, and how to print them. It was last revised for version 2.4."))

    # Introduction: not numbered, with properties.
    add(heading(pkg, 1, "Introduction", numbered=False))
    add(text_para(properties("Id=100;FileName=introduction;StaticVar=IDH_INTRODUCTION;Omit=false"),
                  "Tidewater Notes is a note-taking program for people who collect ideas faster than "
                  "they can file them. You write a note in seconds, and the program keeps it safe, "
                  "dated and searchable.", xe("Introduction")))
    add(text_para("Notes live in notebooks, and every note can carry tags, a color, attachments and a "
                  "reminder. Tidewater Notes saves as you type, so there is no Save button to forget. "
                  "To set the program up on your computer, see ", ref(REF_INSTALLING, "Installing"), "."))
    add(text_para(picture(pkg, main_window, "main-window.png", 480, 300,
                          "The Tidewater Notes main window with the notebook list, the note list and the editor"),
                  ppr='<w:jc w:val="center"/>'))
    add(caption(1, "The main window"))
    add(text_para("The main window has three panes. On the left is the notebook list, in the middle the "
                  "notes of the selected notebook, and on the right the editor with the open note. News, "
                  "tips and updates are published on the ", link_rid(web_home, "Tidewater Notes web site"), "."))

    # A heading with no text of its own over two sub-topics.
    add(heading(pkg, 1, "Getting Started"))
    add(heading(pkg, 2, "Installing", bookmark=REF_INSTALLING))
    add(text_para(properties("Id=110;FileName=installing;StaticVar=IDH_INSTALLING;Omit=false"),
                  "Tidewater Notes runs on any current desktop computer. Before you install it, check "
                  "that your computer meets these requirements:",
                  xe("Installing"), xe("Installing:System requirements")))
    add(bullets([
        (0, "A 64-bit processor and 2 GB of memory"),
        (0, "200 MB of free disk space, plus room for your notes and attachments"),
        (0, "A screen of at least 1280 by 720 pixels"),
        (0, "An Internet connection, only if you want to synchronize notes between computers"),
    ]))
    add(text_para("To install the program:"))
    add(numbered(pkg, [
        ("Download the installation package from the ", link_rid(web_home, "Tidewater Notes web site"), "."),
        ("Open the package and follow the instructions of the installer.",),
        ("When the installer asks for a notebook folder, accept the suggested folder or choose another one.",),
        ("Start Tidewater Notes from the applications menu.",),
    ]))
    add(text_para(bold("Note: "), "Installing a new version keeps your notebooks and settings. "
                  "The changes in each version are listed in the ",
                  link_rid(release_notes, "release notes"), " that come with this help."))

    add(heading(pkg, 2, "First Steps"))
    add(text_para("When Tidewater Notes starts for the first time, it creates a notebook called ",
                  italic("Inbox"), " and opens an empty note in it. The toolbar at the top of the "
                  "window holds the commands that you need most often:", xe("Toolbar")))
    add(text_para(picture(pkg, toolbar, "toolbar.png", 320, 80,
                          "The toolbar with the buttons New, Open, Save, Find, Print and Share",
                          link_rid=web_toolbar),
                  ppr='<w:jc w:val="center"/>'))
    add(caption(2, "The toolbar (click the picture to read more about it on the web)"))
    add(text_para("Try these steps to get to know the program:"))
    add(numbered(pkg, [
        ("Type a few words into the empty note. The first line becomes the note's title.",),
        ("Click ", bold("New"), " to start a second note.",),
        ("Drag the second note onto another notebook in the notebook list.",),
        ("Type a word from your first note into the search box and press Enter.",),
    ]))
    add(text_para("Each of these tasks is explained in detail in ", ref(REF_CREATING, "Creating a Note"),
                  " and the topics after it."))

    # Working with notes: level 2 topics and one level 3 topic.
    add(heading(pkg, 1, "Working with Notes"))
    add(text_para("This chapter covers the everyday work with notes: writing them, sorting them into "
                  "notebooks, marking them with tags and colors, and finding them again.", xe("Notes")))
    add(heading(pkg, 2, "Creating a Note", bookmark=REF_CREATING))
    add(text_para("A note holds formatted text, pictures and attached files. To create a note:",
                  xe("Notes:Creating"), xe("Creating notes")))
    add(numbered(pkg, [
        ("Select the notebook that the note belongs to.",),
        ("Click ", bold("New"), " on the toolbar, or press Ctrl+N.",),
        ("Type the title on the first line, press Enter, and write the note.",),
        (1, "To format text, select it and choose a style from the ", bold("Format"), " menu."),
        (1, "To add a picture or a file, drag it into the note."),
        ("Close the note or simply switch to another one. The note is saved automatically.",),
    ]))
    add(text_para("Notes can also be created from the clipboard: choose ", bold("New from Clipboard"),
                  " on the ", bold("File"), " menu, and the copied text becomes a new note."))

    add(heading(pkg, 2, "Organizing Notes with Notebooks", bookmark=REF_NOTEBOOKS))
    add(text_para("Notebooks keep related notes together, for example one notebook for each project "
                  "or each customer. A note belongs to exactly one notebook; to file it somewhere else, "
                  "drag it onto another notebook in the notebook list.",
                  xe("Notebooks"), xe("Notes:Moving to another notebook")))
    add(text_para("To create a notebook, right-click the notebook list and choose ", bold("New Notebook"),
                  ". Notebooks can be nested: drag a notebook onto another one to make it a sub-notebook."))
    add(heading(pkg, 3, "Tags and Colors"))
    add(text_para("Tags and colors mark notes across notebooks. A note can have any number of tags "
                  "but only one color.", xe("Tags"), xe("Notes:Colors")))
    add(bullets([
        (0, "Tags describe what a note is about:"),
        (1, "Type a tag into the tag bar below the note title and press Enter."),
        (1, "Remove a tag by clicking the small cross beside it."),
        (0, "Colors show how urgent a note is:"),
        (1, "Red for urgent, amber for soon, green for done."),
        (2, "You can rename the colors under ", bold("Settings"), "."),
        (0, "Both tags and colors can be used as search filters."),
    ]))

    add(heading(pkg, 2, "Searching", bookmark=REF_SEARCHING))
    add(text_para("The search box on the toolbar searches the titles, the text and the tags of all "
                  "notes in all notebooks. The results are listed as you type, best matches first.",
                  xe("Searching"), xe("Searching:By tag"), xe("Searching:By date")))
    add(text_para("To search for a tag, type a number sign before it, for example ", italic("#travel"),
                  ". To find the notes of one day, type the date, for example ", italic("2026-03-14"),
                  ". To narrow the search to one notebook, select that notebook first (see ",
                  ref(REF_NOTEBOOKS, "Organizing Notes with Notebooks"), ")."))

    # Printing: index entries with sub-entries, a bookmark inside the topic.
    add(heading(pkg, 1, "Printing", bookmark=REF_PRINTING))
    add(text_para(properties("Id=300;FileName=printing;StaticVar=IDH_PRINTING;Omit=false"),
                  "You can print a single note, the selected notes, or a whole notebook. Tidewater "
                  "Notes prints each note on its own page, with the note title as the page header.",
                  xe("Printing"), xe("Printing:Notes"), xe("Printing:Notebooks")))
    add(text_para("To print notes:"))
    add(numbered(pkg, [
        ("Select the notes, or the notebook, that you want to print.",),
        ("Click ", bold("Print"), " on the toolbar, or press Ctrl+P.",),
        ("Choose the printer, the paper size and the margins.",),
        ("Click ", bold("Print"), ".",),
    ]))
    add(text_para(bookmarked(pkg, BM_PAPER, bold("Paper size and margins.")),
                  " The paper size is taken from the printer's settings; choose another one in the "
                  "Print dialog if your printer holds more than one kind of paper. The margins apply "
                  "to all pages of one print job.",
                  xe("Printing:Paper size"), xe("Printing:Margins"), xe("Paper size")))
    add(text_para("The page header shows the note title and the page footer shows the page number. "
                  "Both can be switched off in the Print dialog.", xe("Printing:Page headers")))
    add(text_para("To print faster, learn the ", link_anchor(BM_SHORTCUTS, run("keyboard shortcuts",
                  '<w:rStyle w:val="Hyperlink"/>')), "."))

    # Reference: two tables and a link to a local file.
    add(heading(pkg, 1, "Reference"))
    add(text_para("The topics of this chapter list the file formats and the keyboard shortcuts of "
                  "Tidewater Notes."))
    add(heading(pkg, 2, "File Formats", bookmark=REF_FORMATS))
    add(text_para("Tidewater Notes can import notes from and export notes to the following formats:",
                  xe("File formats"), xe("Importing"), xe("Exporting")))
    add(table([2200, 1500, 1300, 1300, 3060],
              ["Format", "Extension", "Import", "Export", "Remarks"],
              [["Tidewater notebook", ".twn", "Yes", "Yes", "Keeps tags, colors and attachments"],
               ["Plain text", ".txt", "Yes", "Yes", "One note per file; formatting is lost"],
               ["Markdown", ".md", "Yes", "Yes", "Headings, lists and links are kept"],
               ["Web page", ".html", "No", "Yes", "Pictures are saved in a folder beside the page"],
               ["Comma-separated values", ".csv", "Yes", "No", "One note per line: title, text, tags"]]))
    add(text_para(""))
    add(text_para("To import a file, choose ", bold("Import"), " on the ", bold("File"),
                  " menu. Imported notes go into the selected notebook."))

    add(heading(pkg, 2, "Keyboard Shortcuts", bookmark=BM_SHORTCUTS))
    add(text_para(properties("Id=420; FileName=keyboard-shortcuts; StaticVar=IDH_SHORTCUTS"),
                  "These shortcuts work everywhere in the main window:",
                  xe("Keyboard shortcuts"), xe("Shortcuts:Keyboard")))
    add(table([2600, 6760],
              ["Shortcut", "Command"],
              [["Ctrl+N", "Create a new note in the selected notebook"],
               ["Ctrl+Shift+N", "Create a new notebook"],
               ["Ctrl+F", "Move to the search box"],
               ["Ctrl+P", "Print the selected notes"],
               ["Ctrl+Delete", "Move the selected notes to the wastebasket"],
               ["F2", "Rename the selected notebook"]]))
    add(text_para(""))
    add(text_para("A printable list of all shortcuts is in the ",
                  link_rid(quick_reference, "quick reference card"),
                  ". Print it and keep it beside your keyboard."))

    # Troubleshooting.
    add(heading(pkg, 1, "Troubleshooting"))
    add(text_para("Most problems have a simple cause. Look for your problem in the list below "
                  "before you contact support.", xe("Troubleshooting"), xe("Problems")))
    add(bullets([
        (0, bold("A note is missing. "), "Check the wastebasket, and search for a word of the note: "
            "it may have been moved to another notebook. See ", ref(REF_SEARCHING, "Searching"), "."),
        (0, bold("The printout is cut off. "), "The paper size in the Print dialog does not match the "
            "paper in the printer. See ", link_anchor(BM_PAPER, run("Paper size and margins",
                                                                      '<w:rStyle w:val="Hyperlink"/>')), "."),
        (0, bold("An imported file shows strange characters. "), "Save the file as UTF-8 text and "
            "import it again. The supported formats are listed in ", ref(REF_FORMATS, "File Formats"), "."),
        (0, bold("Synchronization does not start. "), "Check the Internet connection and the account "
            "under ", bold("Settings"), "."),
    ]))
    add(text_para(link_anchor(BM_SHORTCUTS, picture(pkg, tip, "tip.png", 32, 32, "Tip")),
                  " Tip: click the badge to see the keyboard shortcuts. The shortcut for printing "
                  "and the Print dialog are explained in ", ref(REF_PRINTING, "Printing"), "."))
    add(text_para("If the problem persists, visit the ", link_rid(web_support, "support pages"),
                  " and describe what you did, what you expected and what happened instead.",
                  xe("Support")))

    # A topic that the help leaves out, with a sub-topic.
    add(heading(pkg, 1, "Internal Notes"))
    add(text_para(properties("Id=900;FileName=internal;StaticVar=IDH_INTERNAL;Omit=true"),
                  "This chapter is for the documentation team only and is left out of the help. "
                  "It lists the screenshots to retake before the next release.", xe("Internal")))
    add(heading(pkg, 2, "Release Checklist"))
    add(bullets([
        (0, "Retake the main window picture with the new icons."),
        (0, "Check every cross-reference after the chapters are reordered."),
    ]))
    return "".join(x)


# --------------------------------------------------------------------------
# The other parts of the package.
# --------------------------------------------------------------------------

def document_xml(pkg):
    sect = ('<w:sectPr><w:pgSz w:w="12240" w:h="15840"/>'
            '<w:pgMar w:top="1440" w:right="1440" w:bottom="1440" w:left="1440" w:header="720"'
            ' w:footer="720" w:gutter="0"/><w:cols w:space="720"/><w:docGrid w:linePitch="360"/></w:sectPr>')
    return (XML_HEAD + '<w:document xmlns:w="%s" xmlns:r="%s" xmlns:wp="%s"><w:body>%s%s</w:body></w:document>'
            % (NS_W, NS_R, NS_WP, body(pkg), sect))


def styles_xml():
    def pstyle(sid, name, ppr="", rpr="", based="Normal", nxt="Normal", extra=""):
        return ('<w:style w:type="paragraph" w:styleId="%s"><w:name w:val="%s"/>%s%s%s<w:qFormat/>'
                '<w:pPr>%s</w:pPr><w:rPr>%s</w:rPr></w:style>'
                % (sid, name, '<w:basedOn w:val="%s"/>' % based if based else "",
                   '<w:next w:val="%s"/>' % nxt if nxt else "", extra, ppr, rpr))

    heading_font = '<w:rFonts w:ascii="Calibri Light" w:hAnsi="Calibri Light" w:cs="Times New Roman"/>'
    styles = [
        '<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Calibri" w:eastAsia="Calibri" w:hAnsi="Calibri"'
        ' w:cs="Times New Roman"/><w:sz w:val="22"/><w:szCs w:val="22"/><w:lang w:val="en-US" w:eastAsia="en-US"'
        ' w:bidi="ar-SA"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after="160" w:line="259"'
        ' w:lineRule="auto"/></w:pPr></w:pPrDefault></w:docDefaults>',
        '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style>',
        pstyle("Heading1", "heading 1",
               '<w:keepNext/><w:keepLines/><w:numPr><w:numId w:val="%d"/></w:numPr>'
               '<w:spacing w:before="360" w:after="120"/><w:outlineLvl w:val="0"/>' % HEADING_NUM,
               heading_font + '<w:color w:val="2F5496"/><w:sz w:val="32"/><w:szCs w:val="32"/>'),
        pstyle("Heading2", "heading 2",
               '<w:keepNext/><w:keepLines/><w:numPr><w:ilvl w:val="1"/><w:numId w:val="%d"/></w:numPr>'
               '<w:spacing w:before="240" w:after="80"/><w:outlineLvl w:val="1"/>' % HEADING_NUM,
               heading_font + '<w:color w:val="2F5496"/><w:sz w:val="26"/><w:szCs w:val="26"/>'),
        pstyle("Heading3", "heading 3",
               '<w:keepNext/><w:keepLines/><w:spacing w:before="200" w:after="60"/><w:outlineLvl w:val="2"/>',
               heading_font + '<w:color w:val="1F3763"/><w:sz w:val="24"/><w:szCs w:val="24"/>'),
        pstyle("Title", "Title", '<w:spacing w:after="80" w:line="240" w:lineRule="auto"/><w:contextualSpacing/>',
               heading_font + '<w:spacing w:val="-10"/><w:kern w:val="28"/><w:sz w:val="56"/><w:szCs w:val="56"/>'),
        pstyle("Subtitle", "Subtitle", '<w:spacing w:after="240"/>',
               '<w:color w:val="5A5A5A"/><w:spacing w:val="15"/><w:sz w:val="28"/><w:szCs w:val="28"/>'),
        pstyle("ListParagraph", "List Paragraph", '<w:ind w:left="720"/><w:contextualSpacing/>', nxt=None),
        pstyle("Caption", "caption",
               '<w:spacing w:after="200" w:line="240" w:lineRule="auto"/><w:jc w:val="center"/>',
               '<w:i/><w:iCs/><w:color w:val="44546A"/><w:sz w:val="18"/><w:szCs w:val="18"/>'),
        '<w:style w:type="character" w:default="1" w:styleId="DefaultParagraphFont">'
        '<w:name w:val="Default Paragraph Font"/>'
        '<w:uiPriority w:val="1"/><w:semiHidden/><w:unhideWhenUsed/></w:style>',
        '<w:style w:type="character" w:styleId="Hyperlink"><w:name w:val="Hyperlink"/>'
        '<w:basedOn w:val="DefaultParagraphFont"/><w:uiPriority w:val="99"/><w:unhideWhenUsed/>'
        '<w:rPr><w:color w:val="0563C1"/><w:u w:val="single"/></w:rPr></w:style>',
        '<w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/>'
        '<w:uiPriority w:val="99"/><w:semiHidden/><w:unhideWhenUsed/><w:tblPr><w:tblInd w:w="0" w:type="dxa"/><w:tblCellMar>'
        '<w:top w:w="0" w:type="dxa"/><w:left w:w="108" w:type="dxa"/><w:bottom w:w="0" w:type="dxa"/>'
        '<w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr></w:style>',
        '<w:style w:type="table" w:styleId="TableGrid"><w:name w:val="Table Grid"/><w:basedOn w:val="TableNormal"/>'
        '<w:uiPriority w:val="39"/><w:pPr><w:spacing w:after="0" w:line="240" w:lineRule="auto"/></w:pPr>'
        '<w:tblPr><w:tblBorders>'
        + "".join('<w:%s w:val="single" w:sz="4" w:space="0" w:color="auto"/>' % side
                  for side in ("top", "left", "bottom", "right", "insideH", "insideV"))
        + '</w:tblBorders></w:tblPr></w:style>',
        '<w:style w:type="numbering" w:default="1" w:styleId="NoList"><w:name w:val="No List"/>'
        '<w:uiPriority w:val="99"/><w:semiHidden/><w:unhideWhenUsed/></w:style>',
    ]
    return XML_HEAD + '<w:styles xmlns:w="%s">%s</w:styles>' % (NS_W, "".join(styles))


def numbering_xml(pkg):
    def lvl(ilvl, fmt, text, left, hanging, font=None, pstyle=None, jc="left"):
        rpr = ('<w:rPr><w:rFonts w:ascii="%s" w:hAnsi="%s" w:hint="default"/></w:rPr>' % (font, font)
               if font else "")
        return ('<w:lvl w:ilvl="%d"><w:start w:val="1"/><w:numFmt w:val="%s"/>%s<w:lvlText w:val="%s"/>'
                '<w:lvlJc w:val="%s"/><w:pPr><w:ind w:left="%d" w:hanging="%d"/></w:pPr>%s</w:lvl>'
                % (ilvl, fmt, '<w:pStyle w:val="%s"/>' % pstyle if pstyle else "", escape(text), jc,
                   left, hanging, rpr))

    # Bullets: Symbol, Courier New, Wingdings, repeated over the nine levels as Word does.
    bullet_fonts = [("\uf0b7", "Symbol"), ("o", "Courier New"), ("\uf0a7", "Wingdings")]
    bullet_levels = "".join(lvl(i, "bullet", bullet_fonts[i % 3][0], 720 * (i + 1), 360, font=bullet_fonts[i % 3][1])
                            for i in range(9))
    number_formats = ["decimal", "lowerLetter", "lowerRoman"]
    number_levels = "".join(lvl(i, number_formats[i % 3], "%%%d." % (i + 1), 720 * (i + 1),
                                180 if i % 3 == 2 else 360, jc="right" if i % 3 == 2 else "left")
                            for i in range(9))
    # Headings: "1." and "1.1." for Heading 1 and 2; deeper levels carry no number.
    heading_levels = (lvl(0, "decimal", "%1.", 432, 432, pstyle="Heading1")
                      + lvl(1, "decimal", "%1.%2.", 576, 576, pstyle="Heading2")
                      + "".join(lvl(i, "none", "", 0, 0) for i in range(2, 9)))

    abstracts = [
        (0, "hybridMultilevel", bullet_levels),
        (1, "hybridMultilevel", number_levels),
        (2, "multilevel", heading_levels),
    ]
    xml = ['<w:numbering xmlns:w="%s">' % NS_W]
    for aid, kind, levels in abstracts:
        xml.append('<w:abstractNum w:abstractNumId="%d"><w:multiLevelType w:val="%s"/>%s</w:abstractNum>'
                   % (aid, kind, levels))
    xml.append('<w:num w:numId="%d"><w:abstractNumId w:val="2"/></w:num>' % HEADING_NUM)
    xml.append('<w:num w:numId="%d"><w:abstractNumId w:val="0"/></w:num>' % BULLET_NUM)
    for num_id in pkg.numbered_lists:
        # Each numbered list restarts at 1, as Word writes a restarted list.
        xml.append('<w:num w:numId="%d"><w:abstractNumId w:val="1"/><w:lvlOverride w:ilvl="0">'
                   '<w:startOverride w:val="1"/></w:lvlOverride></w:num>' % num_id)
    xml.append("</w:numbering>")
    return XML_HEAD + "".join(xml)


def settings_xml():
    return (XML_HEAD + '<w:settings xmlns:w="%s"><w:zoom w:percent="100"/><w:proofState w:spelling="clean"'
            ' w:grammar="clean"/><w:defaultTabStop w:val="720"/><w:characterSpacingControl w:val="doNotCompress"/>'
            '<w:compat><w:compatSetting w:name="compatibilityMode" w:uri="http://schemas.microsoft.com/office/word"'
            ' w:val="15"/></w:compat><w:themeFontLang w:val="en-US"/><w:decimalSymbol w:val="."/>'
            '<w:listSeparator w:val=","/></w:settings>' % NS_W)


def web_settings_xml():
    return (XML_HEAD + '<w:webSettings xmlns:w="%s"><w:optimizeForBrowser/><w:allowPNG/></w:webSettings>'
            % NS_W)


def font_table_xml():
    fonts = [
        ("Symbol", "05050102010706020507", "roman", "variable"),
        ("Times New Roman", "02020603050405020304", "roman", "variable"),
        ("Courier New", "02070309020205020404", "modern", "fixed"),
        ("Wingdings", "05000000000000000000", "auto", "variable"),
        ("Calibri", "020F0502020204030204", "swiss", "variable"),
        ("Calibri Light", "020F0302020204030204", "swiss", "variable"),
    ]
    charset = {"Symbol": "02", "Wingdings": "02"}
    return (XML_HEAD + '<w:fonts xmlns:w="%s">%s</w:fonts>' % (NS_W, "".join(
        '<w:font w:name="%s"><w:panose1 w:val="%s"/><w:charset w:val="%s"/><w:family w:val="%s"/>'
        '<w:pitch w:val="%s"/></w:font>' % (name, panose, charset.get(name, "00"), family, pitch)
        for name, panose, family, pitch in fonts)))


def content_types_xml(pkg):
    main = "application/vnd.openxmlformats-officedocument.wordprocessingml."
    overrides = [
        ("/word/document.xml", main + "document.main+xml"),
        ("/word/styles.xml", main + "styles+xml"),
        ("/word/settings.xml", main + "settings+xml"),
        ("/word/webSettings.xml", main + "webSettings+xml"),
        ("/word/fontTable.xml", main + "fontTable+xml"),
        ("/word/numbering.xml", main + "numbering+xml"),
        ("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml"),
        ("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml"),
    ]
    return (XML_HEAD + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="png" ContentType="image/png"/>'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>%s</Types>'
            % "".join('<Override PartName="%s" ContentType="%s"/>' % o for o in overrides))


def relationships_xml(rels):
    items = []
    for rid, kind, target, external in rels:
        mode = ' TargetMode="External"' if external else ""
        items.append('<Relationship Id="%s" Type="%s" Target=%s%s/>' % (rid, REL + kind, quoteattr(target), mode))
    return (XML_HEAD + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s'
            '</Relationships>' % "".join(items))


def package_rels_xml():
    return (XML_HEAD + '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'extended-properties" Target="docProps/app.xml"/>'
            '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/'
            'core-properties" Target="docProps/core.xml"/>'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
            'officeDocument" Target="word/document.xml"/></Relationships>')


def core_xml():
    return (XML_HEAD + '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/'
            'core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/"'
            ' xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
            '<dc:title>Tidewater Notes User Guide</dc:title><dc:subject>Help manual</dc:subject>'
            '<dc:creator>Tidewater Documentation Team</dc:creator><cp:keywords>notes, help, example</cp:keywords>'
            '<dc:description>The example help manual of Quillcraft.</dc:description>'
            '<cp:lastModifiedBy>Tidewater Documentation Team</cp:lastModifiedBy><cp:revision>1</cp:revision>'
            '<dcterms:created xsi:type="dcterms:W3CDTF">2026-01-15T09:30:00Z</dcterms:created>'
            '<dcterms:modified xsi:type="dcterms:W3CDTF">2026-01-15T09:30:00Z</dcterms:modified>'
            '</cp:coreProperties>')


def app_xml():
    return (XML_HEAD + '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"'
            ' xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">'
            '<Template>Normal.dotm</Template><TotalTime>0</TotalTime><Application>Quillcraft example writer'
            '</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>'
            '<Company>Tidewater</Company><LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc>'
            '<HyperlinksChanged>false</HyperlinksChanged><AppVersion>16.0000</AppVersion></Properties>')


QUICK_REFERENCE_TEXT = """\
TIDEWATER NOTES 2.4 - QUICK REFERENCE CARD
==========================================

Notes
  Ctrl+N            New note in the selected notebook
  Ctrl+Shift+N      New notebook
  Ctrl+D            Duplicate the selected note
  Ctrl+Delete       Move the selected notes to the wastebasket

Finding
  Ctrl+F            Move to the search box
  #tag              Search for a tag
  2026-03-14        Search for the notes of one day

Printing
  Ctrl+P            Print the selected notes

Notebooks
  F2                Rename the selected notebook
  Drag and drop     Move notes or nest notebooks
"""

RELEASE_NOTES_TEXT = """\
TIDEWATER NOTES - RELEASE NOTES
===============================

Version 2.4
  - Notebooks can be nested.
  - Search accepts dates (2026-03-14) and tags (#travel).
  - Printing puts the note title in the page header.

Version 2.3
  - Notes can be exported as web pages.
  - Colors can be renamed under Settings.
"""


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def zip_entry(name):
    info = zipfile.ZipInfo(name, ZIP_TIME)
    info.external_attr = 0o644 << 16
    return info


def caption(number, text):
    """A caption as Word inserts it: the number is a SEQ field."""
    return text_para("Figure ", field("SEQ Figure \\* ARABIC", run(str(number))), ": " + text, style="Caption")


def main(out_dir):
    pkg = Package()
    document = document_xml(pkg)   # first: it registers pictures, links and lists
    parts = [
        ("[Content_Types].xml", content_types_xml(pkg)),
        ("_rels/.rels", package_rels_xml()),
        ("docProps/core.xml", core_xml()),
        ("docProps/app.xml", app_xml()),
        ("word/document.xml", document),
        ("word/_rels/document.xml.rels", relationships_xml(pkg.rels)),
        ("word/styles.xml", styles_xml()),
        ("word/numbering.xml", numbering_xml(pkg)),
        ("word/settings.xml", settings_xml()),
        ("word/webSettings.xml", web_settings_xml()),
        ("word/fontTable.xml", font_table_xml()),
    ]
    os.makedirs(out_dir, exist_ok=True)
    out_docx = os.path.join(out_dir, DOCX_NAME)
    tmp = out_docx + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name, text in parts:
            z.writestr(zip_entry(name), text.encode("utf-8"), zipfile.ZIP_DEFLATED)
        for name, data in pkg.media:
            # Pictures are compressed already.
            z.writestr(zip_entry("word/" + name), data, zipfile.ZIP_STORED)
    os.replace(tmp, out_docx)
    write_text(os.path.join(out_dir, QUICK_REFERENCE), QUICK_REFERENCE_TEXT)
    write_text(os.path.join(out_dir, RELEASE_NOTES), RELEASE_NOTES_TEXT)
    print("wrote", out_docx)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "sample"))
