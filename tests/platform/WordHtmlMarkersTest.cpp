// The converter's markers, written into a document through the object model
// the way the conversion does, come out of the filtered HTML as plain,
// unbroken text where the later passes look for them.
#include "platform/DocxBuilder.h"
#include "platform/word/Document.h"
#include "platform/word/HtmlPictures.h"
#include "support/TestSupport.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace word;
using testsupport::DocxBuilder;

namespace {

const QByteArray kNumbering =
    "<w:numbering " + DocxBuilder::namespaces() + ">"
    "<w:abstractNum w:abstractNumId=\"0\">"
    "<w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/>"
    "<w:pPr><w:ind w:left=\"432\" w:hanging=\"432\"/></w:pPr></w:lvl>"
    "<w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.%2.\"/>"
    "<w:pPr><w:ind w:left=\"576\" w:hanging=\"576\"/></w:pPr></w:lvl></w:abstractNum>"
    "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>";

QByteArray anchor(int id, const QByteArray &descr, const QByteArray &docPrInner, const QByteArray &uri,
                  const QByteArray &graphic)
{
    return "<w:r><w:drawing><wp:anchor distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\" simplePos=\"0\" "
           "relativeHeight=\"1\" behindDoc=\"0\" locked=\"0\" layoutInCell=\"1\" allowOverlap=\"1\">"
           "<wp:simplePos x=\"0\" y=\"0\"/><wp:positionH relativeFrom=\"column\"><wp:posOffset>0</wp:posOffset>"
           "</wp:positionH><wp:positionV relativeFrom=\"paragraph\"><wp:posOffset>0</wp:posOffset></wp:positionV>"
           "<wp:extent cx=\"1905000\" cy=\"952500\"/><wp:wrapTopAndBottom/>"
           "<wp:docPr id=\"" + QByteArray::number(id) + "\" name=\"S\" descr=\"" + descr + "\">" + docPrInner
           + "</wp:docPr><a:graphic><a:graphicData uri=\"" + uri + "\">" + graphic
           + "</a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>";
}

} // namespace

