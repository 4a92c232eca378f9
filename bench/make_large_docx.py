#!/usr/bin/env python3
"""Writes a large .docx for the HTML benchmark: numbered headings on three
levels, body paragraphs with mixed formatting, bullet lists, hyperlinks,
bookmarks, footnotes, tables with merged cells and shading, and pictures.

    bench/make_large_docx.py OUT.docx [CHAPTERS]   (default 300 chapters)

Each chapter holds one level-1 heading, 4 level-2 and 8 level-3 headings,
about 40 paragraphs, a table and a picture.
"""
import struct
import sys
import zipfile
import zlib

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" ' \
    'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" ' \
    'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" ' \
    'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" ' \
    'xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture"'

LOREM = ("Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
         "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud "
         "exercitation ullamco laboris nisi ut aliquip ex ea commodo consequat.")


def png(width, height, seed):
    rows = b"".join(b"\0" + bytes(v for x in range(width)
                                   for v in ((x * 7 + y * 3 + seed * 40) % 256, (x + seed * 90) % 256,
                                             (y * 5) % 256))
                    for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def run(text, props=""):
    return f'<w:r>{"<w:rPr>" + props + "</w:rPr>" if props else ""}<w:t xml:space="preserve">{text}</w:t></w:r>'


def para(content, ppr=""):
    return f"<w:p><w:pPr>{ppr}</w:pPr>{content}</w:p>"


def heading(level, text, bookmark_id):
    bm = f'<w:bookmarkStart w:id="{bookmark_id}" w:name="_Toc{bookmark_id:06d}"/>'
    return para(bm + run(text) + f'<w:bookmarkEnd w:id="{bookmark_id}"/>',
                f'<w:pStyle w:val="Heading{level}"/><w:numPr><w:ilvl w:val="{level - 1}"/>'
                f'<w:numId w:val="1"/></w:numPr>')


def body_para(i):
    return para(run(f"Paragraph {i}. ") + run(LOREM[:90], "<w:b/>") + run(" " + LOREM[90:], "<w:i/>")
                + run(" Coloured", '<w:color w:val="C00000"/><w:sz w:val="24"/>') + run(" text."))


def bullet(text, level):
    return para(run(text), f'<w:pStyle w:val="ListParagraph"/><w:numPr><w:ilvl w:val="{level}"/>'
                           f'<w:numId w:val="2"/></w:numPr>')


def table(n):
    def cell(text, extra=""):
        return (f'<w:tc><w:tcPr><w:tcW w:w="2400" w:type="dxa"/>{extra}</w:tcPr>'
                + para(run(text)) + "</w:tc>")
    rows = ['<w:tr>' + cell("Header", '<w:gridSpan w:val="2"/><w:shd w:val="clear" w:fill="D9D9D9"/>')
            + cell("Merged", '<w:vMerge w:val="restart"/>') + cell("Last") + '</w:tr>']
    for r in range(6):
        rows.append('<w:tr>' + cell(f"R{r}C0 {n}") + cell(f"R{r}C1") + cell("", '<w:vMerge/>')
                    + cell(f"{r * n}") + '</w:tr>')
    borders = "".join(f'<w:{s} w:val="single" w:sz="4" w:color="auto"/>'
                      for s in ("top", "left", "bottom", "right", "insideH", "insideV"))
    return (f'<w:tbl><w:tblPr><w:tblW w:w="9600" w:type="dxa"/><w:tblBorders>{borders}</w:tblBorders>'
            '</w:tblPr><w:tblGrid>' + '<w:gridCol w:w="2400"/>' * 4 + '</w:tblGrid>' + "".join(rows) + '</w:tbl>')


def picture(n, rel):
    cx, cy = 2400000, 1200000
    return para(f'<w:r><w:drawing><wp:inline><wp:extent cx="{cx}" cy="{cy}"/>'
                f'<wp:docPr id="{n}" name="Picture {n}" descr="Figure {n}"/><a:graphic>'
                '<a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture"><pic:pic>'
                f'<pic:nvPicPr><pic:cNvPr id="{n}" name="p{n}.png"/><pic:cNvPicPr/></pic:nvPicPr>'
                f'<pic:blipFill><a:blip r:embed="{rel}"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>'
                f'<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="{cx}" cy="{cy}"/></a:xfrm>'
                '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData>'
                '</a:graphic></wp:inline></w:drawing></w:r>')


def main():
    out = sys.argv[1]
    chapters = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    images = 20
    parts = []
    bid = 0
    notes = []
    counter = 0
    for c in range(chapters):
        bid += 1
        parts.append(heading(1, f"Chapter {c + 1}", bid))
        for s in range(4):
            bid += 1
            parts.append(heading(2, f"Section {c + 1}.{s + 1}", bid))
            for t in range(2):
                bid += 1
                parts.append(heading(3, f"Topic {c + 1}.{s + 1}.{t + 1}", bid))
                for _ in range(4):
                    counter += 1
                    parts.append(body_para(counter))
                parts.append(bullet("First point", 0) + bullet("Second point", 1) + bullet("Third point", 0))
            link = ('<w:hyperlink w:anchor="_Toc%06d">' % max(1, bid - 5)) + run("See an earlier topic", '<w:rStyle w:val="Hyperlink"/>') + '</w:hyperlink>'
            notes.append(len(notes) + 1)
            parts.append(para(run("A link: ") + link + run(" and a note")
                              + f'<w:r><w:rPr><w:vertAlign w:val="superscript"/></w:rPr>'
                                f'<w:footnoteReference w:id="{len(notes)}"/></w:r>'))
        parts.append(table(c))
        parts.append(picture(c + 1, f"rIdImg{c % images}"))
    document = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document {W}><w:body>'
                + "".join(parts) + '<w:sectPr><w:pgSz w:w="12240" w:h="15840"/>'
                '<w:pgMar w:top="1440" w:right="1440" w:bottom="1440" w:left="1440"/></w:sectPr>'
                '</w:body></w:document>')
    styles = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:styles {W}>'
              '<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Calibri" w:hAnsi="Calibri"/>'
              '<w:sz w:val="22"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr>'
              '<w:spacing w:after="160" w:line="259" w:lineRule="auto"/></w:pPr></w:pPrDefault></w:docDefaults>'
              '<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/></w:style>'
              + "".join(f'<w:style w:type="paragraph" w:styleId="Heading{n}"><w:name w:val="heading {n}"/>'
                        f'<w:basedOn w:val="Normal"/><w:pPr><w:keepNext/><w:spacing w:before="240" w:after="60"/>'
                        f'<w:outlineLvl w:val="{n - 1}"/></w:pPr><w:rPr><w:b/><w:color w:val="2F5496"/>'
                        f'<w:sz w:val="{36 - 4 * n}"/></w:rPr></w:style>' for n in (1, 2, 3))
              + '<w:style w:type="paragraph" w:styleId="ListParagraph"><w:name w:val="List Paragraph"/>'
                '<w:basedOn w:val="Normal"/><w:pPr><w:ind w:left="720"/><w:contextualSpacing/></w:pPr></w:style>'
                '<w:style w:type="character" w:styleId="Hyperlink"><w:name w:val="Hyperlink"/>'
                '<w:rPr><w:color w:val="0563C1"/><w:u w:val="single"/></w:rPr></w:style></w:styles>')
    numbering = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:numbering {W}>'
                 '<w:abstractNum w:abstractNumId="0">'
                 + "".join(f'<w:lvl w:ilvl="{i}"><w:start w:val="1"/><w:numFmt w:val="decimal"/>'
                           f'<w:lvlText w:val="{".".join("%" + str(k + 1) for k in range(i + 1))}."/>'
                           f'<w:pPr><w:ind w:left="{432 + 144 * i}" w:hanging="{432 + 144 * i}"/></w:pPr></w:lvl>'
                           for i in range(3))
                 + '</w:abstractNum><w:abstractNum w:abstractNumId="1">'
                 '<w:lvl w:ilvl="0"><w:numFmt w:val="bullet"/><w:lvlText w:val="\uf0b7"/>'
                 '<w:pPr><w:ind w:left="720" w:hanging="360"/></w:pPr>'
                 '<w:rPr><w:rFonts w:ascii="Symbol" w:hAnsi="Symbol" w:hint="default"/></w:rPr></w:lvl>'
                 '<w:lvl w:ilvl="1"><w:numFmt w:val="bullet"/><w:lvlText w:val="\uf0a7"/>'
                 '<w:pPr><w:ind w:left="1440" w:hanging="360"/></w:pPr>'
                 '<w:rPr><w:rFonts w:ascii="Wingdings" w:hAnsi="Wingdings" w:hint="default"/></w:rPr></w:lvl>'
                 '</w:abstractNum><w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num>'
                 '<w:num w:numId="2"><w:abstractNumId w:val="1"/></w:num></w:numbering>')
    footnotes = (f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:footnotes {W}>'
                 + "".join(f'<w:footnote w:id="{n}"><w:p><w:r><w:rPr><w:vertAlign w:val="superscript"/></w:rPr>'
                           f'<w:footnoteRef/></w:r>{run(" Note number " + str(n) + ".")}</w:p></w:footnote>'
                           for n in notes) + '</w:footnotes>')
    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rIdStyles" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
            '<Relationship Id="rIdNum" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering" Target="numbering.xml"/>'
            '<Relationship Id="rIdFoot" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/footnotes" Target="footnotes.xml"/>'
            + "".join(f'<Relationship Id="rIdImg{i}" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/image{i}.png"/>'
                      for i in range(images)) + '</Relationships>')
    ct = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
          '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
          '<Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/>'
          '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
          '<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>'
          '<Override PartName="/word/numbering.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"/>'
          '<Override PartName="/word/footnotes.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.footnotes+xml"/>'
          '</Types>')
    root_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                 '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                 '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>'
                 '</Relationships>')
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", ct)
        z.writestr("_rels/.rels", root_rels)
        z.writestr("word/document.xml", document)
        z.writestr("word/styles.xml", styles)
        z.writestr("word/numbering.xml", numbering)
        z.writestr("word/footnotes.xml", footnotes)
        z.writestr("word/_rels/document.xml.rels", rels)
        for i in range(images):
            z.writestr(f"word/media/image{i}.png", png(160, 80, i))
    headings = chapters * (1 + 4 + 8)
    print(f"{out}: {headings} headings, {counter} body paragraphs, {chapters} tables, {chapters} pictures, "
          f"{len(notes)} footnotes")


if __name__ == "__main__":
    main()
