#include "platform/WordTestDocs.h"

#include <gtest/gtest.h>

using namespace word;
using testsupport::DocxBuilder;
using testsupport::openBuilt;
using testsupport::para;
using testsupport::ScratchDir;

namespace {

const char *const kControlRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/control";
const char *const kFlashClass = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";

QByteArray activeX(const QByteArray &classId, const QByteArray &movie)
{
    return "<ax:ocx xmlns:ax=\"http://schemas.microsoft.com/office/2006/activeX\" ax:classid=\"" + classId
           + "\" ax:persistence=\"persistPropertyBag\"><ax:ocxPr ax:name=\"Movie\" ax:value=\"" + movie
           + "\"/><ax:ocxPr ax:name=\"Loop\" ax:value=\"-1\"/><ax:ocxPr ax:name=\"WMode\" ax:value=\"Window\"/>"
             "</ax:ocx>";
}

QByteArray control(const QByteArray &rel, const QByteArray &style)
{
    return "<w:r><w:object><v:shape id=\"s" + rel + "\" style=\"" + style + "\"/><w:control r:id=\"" + rel
           + "\" w:name=\"Ctl" + rel + "\"/></w:object></w:r>";
}

QByteArray anchor(const QByteArray &uri, const QByteArray &content, const QByteArray &docPrExtra = QByteArray())
{
    return "<w:r><w:drawing><wp:anchor><wp:positionH relativeFrom=\"column\"><wp:posOffset>12700</wp:posOffset>"
           "</wp:positionH><wp:positionV relativeFrom=\"paragraph\"><wp:posOffset>25400</wp:posOffset></wp:positionV>"
           "<wp:extent cx=\"635000\" cy=\"317500\"/><wp:docPr id=\"9\" name=\"shape\" descr=\"old\">"
           + docPrExtra + "</wp:docPr><a:graphic><a:graphicData uri=\"" + uri + "\">" + content
           + "</a:graphicData></a:graphic></wp:anchor></w:drawing></w:r>";
}

QByteArray canvasItem(const QByteArray &x, const QByteArray &link)
{
    return "<wps:wsp><wps:cNvPr id=\"1\" name=\"i\">" + link + "</wps:cNvPr><wps:spPr><a:xfrm><a:off x=\"" + x
           + "\" y=\"25400\"/><a:ext cx=\"127000\" cy=\"63500\"/></a:xfrm></wps:spPr><wps:bodyPr/></wps:wsp>";
}

const QByteArray kWps = "http://schemas.microsoft.com/office/word/2010/wordprocessingShape";
const QByteArray kWpc = "http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas";

DocxBuilder shapesDocument()
{
    const QByteArray picture =
        "<w:r><w:drawing><wp:inline><wp:extent cx=\"127000\" cy=\"254000\"/><wp:docPr id=\"1\" name=\"Pic\" "
        "descr=\"a picture\"/><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/"
        "picture\"><pic:pic><pic:blipFill><a:blip r:embed=\"rImg\"/></pic:blipFill></pic:pic></a:graphicData>"
        "</a:graphic></wp:inline></w:drawing></w:r>";
    const QByteArray linkedCanvas =
        anchor(kWpc, "<wpc:wpc><wpc:bg/><wpc:whole/>" + canvasItem("0", "<a:hlinkClick r:id=\"rWeb\"/>")
                         + canvasItem("12700", "")
                         + canvasItem("25400", "<a:hlinkClick r:id=\"rBm\" tgtFrame=\"_top\" tooltip=\"Tip\"/>")
                         + "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"4\" name=\"p\"><a:hlinkClick r:id=\"rWeb\"/>"
                           "</pic:cNvPr></pic:nvPicPr><pic:spPr><a:xfrm><a:off x=\"38100\" y=\"0\"/><a:ext "
                           "cx=\"12700\" cy=\"12700\"/></a:xfrm></pic:spPr></pic:pic></wpc:wpc>");
    const QByteArray plainCanvas =
        anchor(kWpc, "<wpc:wpc>" + canvasItem("0", "") + canvasItem("12700", "") + "</wpc:wpc>");
    // The linked autoshape comes as Word writes it: alternate content with a
    // VML fallback.
    const QByteArray linkedShape =
        "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\">"
        + QByteArray(anchor(kWps, "<wps:wsp><wps:spPr/><wps:bodyPr/></wps:wsp>",
                            "<a:hlinkClick r:id=\"rBm\" tgtFrame=\"_blank\" tooltip=\"Go there\"/>"))
              .mid(5).chopped(6)
        + "</mc:Choice><mc:Fallback><w:pict><v:rect style=\"position:absolute\" href=\"#wrong\"/></w:pict>"
          "</mc:Fallback></mc:AlternateContent></w:r>";
    return DocxBuilder()
        .body("<w:p><w:r><w:t>Before</w:t></w:r>" + control("rAx1", "width:300pt;height:150pt")
              + control("rAx2", "width:150pt;height:75pt") + control("rBtn", "width:10pt;height:10pt") + picture
              + "<w:r><w:t>After</w:t></w:r></w:p>"
              + "<w:p><w:r><w:t>Float</w:t></w:r>"
              + control("rAx3", "position:absolute;margin-left:10pt;width:200pt;height:100pt") + linkedShape
              + anchor(kWps, "<wps:wsp><wps:spPr/><wps:bodyPr/></wps:wsp>") + linkedCanvas + plainCanvas
              + "</w:p>")
        .relationship("rAx1", kControlRel, "activeX/activeX1.xml")
        .relationship("rAx2", kControlRel, "activeX/activeX2.xml")
        .relationship("rAx3", kControlRel, "activeX/activeX3.xml")
        .relationship("rBtn", kControlRel, "activeX/activeX4.xml")
        .relationship("rImg", reltype::Image, "media/image1.png")
        .relationship("rWeb", reltype::Hyperlink, "http://example.com/page.htm", true)
        .relationship("rBm", reltype::Hyperlink, "#intro", true)
        .part("word/activeX/activeX1.xml", activeX(kFlashClass, "one.swf"))
        .part("word/activeX/activeX2.xml", activeX(kFlashClass, "two.swf"))
        .part("word/activeX/activeX3.xml", activeX(kFlashClass, "three.swf"))
        .part("word/activeX/activeX4.xml", activeX("{D7053240-CE69-11CD-A777-00DD01143C57}", ""))
        .part("word/media/image1.png", "PNG");
}

} // namespace

