// Drawings in the filtered HTML: charts, shapes and WordArt rendered as
// pictures, links on pictures, form fields, and documents with two bodies.
#include "platform/DocxBuilder.h"
#include "platform/word/Document.h"
#include "platform/word/HtmlExport.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Package.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace word;
using testsupport::DocxBuilder;

namespace {

QString exportPage(const DocxBuilder &b, const testsupport::ScratchDir &dir)
{
    const QString docx = dir.file(QStringLiteral("source.docx"));
    b.write(docx);
    const QString page = dir.file(QStringLiteral("doc.htm"));
    ExportFilteredHtml(*Package::Open(docx), HtmlExportOptions(), page);
    const QString html = QString::fromUtf8(testsupport::readFile(page));
    return html.mid(html.indexOf(QLatin1String("<body")));
}

// A drawing frame one inch by half an inch; placement (position and
// wrapping) goes into an anchored one.
QByteArray frame(bool anchored, const QByteArray &descr, const QByteArray &uri, const QByteArray &graphic,
                 const QByteArray &docPrInner = QByteArray(), const QByteArray &placement = QByteArray())
{
    const QByteArray tag = anchored ? "wp:anchor" : "wp:inline";
    return "<w:r><w:drawing><" + tag + ">" + placement
           + "<wp:extent cx=\"914400\" cy=\"457200\"/><wp:docPr id=\"1\" name=\"D\" descr=\""
           + descr + "\">" + docPrInner + "</wp:docPr><a:graphic><a:graphicData uri=\"" + uri + "\">" + graphic
           + "</a:graphicData></a:graphic></" + tag + "></w:drawing></w:r>";
}

const QByteArray kShapeUri = "http://schemas.microsoft.com/office/word/2010/wordprocessingShape";

QByteArray redBox()
{
    return "<wps:wsp><wps:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"
           "<a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:ln><a:noFill/></a:ln></wps:spPr>"
           "<wps:bodyPr/></wps:wsp>";
}

const QByteArray kChart =
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart><c:autoTitleDeleted val=\"1\"/>"
    "<c:plotArea><c:layout/><c:barChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/>"
    "<c:varyColors val=\"0\"/><c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>"
    "<c:spPr><a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill></c:spPr>"
    "<c:cat><c:strLit><c:ptCount val=\"2\"/><c:pt idx=\"0\"><c:v>A</c:v></c:pt><c:pt idx=\"1\"><c:v>B</c:v></c:pt>"
    "</c:strLit></c:cat><c:val><c:numLit><c:formatCode>General</c:formatCode><c:ptCount val=\"2\"/>"
    "<c:pt idx=\"0\"><c:v>4</c:v></c:pt><c:pt idx=\"1\"><c:v>4</c:v></c:pt></c:numLit></c:val></c:ser>"
    "<c:gapWidth val=\"10\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart>"
    "<c:catAx><c:axId val=\"1\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling><c:delete val=\"1\"/>"
    "<c:axPos val=\"b\"/><c:crossAx val=\"2\"/></c:catAx><c:valAx><c:axId val=\"2\"/><c:scaling>"
    "<c:orientation val=\"minMax\"/><c:max val=\"4\"/><c:min val=\"0\"/></c:scaling><c:delete val=\"1\"/>"
    "<c:axPos val=\"l\"/><c:crossAx val=\"1\"/></c:valAx></c:plotArea><c:plotVisOnly val=\"1\"/></c:chart>"
    "</c:chartSpace>";

// The share of a picture's pixels that are mostly the given colour.
double shareOf(const QString &png, QRgb colour)
{
    const QImage image(png);
    if (image.isNull())
        return 0;
    int hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            hits += std::abs(qRed(p) - qRed(colour)) < 60 && std::abs(qGreen(p) - qGreen(colour)) < 60
                    && std::abs(qBlue(p) - qBlue(colour)) < 60;
        }
    return double(hits) / (image.width() * image.height());
}

QStringList imageTags(const QString &body)
{
    static const QRegularExpression img(QStringLiteral("<img [^>]*>"));
    QStringList tags;
    for (const QRegularExpressionMatch &m : img.globalMatch(body))
        tags << m.captured(0);
    return tags;
}

} // namespace

