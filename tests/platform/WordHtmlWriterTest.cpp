#include "platform/DocxBuilder.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "platform/word/HtmlExport.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Package.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace word;
using testsupport::DocxBuilder;

namespace {

const QString kNumberingType =
    QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml");

// Writes the document, saves it as filtered HTML and gives the page's text.
struct Saved {
    testsupport::ScratchDir dir;
    QString page;
    QByteArray bytes;
    QString html;

    explicit Saved(const DocxBuilder &b, const HtmlExportOptions &options = HtmlExportOptions())
    {
        const QString docx = dir.file(QStringLiteral("source.docx"));
        b.write(docx);
        page = dir.file(QStringLiteral("doc.htm"));
        auto pkg = Package::Open(docx);
        ExportFilteredHtml(*pkg, options, page);
        bytes = testsupport::readFile(page);
        html = QString::fromUtf8(bytes);
    }
    QString body() const { return html.mid(html.indexOf(QLatin1String("<body"))); }
};

QByteArray para(const QByteArray &text, const QByteArray &pPr = QByteArray())
{
    return "<w:p><w:pPr>" + pPr + "</w:pPr><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

QByteArray numberingXml(const QByteArray &inner)
{
    return "<w:numbering " + DocxBuilder::namespaces() + ">" + inner + "</w:numbering>";
}

DocxBuilder &withNumbering(DocxBuilder &b, const QByteArray &inner)
{
    return b.part(QStringLiteral("word/numbering.xml"), numberingXml(inner), kNumberingType)
        .relationship(QStringLiteral("rIdNum"), QLatin1String(reltype::Numbering),
                      QStringLiteral("numbering.xml"));
}

const QByteArray kHeadingNumbers =
    "<w:abstractNum w:abstractNumId=\"0\">"
    "<w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/>"
    "<w:pPr><w:ind w:left=\"432\" w:hanging=\"432\"/></w:pPr></w:lvl>"
    "<w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.%2\"/>"
    "<w:pPr><w:ind w:left=\"576\" w:hanging=\"576\"/></w:pPr></w:lvl></w:abstractNum>"
    "<w:abstractNum w:abstractNumId=\"1\">"
    "<w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"\xEF\x82\xB7\"/>"
    "<w:pPr><w:ind w:left=\"720\" w:hanging=\"360\"/></w:pPr>"
    "<w:rPr><w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\" w:hint=\"default\"/></w:rPr></w:lvl>"
    "<w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"bullet\"/><w:lvlText w:val=\"\xEF\x82\xA7\"/>"
    "<w:pPr><w:ind w:left=\"1440\" w:hanging=\"360\"/></w:pPr>"
    "<w:rPr><w:rFonts w:ascii=\"Wingdings\" w:hAnsi=\"Wingdings\" w:hint=\"default\"/></w:rPr></w:lvl>"
    "</w:abstractNum>"
    "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
    "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>";

QByteArray numPr(int numId, int ilvl)
{
    return "<w:numPr><w:ilvl w:val=\"" + QByteArray::number(ilvl) + "\"/><w:numId w:val=\""
           + QByteArray::number(numId) + "\"/></w:numPr>";
}

} // namespace

TEST(WordHtmlWriter, HeadDeclaresTheCharsetAndHoldsWordsStyleBlock)
{
    DocxBuilder b;
    b.body(para("Caf\xC3\xA9 \xCE\xA9 \xE2\x82\xAC"));
    HtmlExportOptions o;
    o.codePage = 1252;
    Saved s(b, o);
    const QByteArray &bytes = s.bytes;
    const qsizetype first = bytes.indexOf("charset=");
    ASSERT_GE(first, 0);
    EXPECT_TRUE(bytes.mid(first).startsWith("charset=windows-1252\""));
    EXPECT_TRUE(bytes.contains("<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">"));
    EXPECT_TRUE(bytes.contains("p.MsoNormal, li.MsoNormal, div.MsoNormal"));
    // e-acute and the euro sign are bytes of code page 1252; omega is not.
    EXPECT_TRUE(bytes.contains("Caf\xE9 &#937; \x80")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("<p class=MsoNormal>"));
    EXPECT_TRUE(bytes.contains("</p>"));

    HtmlExportOptions utf16;
    utf16.codePage = 1200;
    Saved w(b, utf16);
    ASSERT_TRUE(w.bytes.startsWith("\xFF\xFE")) << "UTF-16 little-endian with its mark";
    EXPECT_TRUE(QString::fromUtf16(reinterpret_cast<const char16_t *>(w.bytes.constData() + 2), (w.bytes.size() - 2) / 2)
                    .contains(QLatin1String("charset=unicode\"")));

    HtmlExportOptions utf8;
    Saved u(b, utf8);
    EXPECT_TRUE(u.bytes.contains("charset=utf-8"));
    EXPECT_TRUE(u.html.contains(QString::fromUtf8("Caf\xC3\xA9 \xCE\xA9")));
}

TEST(WordHtmlWriter, HeadingsByOutlineLevelWithNumbersMarkersAndBookmarks)
{
    DocxBuilder b;
    // The converter inserts its marker as a run of its own before the text.
    b.body("<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/>" + numPr(1, 0) + "</w:pPr>"
           "<w:bookmarkStart w:id=\"0\" w:name=\"_Toc100\"/><w:r><w:t>`~#$1</w:t></w:r>"
           "<w:r><w:rPr><w:i/></w:rPr><w:t>Intro</w:t></w:r><w:bookmarkEnd w:id=\"0\"/></w:p>"
           + para("Body text.")
           + "<w:p><w:pPr><w:pStyle w:val=\"Heading2\"/>" + numPr(1, 1) + "</w:pPr>"
           "<w:r><w:t>`~#$2Setup &amp; use</w:t></w:r></w:p>"
           "<w:p><w:pPr><w:outlineLvl w:val=\"4\"/></w:pPr><w:r><w:t>`~#$5Deep</w:t></w:r></w:p>"
           "<w:p><w:pPr><w:pStyle w:val=\"Heading7\"/></w:pPr><w:r><w:t>`~#$7Seventh</w:t></w:r></w:p>");
    withNumbering(b, kHeadingNumbers);
    Saved s(b);
    const QString body = s.body();
    // The number comes first, then the marker, unbroken, then the text.
    static const QRegularExpression h1(
        QStringLiteral("<h1[^>]*><a name=\"_Toc100\"></a><span[^>]*>1\\.<span style='font:7.0pt "
                       "\"Times New Roman\"'>(&nbsp;)* </span></span>`~#\\$1<i>Intro</i></h1>"));
    EXPECT_TRUE(h1.match(body).hasMatch()) << body.toStdString();
    static const QRegularExpression h2(QStringLiteral("<h2[^>]*><span>1\\.1<span[^>]*>(&nbsp;)* </span></span>"
                                                      "`~#\\$2Setup &amp; use</h2>"));
    EXPECT_TRUE(h2.match(body).hasMatch()) << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<h5 class=MsoNormal>`~#$5Deep</h5>")));
    EXPECT_TRUE(body.contains(QLatin1String("<p class=MsoHeading7>`~#$7Seventh</p>")));
    EXPECT_TRUE(body.contains(QLatin1String("<p class=MsoNormal>Body text.</p>")));
    // A heading shown with a class gets the class's look, not the browser's.
    EXPECT_TRUE(s.html.contains(QLatin1String("p.MsoNormal, li.MsoNormal, div.MsoNormal, h5.MsoNormal")));
    EXPECT_TRUE(s.html.contains(QLatin1String(" h1\r\n\t{")));
}

TEST(WordHtmlWriter, ListNumbersAndSymbolAndWingdingsBullets)
{
    DocxBuilder b;
    b.body(para("First", numPr(2, 0)) + para("Second", numPr(2, 1)) + para("Third", numPr(1, 0))
           + para("Fourth", numPr(1, 0)));
    withNumbering(b, kHeadingNumbers);
    Saved s(b);
    const QString body = s.body();
    // The bullets are Unicode characters (U+2022, U+25AA) in spans that still name their fonts.
    EXPECT_TRUE(body.contains(QString::fromUtf8("<span style='font-family:Symbol'>\xE2\x80\xA2<span style='font:7.0pt "
                                                "\"Times New Roman\"'>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QString::fromUtf8("<span style='font-family:Wingdings'>\xE2\x96\xAA<span")));
    EXPECT_TRUE(body.contains(QLatin1String("<span>2.<span style='font:7.0pt \"Times New Roman\"'>")));
    EXPECT_TRUE(body.contains(QLatin1String("margin-left:.5in;text-indent:-.25in")));
    EXPECT_TRUE(body.contains(QLatin1String("&nbsp; </span></span>First</p>")));
}

TEST(WordHtmlWriter, RunFormattingContextualSpacingAndBreaks)
{
    DocxBuilder b;
    b.styles(DocxBuilder::defaultStyles()
             + "<w:style w:type=\"paragraph\" w:styleId=\"ListParagraph\"><w:name w:val=\"List Paragraph\"/>"
               "<w:basedOn w:val=\"Normal\"/><w:pPr><w:spacing w:after=\"160\"/><w:ind w:left=\"720\"/>"
               "<w:contextualSpacing/></w:pPr></w:style>");
    b.body("<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>bold</w:t></w:r><w:r><w:t xml:space=\"preserve\"> and </w:t></w:r>"
           "<w:r><w:rPr><w:color w:val=\"FF0000\"/><w:sz w:val=\"28\"/></w:rPr><w:t>red</w:t></w:r>"
           "<w:r><w:br/><w:t>x&lt;y</w:t><w:tab/><w:t>z</w:t></w:r></w:p>"
           + para("one", "<w:pStyle w:val=\"ListParagraph\"/>") + para("two", "<w:pStyle w:val=\"ListParagraph\"/>")
           + para("three", "<w:pStyle w:val=\"ListParagraph\"/><w:jc w:val=\"center\"/>")
           + "<w:p><w:pPr><w:spacing w:line=\"276\" w:lineRule=\"auto\"/></w:pPr>"
             "<w:r><w:rPr><w:sz w:val=\"48\"/></w:rPr><w:t>Big</w:t></w:r></w:p>"
           + "<w:p><w:r><w:br w:type=\"page\"/></w:r></w:p>"
           + "<w:p><w:pPr><w:sectPr><w:type w:val=\"nextPage\"/></w:sectPr></w:pPr><w:r><w:t>end of one</w:t></w:r></w:p>"
           + para("section two") + "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr>");
    Saved s(b);
    const QString body = s.body();
    EXPECT_TRUE(body.contains(QLatin1String("<b>bold</b> and <span style='font-size:14.0pt;color:#FF0000'>red</span>"
                                            "<br>x&lt;y&nbsp;")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<p class=MsoListParagraphCxSpFirst>one</p>"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<p class=MsoListParagraphCxSpMiddle>two</p>")));
    EXPECT_TRUE(body.contains(
        QLatin1String("<p class=MsoListParagraphCxSpLast align=center style='text-align:center'>three</p>")));
    EXPECT_TRUE(s.html.contains(QLatin1String("p.MsoListParagraphCxSpFirst, li.MsoListParagraphCxSpFirst")));
    EXPECT_TRUE(body.contains(QLatin1String("<br clear=all style='page-break-before:always'>")));
    EXPECT_TRUE(body.contains(QLatin1String("end of one</p>\r\n\r\n</div>")));
    EXPECT_TRUE(body.contains(QLatin1String("<div class=WordSection2>\r\n\r\n<p class=MsoNormal>section two</p>")));
    EXPECT_TRUE(s.html.contains(QLatin1String("@page WordSection2")));
    // A proportional line height is repeated on a run of another size.
    EXPECT_TRUE(body.contains(QLatin1String("<p class=MsoNormal style='line-height:115%'>"
                                            "<span style='font-size:24.0pt;line-height:115%'>Big</span></p>")));
}

// A ruby run writes its base text with the reading above it.
TEST(WordHtmlWriter, RubyKeepsItsBaseTextAndReading)
{
    DocxBuilder b;
    b.body("<w:p><w:r><w:t xml:space=\"preserve\">Capital: </w:t></w:r><w:r><w:ruby>"
           "<w:rubyPr><w:rubyAlign w:val=\"distributeSpace\"/><w:hps w:val=\"10\"/><w:hpsRaise w:val=\"18\"/>"
           "<w:hpsBaseText w:val=\"21\"/><w:lid w:val=\"ja-JP\"/></w:rubyPr>"
           "<w:rt><w:r><w:rPr><w:sz w:val=\"10\"/></w:rPr><w:t>\xE3\x81\xA8\xE3\x81\x86\xE3\x81\x8D\xE3\x82\x87\xE3\x81\x86</w:t></w:r></w:rt>"
           "<w:rubyBase><w:r><w:t>\xE6\x9D\xB1\xE4\xBA\xAC</w:t></w:r></w:rubyBase></w:ruby></w:r>"
           "<w:r><w:t>.</w:t></w:r></w:p>");
    Saved s(b);
    EXPECT_TRUE(s.body().contains(QString::fromUtf8("<p class=MsoNormal>Capital: <ruby>東京<rt>"
                                                    "<span style='font-size:5.0pt'>"
                                                    "とうきょう"
                                                    "</span></rt></ruby>.</p>")))
        << s.body().toStdString();
}

TEST(WordHtmlWriter, HyperlinksFieldsAndBookmarks)
{
    DocxBuilder b;
    b.relationship(QStringLiteral("rIdLink"), QLatin1String(reltype::Hyperlink),
                   QStringLiteral("http://example.com/?a=1&amp;b=2"), true);
    b.body("<w:bookmarkStart w:id=\"1\" w:name=\"Top\"/><w:bookmarkEnd w:id=\"1\"/>"
           "<w:p><w:hyperlink r:id=\"rIdLink\" w:tooltip=\"Tip\"><w:r><w:t>web</w:t></w:r></w:hyperlink>"
           "<w:r><w:t xml:space=\"preserve\"> </w:t></w:r>"
           "<w:hyperlink w:anchor=\"Top\"><w:r><w:t>up</w:t></w:r></w:hyperlink></w:p>"
           "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
           "<w:r><w:instrText xml:space=\"preserve\"> HYPERLINK \\l \"Top\" \\o \"Go up\" \\t \"_top\" </w:instrText></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>field link</w:t></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
           "<w:r><w:t xml:space=\"preserve\"> page </w:t></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>PAGE</w:instrText></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> XE \"Hidden\" </w:instrText></w:r>"
           "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
           "<w:fldSimple w:instr=\" HYPERLINK &quot;http://x.org&quot; \"><w:r><w:t>simple</w:t></w:r></w:fldSimple>"
           "<w:bookmarkStart w:id=\"2\" w:name=\"Mid\"/><w:r><w:t>.</w:t></w:r><w:bookmarkEnd w:id=\"2\"/></w:p>");
    Saved s(b);
    const QString body = s.body();
    EXPECT_TRUE(body.contains(QLatin1String("<p class=MsoNormal><a name=\"Top\"></a>"
                                            "<a href=\"http://example.com/?a=1&amp;b=2\" title=\"Tip\">web</a> "
                                            "<a href=\"#Top\">up</a></p>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String(
        "<a href=\"#Top\" title=\"Go up\" target=\"_top\">field link</a> page 7<a href=\"http://x.org\">simple</a>"
        "<a name=\"Mid\"></a>.</p>")));
    EXPECT_FALSE(body.contains(QLatin1String("Hidden")));
    EXPECT_FALSE(body.contains(QLatin1String("PAGE")));
}

TEST(WordHtmlWriter, TablesWithMergedCellsBordersAndShading)
{
    DocxBuilder b;
    const QByteArray cell = "<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr>" + para("c") + "</w:tc>";
    const QByteArray indented = "<w:tc><w:tcPr><w:tcMar><w:left w:w=\"720\" w:type=\"dxa\"/></w:tcMar></w:tcPr>"
                                + para("i") + "</w:tc>";
    b.body("<w:tbl><w:tblPr><w:tblW w:w=\"6000\" w:type=\"dxa\"/><w:tblBorders>"
           "<w:top w:val=\"single\" w:sz=\"8\" w:color=\"auto\"/><w:left w:val=\"single\" w:sz=\"8\"/>"
           "<w:bottom w:val=\"single\" w:sz=\"8\"/><w:right w:val=\"single\" w:sz=\"8\"/>"
           "<w:insideH w:val=\"dotted\" w:sz=\"4\"/><w:insideV w:val=\"nil\"/></w:tblBorders></w:tblPr>"
           "<w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>"
           "<w:tr><w:tc><w:tcPr><w:gridSpan w:val=\"2\"/><w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"D9D9D9\"/>"
           "</w:tcPr>" + para("wide") + "</w:tc>"
           "<w:tc><w:tcPr><w:vMerge w:val=\"restart\"/><w:vAlign w:val=\"center\"/></w:tcPr>" + para("tall") + "</w:tc></w:tr>"
           "<w:tr>" + cell + indented + "<w:tc><w:tcPr><w:vMerge/></w:tcPr>" + para("") + "</w:tc></w:tr>"
           "</w:tbl>");
    Saved s(b);
    const QString body = s.body();
    EXPECT_TRUE(body.contains(QLatin1String("<table class=MsoNormalTable border=1 cellspacing=0 cellpadding=0 width=400 "
                                            "style='width:300.0pt;border-collapse:collapse;border:none'>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<td width=267 colspan=2 valign=top style='width:200.0pt;"
                                            "border-top:solid windowtext 1.0pt;border-left:solid windowtext 1.0pt;"
                                            "border-bottom:dotted windowtext .5pt;border-right:none;"
                                            "background:#D9D9D9;")));
    EXPECT_TRUE(body.contains(QLatin1String("rowspan=2 valign=middle")));
    EXPECT_TRUE(body.contains(QLatin1String("padding:0in 5.4pt 0in 5.4pt'>"))) << "Word's default cell margins";
    EXPECT_TRUE(body.contains(QLatin1String("padding:0in 5.4pt 0in 36.0pt'>"))) << "a cell's own left margin";
    EXPECT_TRUE(body.contains(QLatin1String("border-bottom:solid windowtext 1.0pt;border-right:solid windowtext 1.0pt;")));
    EXPECT_EQ(body.count(QLatin1String("<td")), 4) << "the continued merged cell is not written";
    EXPECT_EQ(body.count(QLatin1String("<tr")), 2);
}

// Paragraphs in a row with the same borders and indents are drawn in one
// box, as Word draws them: the box reaches out to the hanging first lines,
// the paragraphs inside draw only the line between them, and a heading or
// other borders start a box of their own.
TEST(WordHtmlWriter, BorderedParagraphsShareOneBox)
{
    const QByteArray line = "w:val=\"single\" w:sz=\"8\" w:space=\"4\" w:color=\"auto\"";
    const QByteArray borders = "<w:pBdr><w:top " + line + "/><w:left " + line + "/><w:bottom " + line
                               + "/><w:right " + line + "/><w:between " + line + "/></w:pBdr>";
    const QByteArray hanging = "<w:ind w:left=\"1440\" w:hanging=\"360\"/>";
    DocxBuilder b;
    b.body(para("One", borders + hanging) + "<w:bookmarkStart w:id=\"1\" w:name=\"Mark\"/>"
           + para("Two", borders + "<w:ind w:left=\"1440\" w:hanging=\"720\"/>") + para("Three", borders + hanging)
           + para("Heading", "<w:pStyle w:val=\"Heading1\"/>" + borders + hanging)
           + para("Alone", borders + "<w:ind w:left=\"720\"/>") + para("Plain"));
    Saved s(b);
    QString body = s.body();
    body.remove(QLatin1String("\r\n"));
    const QString edge = QStringLiteral("solid windowtext 1.0pt");
    const QString box = QStringLiteral("<div style='border-top:%1;padding-top:4.0pt;border-left:%1;padding-left:4.0pt;"
                                       "border-bottom:%1;padding-bottom:4.0pt;border-right:%1;padding-right:4.0pt;")
                            .arg(edge);
    const QString between = QStringLiteral("border-bottom:%1;padding-bottom:4.0pt").arg(edge);
    EXPECT_TRUE(body.contains(box + QStringLiteral("margin-left:.5in;margin-right:0in'>"
                                                   "<p class=MsoNormal style='margin-left:.5in;text-indent:-.25in;%1'>One</p>"
                                                   "<p class=MsoNormal style='margin-left:.5in;text-indent:-.5in;%1'>"
                                                   "<a name=\"Mark\"></a>Two</p>"
                                                   "<p class=MsoNormal style='margin-left:.5in;text-indent:-.25in'>Three</p>"
                                                   "</div><h1 style='margin-left:1.0in;text-indent:-.25in;border-top:")
                                        .arg(between)))
        << body.toStdString();
    EXPECT_TRUE(body.contains(box + QStringLiteral("margin-left:.5in;margin-right:0in'><p class=MsoNormal>Alone</p>"
                                                   "</div><p class=MsoNormal>Plain</p>")))
        << body.toStdString();
    EXPECT_EQ(body.count(QLatin1String("<div style=")), 2);
}

TEST(WordHtmlWriter, TableStylesConditionalPartsFollowTheTablesLook)
{
    DocxBuilder b;
    b.styles(DocxBuilder::defaultStyles()
             + "<w:style w:type=\"table\" w:styleId=\"Grid\"><w:name w:val=\"Grid Table\"/>"
               "<w:pPr><w:spacing w:after=\"0\"/></w:pPr>"
               "<w:tblStylePr w:type=\"firstRow\"><w:rPr><w:b/></w:rPr></w:tblStylePr>"
               "<w:tblStylePr w:type=\"band1Horz\"><w:tcPr><w:shd w:val=\"clear\" w:fill=\"CCCCCC\"/></w:tcPr>"
               "</w:tblStylePr></w:style>"
               "<w:style w:type=\"paragraph\" w:styleId=\"Spaced\"><w:name w:val=\"Spaced\"/>"
               "<w:pPr><w:spacing w:after=\"200\"/></w:pPr></w:style>");
    auto table = [](const QByteArray &look) {
        QByteArray rows;
        for (const char *t : {"head", "one", "two", "three"})
            rows += "<w:tr><w:tc>" + para(t, "<w:pStyle w:val=\"Spaced\"/>") + "</w:tc></w:tr>";
        return "<w:tbl><w:tblPr><w:tblStyle w:val=\"Grid\"/>" + look + "</w:tblPr>"
               "<w:tblGrid><w:gridCol w:w=\"2000\"/></w:tblGrid>" + rows + "</w:tbl>";
    };
    b.body(table("<w:tblLook w:val=\"04A0\" w:firstRow=\"1\" w:noHBand=\"0\"/>")
           + table("<w:tblLook w:firstRow=\"0\" w:noHBand=\"1\"/>"));
    Saved s(b);
    const QString body = s.body();
    const QString first = body.left(body.indexOf(QLatin1String("</table>")));
    const QString second = body.mid(first.size());
    EXPECT_TRUE(first.contains(QLatin1String("><b>head</b></p>"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QLatin1String("style='margin-bottom:0in'>one"))) << "the style's spacing applies";
    EXPECT_EQ(first.count(QLatin1String("background:#CCCCCC")), 2) << "rows one and three are band 1";
    EXPECT_TRUE(first.contains(QLatin1String("<table class=MsoGridTable border=0 ")));
    EXPECT_FALSE(second.contains(QLatin1String("<b>")));
    EXPECT_FALSE(second.contains(QLatin1String("background")));
}

TEST(WordHtmlWriter, FootnotesAndEndnotesAsWordWritesThem)
{
    DocxBuilder b;
    auto notes = [](const char *root, const char *item, const char *ref) {
        return QByteArray("<w:") + root + " " + DocxBuilder::namespaces() + "><w:" + item
               + " w:id=\"0\" w:type=\"separator\"><w:p><w:r><w:separator/></w:r></w:p></w:" + item + "><w:" + item
               + " w:id=\"5\"><w:p><w:r><w:" + ref + "/></w:r><w:r><w:t xml:space=\"preserve\"> The " + item
               + " text.</w:t></w:r></w:p></w:" + item + "></w:" + root + ">";
    };
    b.part(QStringLiteral("word/footnotes.xml"), notes("footnotes", "footnote", "footnoteRef"))
        .relationship(QStringLiteral("rIdF"), QLatin1String(reltype::Footnotes), QStringLiteral("footnotes.xml"))
        .part(QStringLiteral("word/endnotes.xml"), notes("endnotes", "endnote", "endnoteRef"))
        .relationship(QStringLiteral("rIdE"), QLatin1String(reltype::Endnotes), QStringLiteral("endnotes.xml"));
    b.body("<w:p><w:r><w:t>Claim</w:t></w:r><w:r><w:footnoteReference w:id=\"5\"/></w:r>"
           "<w:r><w:t xml:space=\"preserve\"> and more</w:t></w:r><w:r><w:endnoteReference w:id=\"5\"/></w:r></w:p>");
    Saved s(b);
    const QString body = s.body();
    EXPECT_TRUE(body.contains(QLatin1String("Claim<a href=\"#_ftn1\" name=\"_ftnref1\" title=\"\">"
                                            "<span class=MsoFootnoteReference>[1]</span></a> and more"
                                            "<a href=\"#_edni\" name=\"_ednrefi\" title=\"\">")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<div id=ftn1>")));
    EXPECT_TRUE(body.contains(QLatin1String("<a href=\"#_ftnref1\" name=\"_ftn1\" title=\"\">"
                                            "<span class=MsoFootnoteReference>[1]</span></a> The footnote text.")));
    EXPECT_TRUE(body.contains(QLatin1String("<div id=edni>")));
    EXPECT_TRUE(body.indexOf(QLatin1String("The endnote text.")) > body.indexOf(QLatin1String("The footnote text.")));
}

TEST(WordHtmlWriter, PicturesShapesAndCanvasesWithTheirAlternativeText)
{
    DocxBuilder b;
    b.part(QStringLiteral("word/media/image1.png"), PlainPng(4, 3, 0xFF00FF00u, 0));
    b.relationship(QStringLiteral("rIdImg"), QLatin1String(reltype::Image), QStringLiteral("media/image1.png"));
    auto inlineFrame = [](const QByteArray &descr, const QByteArray &graphic) {
        return "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"476250\"/>"
               "<wp:docPr id=\"1\" name=\"P\" descr=\"" + descr + "\"/><a:graphic><a:graphicData>" + graphic
               + "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    };
    const QByteArray pic = "<pic:pic><pic:blipFill><a:blip r:embed=\"rIdImg\"/></pic:blipFill></pic:pic>";
    b.body("<w:p>" + inlineFrame("A &lt;logo&gt; &amp; &quot;name&quot;", pic) + inlineFrame("Same again", pic)
           + inlineFrame("Box`@#^#Target;_top;Tip",
                         "<wps:wsp><wps:spPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></wps:spPr>"
                         "<wps:txbx><w:txbxContent><w:p><w:r><w:t>inside</w:t></w:r></w:p></w:txbxContent></wps:txbx>"
                         "</wps:wsp>")
           + inlineFrame("Canvas`$#!(0)", "<wpc:wpc>" + pic + "</wpc:wpc>")
           + inlineFrame("", "<wps:wsp><wps:txbx><w:txbxContent><w:p><w:r><w:t>Boxed text</w:t></w:r></w:p>"
                             "</w:txbxContent></wps:txbx></wps:wsp>")
           + "<w:r><w:pict><v:shape style=\"width:72pt;height:36pt\" alt=\"Vml`@#^http://a.b/;;\"/></w:pict></w:r>"
           + "<w:r><w:pict><v:group style=\"width:72pt;height:36pt\" o:editas=\"canvas\" alt=\"Group`$#!(1)\">"
             "<v:shape style=\"width:10pt;height:10pt\"><v:imagedata r:id=\"rIdImg\"/></v:shape></v:group></w:pict></w:r>"
           + "<w:r><w:pict><v:rect style=\"width:0;height:1.5pt\" o:hr=\"t\" o:hrstd=\"t\"/></w:pict></w:r>"
           + "</w:p>");
    Saved s(b);
    const QString body = s.body();
    EXPECT_TRUE(body.contains(QLatin1String("<hr size=2 width=\"100%\" noshade align=center>")));
    EXPECT_TRUE(body.contains(QLatin1String("<img width=100 height=50 src=\"doc_files/image001.png\" "
                                            "alt=\"A &lt;logo&gt; &amp; &quot;name&quot;\">")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("src=\"doc_files/image001.png\" alt=\"Same again\"")))
        << "one picture part gives one file";
    EXPECT_TRUE(body.contains(QLatin1String("src=\"doc_files/image002.png\" alt=\"Box`@#^#Target;_top;Tip\"")));
    EXPECT_FALSE(body.contains(QLatin1String("inside"))) << "a linked shape is shown as its picture";
    EXPECT_TRUE(body.contains(QLatin1String("src=\"doc_files/image001.png\" alt=\"Canvas`$#!(0)\"")));
    EXPECT_TRUE(body.contains(QLatin1String("Boxed text")));
    EXPECT_TRUE(body.contains(QLatin1String("<img width=96 height=48 src=\"doc_files/image003.png\" "
                                            "alt=\"Vml`@#^http://a.b/;;\">")));
    EXPECT_TRUE(body.contains(QLatin1String("<img width=96 height=48 src=\"doc_files/image004.png\" "
                                            "alt=\"Group`$#!(1)\">")))
        << "a marked VML canvas is shown as its picture, at the canvas's size";
    const QDir files(s.dir.file(QStringLiteral("doc_files")));
    EXPECT_EQ(files.entryList(QDir::Files).size(), 4);
    int w = 0, h = 0;
    ASSERT_TRUE(ImagePixelSize(testsupport::readFile(files.filePath(QStringLiteral("image002.png"))), w, h));
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
}

// Metafiles that cannot be converted are written and linked as themselves,
// also when the page's name needs escaping in the link.
TEST(WordHtmlWriter, UnconvertedMetafilesAreLinkedAsWritten)
{
    DocxBuilder b;
    for (const char *ext : {"emf", "wmf"}) {
        b.part(QStringLiteral("word/media/pic.%1").arg(QLatin1String(ext)), QByteArray("not a real metafile"),
               QStringLiteral("image/x-%1").arg(QLatin1String(ext)));
        b.relationship(QStringLiteral("rId%1").arg(QLatin1String(ext)), QLatin1String(reltype::Image),
                       QStringLiteral("media/pic.%1").arg(QLatin1String(ext)));
    }
    auto picture = [](const QByteArray &rel) {
        return "<w:r><w:drawing><wp:inline><wp:extent cx=\"952500\" cy=\"476250\"/><wp:docPr id=\"1\" name=\"P\"/>"
               "<a:graphic><a:graphicData><pic:pic><pic:blipFill><a:blip r:embed=\"" + rel
               + "\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
    };
    b.body("<w:p>" + picture("rIdemf") + picture("rIdwmf") + "</w:p>");
    testsupport::ScratchDir dir;
    b.write(dir.file(QStringLiteral("source.docx")));
    lo::SetProgram(dir.file(QStringLiteral("nowhere/soffice")));
    const QString page = dir.file(QStringLiteral("a&b.htm"));
    ExportFilteredHtml(*Package::Open(dir.file(QStringLiteral("source.docx"))), HtmlExportOptions(), page);
    lo::SetProgram(QString());
    const QString html = QString::fromUtf8(testsupport::readFile(page));
    static const QRegularExpression src(QStringLiteral("<img [^>]*src=\"([^\"]+)\""));
    QStringList links;
    for (const QRegularExpressionMatch &m : src.globalMatch(html))
        links << m.captured(1).replace(QLatin1String("&amp;"), QLatin1String("&"));
    EXPECT_EQ(links, (QStringList{QStringLiteral("a&b_files/image001.emf"), QStringLiteral("a&b_files/image002.wmf")}));
    for (const QString &link : std::as_const(links))
        EXPECT_EQ(testsupport::readFile(dir.file(link)), QByteArray("not a real metafile")) << link.toStdString();
}

TEST(WordHtmlWriter, FailuresNameTheFileAndKeepTheOldPage)
{
    testsupport::ScratchDir dir;
    const QString docx = dir.file(QStringLiteral("a.docx"));
    DocxBuilder().body(para("x")).write(docx);
    auto pkg = Package::Open(docx);
    // A page inside a missing folder cannot be written.
    const QString bad = dir.file(QStringLiteral("missing/doc.htm"));
    try {
        ExportFilteredHtml(*pkg, HtmlExportOptions(), bad);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("doc.htm"))) << e.message().toStdString();
    }
    // A code page that does not exist here fails before the old page is touched.
    const QString page = dir.file(QStringLiteral("doc.htm"));
    testsupport::writeFile(page, "old");
    HtmlExportOptions o;
    o.codePage = 12345;
    EXPECT_THROW(ExportFilteredHtml(*pkg, o, page), Exception);
    EXPECT_EQ(testsupport::readFile(page), QByteArray("old"));

    // Content controls nested without end are refused, naming the document.
    const QString deep = dir.file(QStringLiteral("deep.docx"));
    DocxBuilder().body(QByteArray("<w:sdt><w:sdtContent>").repeated(200) + para("x")
                       + QByteArray("</w:sdtContent></w:sdt>").repeated(200))
        .write(deep);
    auto deepPkg = Package::Open(deep);
    try {
        ExportFilteredHtml(*deepPkg, HtmlExportOptions(), page);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("deep.docx"))) << e.message().toStdString();
    }
    EXPECT_EQ(testsupport::readFile(page), QByteArray("old"));
}

// Sizes from a hostile document are held to what Word allows, so a few
// bytes of XML cannot make a huge page or a huge picture.
TEST(WordHtmlWriter, HostileSizesAreHeldToWordsLimits)
{
    const QByteArray huge = "2147483647";
    DocxBuilder b;
    withNumbering(b, kHeadingNumbers);
    b.part(QStringLiteral("word/media/image1.png"), PlainPng(4, 3, 0xFF00FF00u, 0));
    b.relationship(QStringLiteral("rIdImg"), QLatin1String(reltype::Image), QStringLiteral("media/image1.png"));
    b.body(para("Numbered", numPr(1, 0) + "<w:ind w:left=\"" + huge + "\" w:hanging=\"" + huge + "\"/>")
           + para("Spaced", "<w:spacing w:before=\"" + huge + "\" w:after=\"-" + huge + "\" w:line=\"" + huge
                                + "\" w:lineRule=\"auto\"/><w:ind w:right=\"1e300\" w:firstLine=\"" + huge + "\"/>")
           + "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"9223372036854775807\" cy=\"-5\"/>"
             "<wp:docPr id=\"1\" name=\"P\"/><a:graphic><a:graphicData><pic:pic><pic:blipFill>"
             "<a:blip r:embed=\"rIdImg\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline>"
             "</w:drawing></w:r></w:p>"
           + "<w:sectPr><w:pgSz w:w=\"" + huge + "\" w:h=\"" + huge + "\"/></w:sectPr>");
    Saved s(b);
    EXPECT_LT(s.bytes.size(), 64 * 1024);
    const QString body = s.body();
    EXPECT_TRUE(body.contains(QLatin1String("margin-left:22.0in;text-indent:-22.0in"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("margin-top:1584.0pt"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("line-height:13200%"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<img width=2112 src="))) << body.toStdString();
    EXPECT_TRUE(s.html.contains(QLatin1String("{size:22.0in 22.0in;"))) << s.html.toStdString();
}

// A page that would outgrow the memory set aside for it is refused with
// the document's name, and an earlier page of that name stays.
TEST(WordHtmlWriter, PagesBeyondTheBudgetAreRefused)
{
    testsupport::ScratchDir dir;
    const QString docx = dir.file(QStringLiteral("many.docx"));
    DocxBuilder().body(para("A paragraph of text").repeated(500)).write(docx);
    const QString page = dir.file(QStringLiteral("doc.htm"));
    testsupport::writeFile(page, "old");
    HtmlExportOptions o;
    o.maxPageChars = 5000;
    try {
        ExportFilteredHtml(*Package::Open(docx), o, page);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("many.docx"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QLatin1String("memory"))) << e.message().toStdString();
    }
    EXPECT_EQ(testsupport::readFile(page), QByteArray("old"));
    o.maxPageChars = 100000;
    ExportFilteredHtml(*Package::Open(docx), o, page);
    EXPECT_EQ(QString::fromUtf8(testsupport::readFile(page)).count(QLatin1String("A paragraph of text")), 500);
}

TEST(WordHtmlWriter, DocumentSaveAsUsesTheWebOptions)
{
    testsupport::ScratchDir dir;
    const QString docx = dir.file(QStringLiteral("My doc.docx"));
    DocxBuilder().body(para("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x84\xA2")).write(docx);
    Application word;
    Document *doc = word.Documents().Open(docx);
    doc->WebOptions().setEncoding(1251);
    const QString page = dir.file(QStringLiteral("doc.htm"));
    doc->SaveAs(page, wdFormatFilteredHTML);
    const QByteArray bytes = testsupport::readFile(page);
    EXPECT_TRUE(bytes.contains("charset=windows-1251"));
    // Cyrillic and the trade mark sign are bytes of code page 1251.
    EXPECT_TRUE(bytes.contains("\xCF\xF0\xE8\xE2\xE5\xF2 \x99")) << bytes.constData();
}

TEST(WordHtmlWriter, SymbolRunsLanguageAndPicturePartNames)
{
    DocxBuilder b;
    b.styles(DocxBuilder::defaultStyles());
    b.part(QStringLiteral("word/media/evil.p\"ng x"), PlainPng(2, 2, 0xFF000000u, 0));
    b.relationship(QStringLiteral("rIdImg"), QLatin1String(reltype::Image), QStringLiteral("media/evil.p&quot;ng x"));
    b.body("<w:p><w:r><w:rPr><w:rFonts w:ascii=\"Wingdings\" w:hAnsi=\"Wingdings\"/></w:rPr>"
           "<w:t>\xEF\x83\xBC</w:t></w:r><w:r><w:sym w:font=\"Symbol\" w:char=\"F0B7\"/></w:r>"
           "<w:r><w:rPr><w:rFonts w:ascii=\"Symbol\" w:hAnsi=\"Symbol\"/></w:rPr><w:t>a+b \xEF\x82\xA3 p</w:t></w:r>"
           "<w:r><w:drawing><wp:inline><wp:extent cx=\"95250\" cy=\"95250\"/><wp:docPr id=\"1\" name=\"x\"/>"
           "<a:graphic><a:graphicData><pic:pic><pic:blipFill><a:blip r:embed=\"rIdImg\"/></pic:blipFill>"
           "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>");
    Saved s(b);
    const QString body = s.body();
    // Wingdings 0xFC (a check mark), Symbol 0xB7 (a bullet) and Symbol text
    // ("a+b <= p") as the Unicode characters that show without those fonts.
    EXPECT_TRUE(body.contains(QString::fromUtf8("font-family:\"Wingdings\"'>\xE2\x9C\x93"))) << body.toStdString();
    EXPECT_TRUE(body.contains(QString::fromUtf8("<span style='font-family:Symbol'>\xE2\x80\xA2</span>")));
    EXPECT_TRUE(body.contains(QString::fromUtf8("\xCE\xB1+\xCE\xB2 \xE2\x89\xA4 \xCF\x80")));
    EXPECT_TRUE(body.contains(QLatin1String("src=\"doc_files/image001.bin\"")));
    EXPECT_TRUE(QFile::exists(s.dir.file(QStringLiteral("doc_files/image001.bin"))));
    EXPECT_TRUE(body.startsWith(QLatin1String("<body lang=EN-US ")));
}