TEST(WordShapes, TypesSizesAndAlternativeText)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(app, dir, shapesDocument());
    ASSERT_EQ(doc->InlineShapes().Count(), 4);
    ASSERT_EQ(doc->Shapes().Count(), 5);
    QList<int> inlineTypes, floatTypes;
    for (int k = 1; k <= 4; ++k)
        inlineTypes << doc->InlineShapes().Item(k).Type();
    for (int k = 1; k <= 5; ++k)
        floatTypes << doc->Shapes().Item(k).Type();
    EXPECT_EQ(inlineTypes, (QList<int>{5, 5, 5, 3}));
    EXPECT_EQ(floatTypes, (QList<int>{12, 1, 1, 20, 20}));
    InlineShape pic = doc->InlineShapes().Item(4);
    EXPECT_DOUBLE_EQ(pic.Width(), 10.0);
    EXPECT_DOUBLE_EQ(pic.Height(), 20.0);
    EXPECT_EQ(pic.AlternativeText(), "a picture");
    EXPECT_THROW(pic.Hyperlink(), Exception);
    EXPECT_THROW(pic.OLEFormat(), Exception);
    Shape box = doc->Shapes().Item(3);
    EXPECT_DOUBLE_EQ(box.Width(), 50.0);
    EXPECT_DOUBLE_EQ(box.Height(), 25.0);
    EXPECT_DOUBLE_EQ(box.Left(), 1.0);
    EXPECT_DOUBLE_EQ(box.Top(), 2.0);
    EXPECT_DOUBLE_EQ(doc->Shapes().Item(1).Left(), 10.0);

    InlineShape flash = doc->InlineShapes().Item(1);
    EXPECT_EQ(flash.OLEFormat().ClassType(), "ShockwaveFlash.ShockwaveFlash");
    EXPECT_EQ(flash.OLEFormat().Object().Property("movie"), "one.swf");
    EXPECT_EQ(flash.OLEFormat().Object().Property("Loop"), "-1");
    EXPECT_EQ(flash.OLEFormat().Object().Property("Quality"), "");
    EXPECT_DOUBLE_EQ(flash.Width(), 300.0);
    EXPECT_EQ(doc->InlineShapes().Item(3).OLEFormat().ClassType(), "Forms.CommandButton.1");
}