// Charts, shapes, WordArt, VML shapes and groups of drawn shapes become
// pictures of their size with their alternative text, each rendered from its
// own drawing; text boxes stay text, and an embedded control without a
// picture of its own shows none.
TEST(WordHtmlDrawings, DrawingsWithoutPicturesAreRenderedInPlace)
{
    DocxBuilder b;
    b.part(QStringLiteral("word/charts/chart1.xml"), kChart,
           QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml"));
    b.relationship(QStringLiteral("rIdChart"),
                   QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart"),
                   QStringLiteral("charts/chart1.xml"));
    const QByteArray wordArt =
        "<wps:wsp><wps:spPr><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></wps:spPr>"
        "<wps:txbx><w:txbxContent><w:p><w:r><w:rPr><w:sz w:val=\"48\"/></w:rPr><w:t>Art</w:t></w:r></w:p>"
        "</w:txbxContent></wps:txbx><wps:bodyPr><a:prstTxWarp prst=\"textArchUp\"><a:avLst/></a:prstTxWarp>"
        "</wps:bodyPr></wps:wsp>";
    const QByteArray textBox = "<wps:wsp><wps:spPr/><wps:txbx><w:txbxContent><w:p><w:r><w:t>Boxed text</w:t>"
                               "</w:r></w:p></w:txbxContent></wps:txbx><wps:bodyPr/></wps:wsp>";
    b.body("<w:p>" + frame(false, "Red box", kShapeUri, redBox())
           + frame(true, "Sales", "http://schemas.openxmlformats.org/drawingml/2006/chart",
                   "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rIdChart\"/>")
           + frame(false, "Arch", kShapeUri, wordArt) + frame(false, "", kShapeUri, textBox)
           + frame(false, "Group", "http://schemas.microsoft.com/office/word/2010/wordprocessingGroup",
                   "<wpg:wgp><wpg:grpSpPr/>" + redBox() + "</wpg:wgp>")
           + "<w:r><w:pict><v:rect style=\"width:72pt;height:36pt\" fillcolor=\"red\" stroked=\"f\" "
             "alt=\"Vml box\"/></w:pict></w:r>"
           + "<w:r><w:object><v:shape style=\"width:72pt;height:36pt\"/><w:control w:name=\"C\"/></w:object></w:r>"
           + "<w:r><w:pict><v:shape style=\"width:72pt;height:36pt\"><v:textbox><w:txbxContent><w:p><w:r>"
             "<w:t>Vml text</w:t></w:r></w:p></w:txbxContent></v:textbox></v:shape></w:pict></w:r>"
           + "</w:p>");
    testsupport::ScratchDir dir;
    const QString body = exportPage(b, dir);
    const QStringList tags = imageTags(body);
    ASSERT_EQ(tags.size(), 5) << body.toStdString();
    const char *alts[] = {"Red box", "Sales", "Arch", "Group", "Vml box"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(tags[i].contains(QStringLiteral("src=\"doc_files/image%1.png\"").arg(i + 1, 3, 10, QLatin1Char('0'))))
            << tags[i].toStdString();
        EXPECT_TRUE(tags[i].contains(QStringLiteral("alt=\"%1\"").arg(QLatin1String(alts[i])))) << tags[i].toStdString();
        EXPECT_TRUE(tags[i].contains(QLatin1String("width=96 height=48"))) << tags[i].toStdString();
        int w = 0, h = 0;
        const QString file = dir.file(QStringLiteral("doc_files/image%1.png").arg(i + 1, 3, 10, QLatin1Char('0')));
        ASSERT_TRUE(ImagePixelSize(testsupport::readFile(file), w, h)) << file.toStdString();
        EXPECT_EQ(w, 96);
        EXPECT_EQ(h, 48);
    }
    EXPECT_TRUE(body.contains(QLatin1String("Boxed text")));
    EXPECT_TRUE(body.contains(QLatin1String("Vml text")));
    if (!lo::IsAvailable())
        GTEST_SKIP() << "LibreOffice is not installed: the pictures were not rendered";
    // Each picture shows its own drawing: the red shapes red, the chart's
    // bars blue, the WordArt neither.
    auto file = [&](int i) { return dir.file(QStringLiteral("doc_files/image00%1.png").arg(i)); };
    EXPECT_GT(shareOf(file(1), qRgb(255, 0, 0)), 0.9);
    EXPECT_GT(shareOf(file(2), qRgb(0, 0, 255)), 0.3);
    EXPECT_EQ(shareOf(file(2), qRgb(255, 0, 0)), 0.0);
    EXPECT_LT(shareOf(file(3), qRgb(255, 255, 255)), 1.0) << "the WordArt draws something";
    EXPECT_EQ(shareOf(file(3), qRgb(255, 0, 0)), 0.0);
    EXPECT_GT(shareOf(file(4), qRgb(255, 0, 0)), 0.9);
    EXPECT_GT(shareOf(file(5), qRgb(255, 0, 0)), 0.9);
}

// A drawing in a footnote uses the footnote part's relationships.
TEST(WordHtmlDrawings, DrawingsInNotesKeepTheirOwnRelationships)
{
    if (!lo::IsAvailable())
        GTEST_SKIP() << "LibreOffice is not installed";
    DocxBuilder b;
    b.part(QStringLiteral("word/charts/chart7.xml"), kChart,
           QStringLiteral("application/vnd.openxmlformats-officedocument.drawingml.chart+xml"));
    const QByteArray notes =
        "<w:footnotes " + DocxBuilder::namespaces() + "><w:footnote w:id=\"1\"><w:p>"
        + frame(false, "Noted", "http://schemas.openxmlformats.org/drawingml/2006/chart",
                "<c:chart xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"rIdC\"/>")
        + "</w:p></w:footnote></w:footnotes>";
    b.part(QStringLiteral("word/footnotes.xml"), notes,
           QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.footnotes+xml"));
    b.part(QStringLiteral("word/_rels/footnotes.xml.rels"),
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rIdC\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chart\" "
           "Target=\"charts/chart7.xml\"/></Relationships>");
    b.relationship(QStringLiteral("rIdNotes"), QLatin1String(reltype::Footnotes), QStringLiteral("footnotes.xml"));
    b.body("<w:p><w:r><w:t>Text</w:t></w:r><w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>");
    testsupport::ScratchDir dir;
    const QString body = exportPage(b, dir);
    ASSERT_TRUE(body.contains(QLatin1String("src=\"doc_files/image001.png\" alt=\"Noted\""))) << body.toStdString();
    EXPECT_GT(shareOf(dir.file(QStringLiteral("doc_files/image001.png")), qRgb(0, 0, 255)), 0.3);
}

// Links on pictures wrap them as Word writes them; script addresses are
// not linked, and a picture inside a text link takes that link.
TEST(WordHtmlDrawings, PictureLinksWrapTheirPictures)
{
    DocxBuilder b;
    b.part(QStringLiteral("word/media/image1.png"), PlainPng(4, 3, 0xFF00FF00u, 0));
    b.relationship(QStringLiteral("rIdImg"), QLatin1String(reltype::Image), QStringLiteral("media/image1.png"));
    b.relationship(QStringLiteral("rIdWeb"), QLatin1String(reltype::Hyperlink),
                   QStringLiteral("http://example.org/?a=1&amp;b=2"), true);
    b.relationship(QStringLiteral("rIdJs"), QLatin1String(reltype::Hyperlink), QStringLiteral("JavaScript:alert(1)"),
                   true);
    const QByteArray pic = "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"2\" name=\"p\"><a:hlinkClick r:id=\"rIdJs\"/>"
                           "</pic:cNvPr></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"rIdImg\"/></pic:blipFill>"
                           "</pic:pic>";
    const QByteArray plainPic = "<pic:pic><pic:blipFill><a:blip r:embed=\"rIdImg\"/></pic:blipFill></pic:pic>";
    const QByteArray picUri = "http://schemas.openxmlformats.org/drawingml/2006/picture";
    b.body("<w:p>" + frame(false, "Inline", picUri, plainPic, "<a:hlinkClick r:id=\"rIdWeb\" tooltip=\"Go\"/>")
           + frame(true, "Floating", picUri, plainPic, "<a:hlinkClick r:id=\"\" location=\"Intro\"/>")
           + frame(false, "Script", picUri, pic)
           + "<w:hyperlink w:anchor=\"Outer\">" + frame(false, "Inside", picUri, plainPic,
                                                        "<a:hlinkClick r:id=\"rIdWeb\"/>") + "</w:hyperlink>"
           + "<w:r><w:pict><v:shape style=\"width:3pt;height:3pt\" href=\"http://v.example/\" target=\"_blank\">"
             "<v:imagedata r:id=\"rIdImg\"/></v:shape></w:pict></w:r></w:p>");
    testsupport::ScratchDir dir;
    const QString body = exportPage(b, dir);
    EXPECT_TRUE(body.contains(QLatin1String("<a href=\"http://example.org/?a=1&amp;b=2\" title=\"Go\"><img width=96 "
                                            "height=48 src=\"doc_files/image001.png\" alt=\"Inline\"></a>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<a href=\"#Intro\"><img width=96 height=48 src=\"doc_files/image001.png\" "
                                            "alt=\"Floating\"></a>")))
        << body.toStdString();
    EXPECT_FALSE(body.contains(QLatin1String("alert"), Qt::CaseInsensitive));
    EXPECT_TRUE(body.contains(QLatin1String("<a href=\"#Outer\"><img width=96 height=48 src=\"doc_files/image001.png\" "
                                            "alt=\"Inside\"></a>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<a href=\"http://v.example/\" target=\"_blank\"><img width=4 height=4 ")))
        << body.toStdString();
}

// Legacy form fields show what Word shows: check boxes as boxes, ticked or
// not; drop-down lists their chosen entry; text fields their result.
TEST(WordHtmlDrawings, LegacyFormFieldsShowTheirState)
{
    auto formField = [](const QByteArray &ffData, const QByteArray &code, const QByteArray &result,
                        bool separate = true) {
        return "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"F\"/>" + ffData
               + "</w:ffData></w:fldChar></w:r><w:r><w:instrText xml:space=\"preserve\"> " + code
               + " </w:instrText></w:r>"
               + (separate ? QByteArray("<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>") : QByteArray())
               + (result.isEmpty() ? QByteArray() : "<w:r><w:t>" + result + "</w:t></w:r>")
               + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    };
    const QByteArray ticked = "<w:checkBox><w:default w:val=\"1\"/></w:checkBox>";
    const QByteArray clear = "<w:checkBox><w:default w:val=\"0\"/></w:checkBox>";
    DocxBuilder b;
    b.body("<w:p><w:r><w:t xml:space=\"preserve\">A:</w:t></w:r>"
           + formField("<w:checkBox><w:sizeAuto/><w:default w:val=\"1\"/></w:checkBox>", "FORMCHECKBOX", "")
           + "<w:r><w:t xml:space=\"preserve\"> B:</w:t></w:r>"
           + formField("<w:checkBox><w:default w:val=\"1\"/><w:checked w:val=\"0\"/></w:checkBox>", "FORMCHECKBOX", "")
           + "<w:r><w:t xml:space=\"preserve\"> C:</w:t></w:r>"
           + formField("<w:ddList><w:result w:val=\"1\"/><w:listEntry w:val=\"Alpha\"/><w:listEntry w:val=\"Beta &amp; Co\"/>"
                       "</w:ddList>", "FORMDROPDOWN", "")
           + "<w:r><w:t xml:space=\"preserve\"> D:</w:t></w:r>"
           + formField("<w:textInput/>", "FORMTEXT", "Typed") + "</w:p>"
           // Check boxes as Word writes them, without a "separate" mark,
           // also inside a hyperlink field's result.
           + "<w:p><w:r><w:t xml:space=\"preserve\">Row:</w:t></w:r>" + formField(ticked, "FORMCHECKBOX", "", false)
           + formField(clear, "FORMCHECKBOX", "", false) + formField(ticked, "FORMCHECKBOX", "", false)
           + "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> HYPERLINK \"http://example.org/\" "
             "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
           + formField(clear, "FORMCHECKBOX", "", false)
           + "<w:r><w:t>linked</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>");
    testsupport::ScratchDir dir;
    const QString body = exportPage(b, dir);
    EXPECT_TRUE(body.contains(QString::fromUtf8("A:\xE2\x98\x92 B:\xE2\x98\x90 C:Beta &amp; Co D:Typed")))
        << body.toStdString();
    QString row = body.mid(body.indexOf(QLatin1String("Row:")));
    row.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    EXPECT_TRUE(row.startsWith(QString::fromUtf8("Row:\xE2\x98\x92\xE2\x98\x90\xE2\x98\x92\xE2\x98\x90linked")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<a href=\"http://example.org/\">"))) << body.toStdString();
}

// Anchored drawings keep their order: those that text wraps around float
// to the side Word leaves them on (by wrapping side, alignment or position),
// those with text above and below only stand on lines of their own, and the
// paragraph holding them ends below them, so that no picture covers the text
// after it. Shapes of the older drawing format are placed alike.
TEST(WordHtmlDrawings, AnchoredDrawingsKeepOrderAndSideAndCoverNoText)
{
    DocxBuilder b;
    b.part(QStringLiteral("word/media/image1.png"), PlainPng(4, 3, 0xFF00FF00u, 0));
    b.relationship(QStringLiteral("rIdImg"), QLatin1String(reltype::Image), QStringLiteral("media/image1.png"));
    const QByteArray picUri = "http://schemas.openxmlformats.org/drawingml/2006/picture";
    const QByteArray pic = "<pic:pic><pic:blipFill><a:blip r:embed=\"rIdImg\"/></pic:blipFill></pic:pic>";
    auto anchored = [&](const QByteArray &descr, const QByteArray &positionH, const QByteArray &wrap) {
        return frame(true, descr, picUri, pic, QByteArray(),
                     "<wp:positionH relativeFrom=\"" + positionH + "</wp:positionH>" + wrap);
    };
    const QByteArray square = "<wp:wrapSquare wrapText=\"bothSides\"/>";
    b.body("<w:p>" + anchored("At the left", "column\"><wp:posOffset>0</wp:posOffset>", square)
           + anchored("At the right", "column\"><wp:posOffset>4572000</wp:posOffset>", square)
           + anchored("Aligned right", "margin\"><wp:align>right</wp:align>", square)
           + "<w:r><w:t>Beside them.</w:t></w:r></w:p>"
           + "<w:p><w:r><w:t>Lead</w:t></w:r>"
           + anchored("Own lines", "page\"><wp:posOffset>0</wp:posOffset>", "<wp:wrapTopAndBottom/>")
           + anchored("Text on its left", "column\"><wp:posOffset>0</wp:posOffset>",
                      "<wp:wrapSquare wrapText=\"left\"/>")
           + "<w:r><w:t>Lines</w:t></w:r></w:p>"
           + "<w:p><w:r><w:pict><v:shape style=\"position:absolute;margin-left:0;width:72pt;height:36pt;"
             "mso-position-horizontal:right\" alt=\"Vml right\"><v:imagedata r:id=\"rIdImg\"/><w10:wrap type=\"square\"/>"
             "</v:shape></w:pict></w:r><w:r><w:pict><v:shape style=\"position:absolute;width:72pt;height:36pt\" "
             "alt=\"Vml in front\"><v:imagedata r:id=\"rIdImg\"/></v:shape></w:pict></w:r>"
             "<w:r><w:t>Old shapes</w:t></w:r></w:p>");
    testsupport::ScratchDir dir;
    QString body = exportPage(b, dir);
    body.remove(QRegularExpression(QStringLiteral(" (width|height|src)=[^ >]+")));
    EXPECT_TRUE(body.contains(QLatin1String("<img align=left alt=\"At the left\"><img align=right alt=\"At the right\">"
                                            "<img align=right alt=\"Aligned right\">Beside them.<br clear=all></p>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("Lead<br clear=all><img alt=\"Own lines\"><br clear=all>"
                                            "<img align=right alt=\"Text on its left\">Lines<br clear=all></p>")))
        << body.toStdString();
    EXPECT_TRUE(body.contains(QLatin1String("<img align=right alt=\"Vml right\"><br clear=all><img alt=\"Vml in front\">"
                                            "<br clear=all>Old shapes<br clear=all></p>")))
        << body.toStdString();
}

// A damaged document with a second body keeps what stands in it.
TEST(WordHtmlDrawings, TextAfterASecondBodyIsKept)
{
    testsupport::ScratchDir dir;
    const QString docx = dir.file(QStringLiteral("two.docx"));
    DocxBuilder()
        .documentXml("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document " + DocxBuilder::namespaces()
                     + "><w:body><w:p><w:r><w:t>First body</w:t></w:r></w:p><w:sectPr/></w:body>"
                       "<w:body><w:p><w:r><w:t>Second body</w:t></w:r></w:p><w:sectPr/></w:body></w:document>")
        .write(docx);
    Application word;
    Document *doc = word.Documents().Open(docx);
    const QString page = dir.file(QStringLiteral("two.htm"));
    doc->SaveAs(page, wdFormatFilteredHTML);
    const QString html = QString::fromUtf8(testsupport::readFile(page));
    EXPECT_TRUE(html.contains(QLatin1String("First body")));
    EXPECT_TRUE(html.contains(QLatin1String("Second body")));
    EXPECT_LT(html.indexOf(QLatin1String("First body")), html.indexOf(QLatin1String("Second body")));
}
