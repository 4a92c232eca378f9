// Opening HTML pages as documents: each element the import knows, the page's
// encoding, pictures, links and anchors, and hostile input.
#include "platform/word/Document.h"
#include "platform/word/HtmlImport.h"
#include "platform/word/Numbering.h"
#include "platform/word/Story.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace word;
using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

Document *openPage(Application &app, const ScratchDir &dir, const QByteArray &html,
                   const QString &name = QStringLiteral("page.htm"))
{
    writeFile(dir.file(name), html);
    return app.Documents().Open(dir.file(name), wdOpenFormatWebPages);
}

QStringList texts(Document *doc)
{
    QStringList out;
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        out << p.Range().Text().chopped(1);
    return out;
}

pugi::xml_node paragraphWith(Document *doc, const QString &text)
{
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        if (p.Range().Text().contains(text))
            return p.node();
    return {};
}

// The run holding exactly the given text.
pugi::xml_node runWith(Document *doc, const QString &text)
{
    for (pugi::xpath_node x : doc->body().select_nodes(".//w:t"))
        if (QString::fromUtf8(x.node().text().get()).trimmed() == text)
            return x.node().parent();
    return {};
}

QByteArray png(quint32 w, quint32 h)
{
    QByteArray b("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    char be[4];
    qToBigEndian(w, be);
    b.append(be, 4);
    qToBigEndian(h, be);
    b.append(be, 4);
    b.append("\x08\x02\0\0\0", 5);
    return b;
}

QByteArray gif(quint16 w, quint16 h)
{
    QByteArray b("GIF89a");
    char le[2];
    qToLittleEndian(w, le);
    b.append(le, 2);
    qToLittleEndian(h, le);
    b.append(le, 2);
    return b + QByteArray(20, '\0');
}

QByteArray bmp(qint32 w, qint32 h)
{
    QByteArray b(54, '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian(w, b.data() + 18);
    qToLittleEndian(h, b.data() + 22);
    return b;
}

QByteArray jpeg(quint16 w, quint16 h)
{
    QByteArray b("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    b.append("\xFF\xC0\x00\x11\x08", 5);
    char be[2];
    qToBigEndian(h, be);
    b.append(be, 2);
    qToBigEndian(w, be);
    b.append(be, 2);
    return b + QByteArray(12, '\0');
}

qint64 extentCx(pugi::xml_node drawing)
{
    return drawing.select_node(".//wp:extent").node().attribute("cx").as_llong();
}

qint64 extentCy(pugi::xml_node drawing)
{
    return drawing.select_node(".//wp:extent").node().attribute("cy").as_llong();
}

} // namespace

TEST(WordHtmlImport, BlocksAndCharacterFormatting)
{
    ScratchDir dir;
    Application app;
    Document *doc = openPage(
        app, dir,
        "<html><head><title>Ignored title</title><style>p{color:red}</style><script>var x=1;</script></head><body>"
        "<h1>Main  title</h1><h3>Third</h3>\n<p>Plain   text\nwith <b>bold</b>, <strong>strong</strong>, "
        "<i>it</i>, <em>em</em>, <u>under</u>, <s>gone</s>, H<sub>2</sub>O, x<sup>2</sup>, <code>code()</code>, "
        "<tt>tt</tt> &amp; &lt;entities&gt; &copy; &eacute;t&eacute;</p>"
        "<p><font color=\"#00ff00\" face=\"Verdana, Arial\" size=\"5\">font</font> "
        "<span style=\"color: rgb(0,0,255); font-family: 'Courier New'; font-size: 9pt; font-weight: bold\">span</span></p>"
        "<pre>line one\n  indented\tafter tab</pre>"
        "<p>before<br>after</p><blockquote>quoted</blockquote><hr>"
        "<dl><dt>Term</dt><dd>Definition</dd></dl><div align=center>centred</div></body></html>");
    const QStringList t = texts(doc);
    EXPECT_EQ(t.value(0), "Main title");
    EXPECT_EQ(t.value(1), "Third");
    EXPECT_TRUE(t.value(2).startsWith("Plain text with bold, strong, it, em, under, gone, H2O, x2, code(), tt & <entities> "
                                      "\u00a9 \u00e9t\u00e9"))
        << t.value(2).toStdString();
    EXPECT_FALSE(t.join('|').contains("Ignored title"));
    EXPECT_FALSE(t.join('|').contains("var x"));

    EXPECT_EQ(doc->Paragraphs().Item(1).OutlineLevel(), 1);
    EXPECT_EQ(doc->Paragraphs().Item(2).OutlineLevel(), 3);
    EXPECT_EQ(doc->Paragraphs().Item(3).OutlineLevel(), wdOutlineLevelBodyText);

    EXPECT_TRUE(runWith(doc, "bold").child("w:rPr").child("w:b"));
    EXPECT_TRUE(runWith(doc, "strong").child("w:rPr").child("w:b"));
    EXPECT_TRUE(runWith(doc, "it").child("w:rPr").child("w:i"));
    EXPECT_TRUE(runWith(doc, "em").child("w:rPr").child("w:i"));
    EXPECT_STREQ(runWith(doc, "under").child("w:rPr").child("w:u").attribute("w:val").value(), "single");
    EXPECT_TRUE(runWith(doc, "gone").child("w:rPr").child("w:strike"));
    EXPECT_STREQ(runWith(doc, "2").child("w:rPr").child("w:vertAlign").attribute("w:val").value(), "subscript");
    EXPECT_STREQ(runWith(doc, "code()").child("w:rPr").child("w:rFonts").attribute("w:ascii").value(), "Courier New");
    pugi::xml_node font = runWith(doc, "font").child("w:rPr");
    EXPECT_STREQ(font.child("w:color").attribute("w:val").value(), "00FF00");
    EXPECT_STREQ(font.child("w:rFonts").attribute("w:ascii").value(), "Verdana");
    EXPECT_EQ(font.child("w:sz").attribute("w:val").as_int(), 36);
    pugi::xml_node span = runWith(doc, "span").child("w:rPr");
    EXPECT_STREQ(span.child("w:color").attribute("w:val").value(), "0000FF");
    EXPECT_STREQ(span.child("w:rFonts").attribute("w:ascii").value(), "Courier New");
    EXPECT_EQ(span.child("w:sz").attribute("w:val").as_int(), 18);
    EXPECT_TRUE(span.child("w:b"));

    // pre keeps its line breaks and tabs; br breaks the line.
    EXPECT_EQ(QString(paragraphWith(doc, "line one").select_nodes(".//w:br").size() ? "br" : ""), "br");
    EXPECT_TRUE(t.contains(QStringLiteral("line one\v  indented\tafter tab")));
    EXPECT_TRUE(t.contains(QStringLiteral("before\vafter")));
    EXPECT_GT(paragraphWith(doc, "quoted").child("w:pPr").child("w:ind").attribute("w:left").as_int(), 0);
    EXPECT_GT(paragraphWith(doc, "Definition").child("w:pPr").child("w:ind").attribute("w:left").as_int(), 0);
    EXPECT_TRUE(doc->body().select_node(".//w:pBdr/w:bottom"));
    EXPECT_EQ(doc->Paragraphs().Item(1).Range().Font().Size(), doc->Styles().Item(-2).Font().Size());
    EXPECT_EQ(Paragraph(doc, paragraphWith(doc, "centred")).Format().Alignment(), wdAlignParagraphCenter);
}

TEST(WordHtmlImport, ListsBecomeNumbering)
{
    ScratchDir dir;
    Application app;
    Document *doc = openPage(app, dir,
                             "<ol start=\"4\"><li>four<li>five<ul type=square><li>inner</ul></ol>"
                             "<ol type=\"a\"><li>alpha</li></ol><ul><li><p>para one</p><p>para two</p></li></ul>");
    Numbering numbering(doc->package().xml(doc->numberingPart())->document_element());
    auto label = [&](const QString &text) {
        pugi::xml_node numPr = paragraphWith(doc, text).child("w:pPr").child("w:numPr");
        return numbering.next(numPr.child("w:numId").attribute("w:val").as_int(),
                              numPr.child("w:ilvl").attribute("w:val").as_int());
    };
    EXPECT_EQ(label("four").text, "4.");
    EXPECT_EQ(label("five").text, "5.");
    const ListLabel inner = label("inner");
    EXPECT_TRUE(inner.bullet);
    EXPECT_EQ(inner.font, "Wingdings");
    EXPECT_EQ(paragraphWith(doc, "inner").child("w:pPr").child("w:numPr").child("w:ilvl").attribute("w:val").as_int(), 1);
    EXPECT_EQ(label("alpha").text, "a.");
    // The second paragraph of an item is indented text, not a new item.
    EXPECT_TRUE(paragraphWith(doc, "para one").child("w:pPr").child("w:numPr"));
    EXPECT_FALSE(paragraphWith(doc, "para two").child("w:pPr").child("w:numPr"));
}

TEST(WordHtmlImport, TablesWithSpansWidthsBordersAndHeaders)
{
    ScratchDir dir;
    Application app;
    Document *doc = openPage(app, dir,
                             "<table border=1 width=\"50%\"><thead><tr><th>H1</th><th>H2</th><th>H3</th></tr></thead>"
                             "<tr><td rowspan=2>tall</td><td colspan=2 width=200>wide</td></tr>"
                             "<tr><td>b</td><td bgcolor=yellow>c</td></tr>"
                             "<tr><td>short row</td></tr></table><p>after</p>");
    pugi::xml_node tbl = doc->body().child("w:tbl");
    ASSERT_TRUE(tbl);
    EXPECT_STREQ(tbl.child("w:tblPr").child("w:tblW").attribute("w:type").value(), "pct");
    EXPECT_EQ(tbl.child("w:tblPr").child("w:tblW").attribute("w:w").as_int(), 2500);
    EXPECT_TRUE(tbl.child("w:tblPr").child("w:tblBorders").child("w:insideV"));
    std::vector<pugi::xml_node> rows;
    for (pugi::xml_node tr : tbl.children("w:tr"))
        rows.push_back(tr);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_TRUE(rows[0].child("w:trPr").child("w:tblHeader"));
    EXPECT_FALSE(rows[1].child("w:trPr").child("w:tblHeader"));
    EXPECT_TRUE(runWith(doc, "H1").child("w:rPr").child("w:b"));
    // Every row spans three grid columns.
    for (pugi::xml_node tr : rows) {
        int cols = 0;
        for (pugi::xml_node tc : tr.children("w:tc"))
            cols += std::max(1, tc.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int());
        EXPECT_EQ(cols, 3);
    }
    pugi::xml_node tall = rows[1].child("w:tc");
    EXPECT_STREQ(tall.child("w:tcPr").child("w:vMerge").attribute("w:val").value(), "restart");
    pugi::xml_node merged = rows[2].child("w:tc");
    EXPECT_TRUE(merged.child("w:tcPr").child("w:vMerge"));
    EXPECT_FALSE(merged.child("w:tcPr").child("w:vMerge").attribute("w:val"));
    pugi::xml_node wide = tall.next_sibling("w:tc");
    EXPECT_EQ(wide.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int(), 2);
    EXPECT_EQ(wide.child("w:tcPr").child("w:tcW").attribute("w:w").as_int(), 3000);
    EXPECT_STREQ(merged.next_sibling("w:tc").next_sibling("w:tc").child("w:tcPr").child("w:shd").attribute("w:fill").value(),
                 "FFFF00");
    const QStringList t = texts(doc);
    EXPECT_TRUE(t.contains("short row"));
    EXPECT_TRUE(t.contains("after"));
}

TEST(WordHtmlImport, PicturesEmbeddedAndSized)
{
    ScratchDir dir;
    writeFile(dir.file("img/a.png"), png(200, 100));
    writeFile(dir.file("img/b.gif"), gif(40, 30));
    writeFile(dir.file("img/c.bmp"), bmp(64, -32));
    writeFile(dir.file("img/d.jpg"), jpeg(320, 240));
    writeFile(dir.file("img/huge.png"), png(30000, 30000));
    writeFile(dir.file("img/broken.png"), "not a picture at all");
    Application app;
    Document *doc = openPage(app, dir,
                             "<p><img src=\"img/a.png\" alt=\"A\"> <img src=\"IMG/B.GIF\"> <img src=\"img/c.bmp\" "
                             "width=128> <img src=\"img/d.jpg\" width=\"10\" height=\"20\"> <img src=\"img/huge.png\">"
                             " <img src=\"img/a.png\"> <img src=\"img/missing.png\" alt=\"Lost picture\">"
                             " <img src=\"img/broken.png\" alt=\"Broken\"> <img src=\"http://example.com/x.png\"></p>");
    std::vector<pugi::xml_node> drawings;
    for (pugi::xpath_node x : doc->body().select_nodes(".//w:drawing"))
        drawings.push_back(x.node());
    ASSERT_EQ(drawings.size(), 6u);
    EXPECT_EQ(extentCx(drawings[0]), 200 * 9525);
    EXPECT_EQ(extentCy(drawings[0]), 100 * 9525);
    EXPECT_EQ(extentCx(drawings[1]), 40 * 9525);
    EXPECT_EQ(extentCy(drawings[2]), 64 * 9525); // width given: height keeps the aspect
    EXPECT_EQ(extentCx(drawings[3]), 10 * 9525);
    EXPECT_EQ(extentCy(drawings[3]), 20 * 9525);
    EXPECT_LE(extentCx(drawings[4]), 9360ll * 635); // shown at the text width
    EXPECT_EQ(extentCx(drawings[4]), extentCy(drawings[4]));
    EXPECT_EQ(doc->InlineShapes().Count(), 6);
    EXPECT_EQ(doc->InlineShapes().Item(1).AlternativeText(), "A");
    // The same file is stored once; each picture's part holds the file.
    QSet<QString> parts;
    for (pugi::xml_node d : drawings) {
        const QString id = QString::fromUtf8(d.select_node(".//a:blip").node().attribute("r:embed").value());
        const Relationship rel = doc->package().relationship(doc->mainPart(), id);
        ASSERT_TRUE(doc->package().hasPart(rel.targetPart)) << rel.targetPart.toStdString();
        parts.insert(rel.targetPart);
    }
    EXPECT_EQ(parts.size(), 5);
    const QString text = doc->Content().Text();
    EXPECT_TRUE(text.contains("[Lost picture]"));
    EXPECT_TRUE(text.contains("[Broken]"));
    // Saved and read again, the pictures are still there.
    doc->SaveAs(dir.file("out.docx"), wdFormatXMLDocument);
    Document *again = app.Documents().Open(dir.file("out.docx"));
    EXPECT_EQ(again->InlineShapes().Count(), 6);
}

TEST(WordHtmlImport, LinksAnchorsAndBookmarkNames)
{
    ScratchDir dir;
    Application app;
    Document *doc = openPage(app, dir,
                             "<p><a name=\"top\"></a><a href=\"http://example.com/a?b=1\">outside</a> "
                             "<a href=\"#2 bad name!\">inside</a> <a href=\"javascript:alert(1)\">scripted</a> "
                             "<a href=\"other.htm\">relative</a></p><h2 id=\"2 bad name!\">Target</h2>"
                             "<p><a name=\"top\">duplicate</a> <a name=\"" + QByteArray(60, 'x') + "\">long</a></p>");
    std::vector<pugi::xml_node> links;
    for (pugi::xpath_node x : doc->body().select_nodes(".//w:hyperlink"))
        links.push_back(x.node());
    ASSERT_EQ(links.size(), 3u);
    const Relationship out = doc->package().relationship(doc->mainPart(), QString::fromUtf8(links[0].attribute("r:id").value()));
    EXPECT_TRUE(out.external);
    EXPECT_EQ(out.target, "http://example.com/a?b=1");
    EXPECT_EQ(doc->package().relationship(doc->mainPart(), QString::fromUtf8(links[2].attribute("r:id").value())).target,
              "other.htm");
    // The anchor link follows its bookmark, whose name Word accepts.
    const QString anchor = QString::fromUtf8(links[1].attribute("w:anchor").value());
    EXPECT_EQ(anchor, ValidBookmarkName("2 bad name!"));
    EXPECT_EQ(anchor, "_2_bad_name_");
    doc->Bookmarks().setShowHidden(true);
    ASSERT_TRUE(doc->Bookmarks().Exists(anchor));
    Range target = Bookmark(doc, anchor).Range();
    target.Expand(wdParagraph);
    EXPECT_EQ(target.Text(), "Target\r");
    // A script link keeps its text and loses the link.
    EXPECT_TRUE(doc->Content().Text().contains("scripted"));
    // Every name is one Word accepts, and each appears once.
    QStringList names;
    for (int i = 1; i <= doc->Bookmarks().Count(); ++i)
        names << doc->Bookmarks().Item(i).Name();
    EXPECT_EQ(names.size(), 3) << names.join(',').toStdString();
    EXPECT_EQ(names.count("top"), 1);
    for (const QString &n : names) {
        EXPECT_LE(n.size(), 40);
        EXPECT_EQ(ValidBookmarkName(n), n);
    }
    EXPECT_NE(ValidBookmarkName(QString(60, 'x')), ValidBookmarkName(QString(59, 'x') + 'y'));
}

TEST(WordHtmlImport, EncodingsFromMetaAndByteOrderMarks)
{
    ScratchDir dir;
    Application app;
    // Windows-1251 named by the older meta form.
    QByteArray cyr = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"><p>";
    cyr += QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2") + "</p>";
    EXPECT_EQ(texts(openPage(app, dir, cyr, "c.htm")).value(0), QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442"));
    // HTML5's form, Shift-JIS.
    const QByteArray sjis = "<meta charset=\"shift_jis\"><p>\x93\xfa\x96\x7b</p>";
    EXPECT_EQ(texts(openPage(app, dir, sjis, "j.htm")).value(0), QString::fromUtf8("\u65e5\u672c"));
    // UTF-16 with its byte-order mark, whatever the meta says.
    QString u16 = QStringLiteral("<meta charset=windows-1252><p>\u00fcber \u4e2d\u6587</p>");
    QByteArray le("\xff\xfe");
    for (QChar c : u16) {
        le.append(char(c.unicode() & 0xff));
        le.append(char(c.unicode() >> 8));
    }
    EXPECT_EQ(texts(openPage(app, dir, le, "u.htm")).value(0), QString::fromUtf8("\u00fcber \u4e2d\u6587"));
    // UTF-8 without a meta is read as Windows-1252 (as browsers do), with a meta as UTF-8.
    EXPECT_EQ(texts(openPage(app, dir, "<meta charset=utf-8><p>caf\xc3\xa9</p>", "8.htm")).value(0), "caf\u00e9");
    // An unknown charset falls back to Windows-1252 and still gives the text.
    EXPECT_EQ(texts(openPage(app, dir, "<meta charset=x-nonsense-42><p>na\xefve \x80</p>", "x.htm")).value(0),
              QString::fromUtf8("na\u00efve \u20ac"));
}

TEST(WordHtmlImport, HostileAndDamagedPagesGiveDocuments)
{
    ScratchDir dir;
    Application app;
    // Truncated in the middle of a tag, with stray end tags and a NUL byte.
    Document *cut = openPage(app, dir, QByteArray("<html><body><p>kept text</b></i></td><p>more\0x<table><tr><td>cell<", 73),
                             "cut.htm");
    EXPECT_TRUE(cut->Content().Text().contains("kept text"));
    EXPECT_TRUE(cut->Content().Text().contains("cell"));
    // Tables nested a thousand deep: the text stays, the document stays readable.
    QByteArray deep;
    for (int i = 0; i < 1000; ++i)
        deep += "<table><tr><td>d" + QByteArray::number(i) + " ";
    deep += "bottom";
    Document *nested = openPage(app, dir, deep, "deep.htm");
    EXPECT_TRUE(nested->Content().Text().contains("d0 "));
    nested->SaveAs(dir.file("deep.docx"), wdFormatXMLDocument);
    Document *reread = app.Documents().Open(dir.file("deep.docx"));
    EXPECT_TRUE(reread->Content().Text().contains("d0"));
    // A missing page is an error that names it.
    try {
        app.Documents().Open(dir.file("nothere.htm"), wdOpenFormatWebPages);
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains("nothere.htm"));
    }
}

TEST(WordHtmlImport, LargePageOpensWhole)
{
    ScratchDir dir;
    QByteArray big = "<html><body>";
    int n = 0;
    while (big.size() < 20 * 1024 * 1024)
        big += "<p>Paragraph number " + QByteArray::number(n++) + " with <b>some</b> text.</p>\n";
    big += "<p>THE END</p></body></html>";
    Application app;
    Document *doc = openPage(app, dir, big, "big.htm");
    EXPECT_EQ(doc->Paragraphs().Count(), n + 1);
    EXPECT_EQ(doc->Paragraphs().Last().Range().Text(), "THE END\r");
}