// The shape pass of the conversion: Flash controls replaced by markers,
// links of drawing shapes and canvases kept in their alternative texts.
TEST(WordShapes, ConversionPass)
{
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(app, dir, shapesDocument());
    QStringList movies;
    int flashIndex = 0;
    int count = doc->InlineShapes().Count();
    for (int k = 1; k <= count;) {
        InlineShape s = doc->InlineShapes().Item(k);
        if (s.Type() != 5 || !s.OLEFormat().ClassType().contains("ShockwaveFlash", Qt::CaseInsensitive)) {
            ++k;
            continue;
        }
        movies << s.OLEFormat().Object().Property("Movie");
        s.Range().InsertAfter(QStringLiteral("~$!!Flash:(%1)").arg(flashIndex++));
        s.Delete();
        --count;
    }
    QStringList alts;
    QList<int> areaCounts;
    count = doc->Shapes().Count();
    for (int k = 1; k <= count;) {
        Shape s = doc->Shapes().Item(k);
        if (s.Type() == 1) {
            try {
                const Hyperlink h = s.Hyperlink();
                s.setAlternativeText(s.AlternativeText() + "`@#^#" + h.SubAddress() + ";" + h.Target() + ";"
                                     + h.ScreenTip());
            } catch (const Exception &) {
            }
        } else if (s.Type() == 20) {
            CanvasItems items = s.CanvasItems();
            QStringList areas;
            for (int i = items.Count(); i >= 1; --i) {
                try {
                    const Hyperlink h = items.Item(i).Hyperlink();
                    areas << (h.SubAddress().isEmpty() ? h.Address() : "#" + h.SubAddress()) + "@"
                                 + QString::number(items.Item(i).Left()) + "," + QString::number(items.Item(i).Top())
                                 + "," + QString::number(items.Item(i).Width()) + ","
                                 + QString::number(items.Item(i).Height()) + "," + h.Target() + "," + h.ScreenTip();
                } catch (const Exception &) {
                }
            }
            areaCounts << int(areas.size());
            if (!areas.isEmpty()) {
                alts << areas;
                s.setAlternativeText(s.AlternativeText() + "`$#!(0)");
            }
        } else if (s.Type() == 12 && s.OLEFormat().ClassType().contains("ShockwaveFlash")) {
            movies << s.OLEFormat().Object().Property("Movie");
            s.Anchor().InsertAfter(QStringLiteral("~$!!Flash:(%1)").arg(flashIndex++));
            s.Delete();
            --count;
            continue;
        }
        ++k;
    }
    EXPECT_EQ(movies, (QStringList{"one.swf", "two.swf", "three.swf"}));
    EXPECT_EQ(areaCounts, (QList<int>{3, 0}));
    EXPECT_EQ(alts, (QStringList{"http://example.com/page.htm@3,0,1,1,,", "#intro@2,2,10,5,_top,Tip",
                                 "http://example.com/page.htm@0,2,10,5,,"}));
    EXPECT_EQ(doc->Paragraphs().Item(1).Range().Text(), "Before~$!!Flash:(0)~$!!Flash:(1)\x01\x01" "After\r");
    EXPECT_EQ(doc->Paragraphs().Item(2).Range().Text(), "Float~$!!Flash:(2)\x01\x01\x01\x01\r");
    EXPECT_EQ(doc->InlineShapes().Count(), 2);
    ASSERT_EQ(doc->Shapes().Count(), 4);
    EXPECT_EQ(doc->Shapes().Item(1).AlternativeText(), "old`@#^#intro;_blank;Go there");
    EXPECT_EQ(doc->Shapes().Item(2).AlternativeText(), "old");
    EXPECT_EQ(doc->Shapes().Item(3).AlternativeText(), "old`$#!(0)");
    EXPECT_EQ(doc->Shapes().Item(4).AlternativeText(), "old");

    // The edits survive saving.
    doc->SaveAs(dir.file("out.docx"), wdFormatXMLDocument);
    Document *back = app.Documents().Open(dir.file("out.docx"));
    EXPECT_EQ(back->Shapes().Item(1).AlternativeText(), "old`@#^#intro;_blank;Go there");
    EXPECT_EQ(back->Paragraphs().Item(2).Range().Text(), "Float~$!!Flash:(2)\x01\x01\x01\x01\r");
}