TEST(WordHtmlMarkers, MarkersSurviveTheExportAsPlainText)
{
    testsupport::ScratchDir dir;
    const QString docx = dir.file(QStringLiteral("source.docx"));
    DocxBuilder b;
    b.part(QStringLiteral("word/numbering.xml"), kNumbering,
           QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"))
        .relationship(QStringLiteral("rIdNum"), QLatin1String(reltype::Numbering), QStringLiteral("numbering.xml"))
        .relationship(QStringLiteral("rIdWeb"), QLatin1String(reltype::Hyperlink), QStringLiteral("http://example.com/"),
                      true)
        .part(QStringLiteral("word/media/image1.png"), PlainPng(2, 1, 0xFF0000FFu, 0))
        .relationship(QStringLiteral("rIdImg"), QLatin1String(reltype::Image), QStringLiteral("media/image1.png"));
    const QByteArray shape =
        anchor(1, "Shape", "<a:hlinkClick r:id=\"rIdWeb\" tgtFrame=\"_blank\" tooltip=\"Tip\"/>",
               "http://schemas.microsoft.com/office/word/2010/wordprocessingShape",
               "<wps:wsp><wps:spPr><a:prstGeom prst=\"rect\"/></wps:spPr><wps:bodyPr/></wps:wsp>");
    const QByteArray canvasItem = "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"3\" name=\"I\">"
                                  "<a:hlinkClick r:id=\"rIdWeb\"/></pic:cNvPr><pic:cNvPicPr/></pic:nvPicPr>"
                                  "<pic:blipFill><a:blip r:embed=\"rIdImg\"/></pic:blipFill><pic:spPr><a:xfrm>"
                                  "<a:off x=\"0\" y=\"0\"/><a:ext cx=\"952500\" cy=\"476250\"/></a:xfrm>"
                                  "</pic:spPr></pic:pic>";
    const QByteArray canvas = anchor(2, "Canvas", QByteArray(),
                                     "http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas",
                                     "<wpc:wpc>" + canvasItem + "</wpc:wpc>");
    b.body("<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/>"
           "</w:numPr></w:pPr><w:bookmarkStart w:id=\"0\" w:name=\"_Toc1\"/><w:r><w:rPr><w:i/></w:rPr>"
           "<w:t>Intro</w:t></w:r><w:bookmarkEnd w:id=\"0\"/></w:p>"
           "<w:p><w:r><w:rPr><w:b/></w:rPr><w:t>Bold</w:t></w:r><w:r><w:t xml:space=\"preserve\"> start</w:t></w:r>"
           "</w:p>"
           "<w:p><w:pPr><w:pStyle w:val=\"Heading2\"/><w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"1\"/>"
           "</w:numPr></w:pPr><w:r><w:t>Setup</w:t></w:r></w:p>"
           "<w:p><w:pPr><w:outlineLvl w:val=\"4\"/></w:pPr><w:r><w:t>Deep</w:t></w:r></w:p>"
           "<w:p>" + shape + canvas + "<w:r><w:t>Pictures</w:t></w:r></w:p>");
    b.write(docx);

    Application word;
    Document *doc = word.Documents().Open(docx);
    // What the conversion does before saving: markers before every outline-level
    // paragraph, a Flash marker in the text, links and maps in alternative texts.
    for (Paragraph p = doc->Paragraphs().First(); !p.isNull(); p = p.Next())
        if (p.OutlineLevel() < 10)
            p.Range().InsertBefore(QStringLiteral("`~#$") + QString::number(p.OutlineLevel()));
    doc->Paragraphs().Item(2).Range().InsertBefore(QStringLiteral("~$!!Flash:(0)"));
    ASSERT_EQ(doc->Shapes().Count(), 2);
    for (int k = 1; k <= doc->Shapes().Count(); ++k) {
        Shape s = doc->Shapes().Item(k);
        if (s.Type() == 1) {
            const word::Hyperlink h = s.Hyperlink();
            s.setAlternativeText(s.AlternativeText() + QStringLiteral("`@#^") + h.Address() + QLatin1Char(';')
                                 + h.Target() + QLatin1Char(';') + h.ScreenTip());
        } else if (s.Type() == 20) {
            s.setAlternativeText(s.AlternativeText() + QStringLiteral("`$#!(0)"));
        }
    }
    const QString page = dir.file(QStringLiteral("doc.htm"));
    doc->SaveAs(page, wdFormatFilteredHTML);
    const QString html = QString::fromUtf8(testsupport::readFile(page));

    // The number, then the marker unbroken; the heading's bookmark inside the heading.
    static const QRegularExpression h1(QStringLiteral(
        "<h1[^>]*>(<a name=\"_Toc1\"></a>)?<span>1\\.<span style='font:7.0pt \"Times New Roman\"'>(&nbsp;)* "
        "</span></span>(<i>)?`~#\\$1(<a name=\"_Toc1\"></a>)?(<i>)?Intro</i></h1>"));
    const QRegularExpressionMatch m1 = h1.match(html);
    EXPECT_TRUE(m1.hasMatch()) << html.toStdString();
    EXPECT_TRUE(m1.captured(0).contains(QLatin1String("<a name=\"_Toc1\"></a>")));
    static const QRegularExpression h2(QStringLiteral("<h2[^>]*><span>1\\.1\\.<span[^>]*>(&nbsp;)* </span></span>"
                                                      "`~#\\$2Setup</h2>"));
    EXPECT_TRUE(h2.match(html).hasMatch());
    EXPECT_TRUE(html.contains(QLatin1String(">`~#$5Deep</h5>")));
    EXPECT_TRUE(html.contains(QLatin1String("~$!!Flash:(0)")));
    EXPECT_TRUE(html.contains(QLatin1String("alt=\"Shape`@#^http://example.com/;_blank;Tip\"")));
    EXPECT_TRUE(html.contains(QLatin1String("alt=\"Canvas`$#!(0)\"")));
    // Exactly one marker per outline-level paragraph.
    EXPECT_EQ(html.count(QLatin1String("`~#$")), 3);
    doc->Close(wdDoNotSaveChanges);
}