TEST(WordShapes, VmlShapesAndLengths)
{
    EXPECT_DOUBLE_EQ(shapes::vmlLength("72pt"), 72.0);
    EXPECT_DOUBLE_EQ(shapes::vmlLength("1in"), 72.0);
    EXPECT_DOUBLE_EQ(shapes::vmlLength("96px"), 72.0);
    EXPECT_DOUBLE_EQ(shapes::vmlLength("2.54cm"), 72.0);
    EXPECT_EQ(shapes::vmlStyle("position:absolute; WIDTH : 5pt", "width"), "5pt");

    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(
        app, dir,
        DocxBuilder().body(
            "<w:p><w:r><w:pict><v:shapetype id=\"t\"/><v:shape style=\"width:20pt;height:10pt\" alt=\"vml\">"
            "<v:imagedata r:id=\"rImg\"/></v:shape></w:pict></w:r>"
            "<w:r><w:pict><v:group o:editas=\"canvas\" style=\"position:absolute;width:100pt;height:50pt\" "
            "coordsize=\"1000,500\"><v:rect style=\"position:absolute;left:100;top:100;width:200;height:100\" "
            "href=\"http://x/\" target=\"f\" title=\"t\"/><v:oval style=\"left:0;top:0;width:10;height:10\"/>"
            "</v:group></w:pict></w:r>"
            "<w:r><w:pict><v:line style=\"position:absolute\" from=\"0,0\" to=\"1,1\"/></w:pict></w:r></w:p>"));
    ASSERT_EQ(doc->InlineShapes().Count(), 1);
    InlineShape pic = doc->InlineShapes().Item(1);
    EXPECT_EQ(pic.Type(), 3);
    EXPECT_DOUBLE_EQ(pic.Width(), 20.0);
    pic.setAlternativeText(QStringLiteral("new"));
    EXPECT_EQ(pic.AlternativeText(), "new");
    ASSERT_EQ(doc->Shapes().Count(), 2);
    Shape canvas = doc->Shapes().Item(1);
    EXPECT_EQ(canvas.Type(), 20);
    EXPECT_EQ(doc->Shapes().Item(2).Type(), 9);
    ASSERT_EQ(canvas.CanvasItems().Count(), 2);
    Shape item = canvas.CanvasItems().Item(1);
    EXPECT_DOUBLE_EQ(item.Left(), 10.0);
    EXPECT_DOUBLE_EQ(item.Width(), 20.0);
    EXPECT_EQ(item.Hyperlink().Address(), "http://x/");
    EXPECT_EQ(item.Hyperlink().Target(), "f");
    EXPECT_THROW(canvas.CanvasItems().Item(2).Hyperlink(), Exception);
    EXPECT_THROW(canvas.CanvasItems().Item(3), Exception);
}
