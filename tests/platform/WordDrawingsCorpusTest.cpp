// Every picture, chart and shape of the corpus documents becomes a picture
// in the filtered HTML: a picture file that shows something, rendered
// where the drawing has no picture of its own.
#include "platform/word/Document.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Package.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <cstring>
#include <gtest/gtest.h>

using namespace word;

namespace {

bool isVmlShape(pugi::xml_node n)
{
    for (const char *name : {"v:shape", "v:rect", "v:oval", "v:roundrect", "v:line", "v:group", "v:polyline",
                             "v:curve", "v:arc", "v:image"})
        if (std::strcmp(n.name(), name) == 0)
            return true;
    return false;
}

// The drawings of the document's body that must show as at least one
// picture: all but text boxes (which show their text) and horizontal rules.
int drawingsShownAsPictures(const Package &pkg)
{
    pugi::xml_node body = pkg.xml(pkg.mainDocumentPart())->child("w:document").child("w:body");
    int n = 0;
    for (pugi::xpath_node d : body.select_nodes(".//w:drawing[not(ancestor::w:del)]")) {
        // Text boxes, alone or grouped, show their text.
        bool textOnly = !d.node().select_node(".//pic:pic | .//a:graphicData/*[not(self::wps:wsp or self::wpg:wgp)]")
                             .node();
        for (pugi::xpath_node wsp : d.node().select_nodes(".//wps:wsp")) {
            pugi::xml_node warp = wsp.node().select_node("wps:bodyPr/a:prstTxWarp").node();
            textOnly = textOnly && wsp.node().child("wps:txbx")
                       && (!warp || std::strcmp(warp.attribute("prst").value(), "textNoShape") == 0);
        }
        n += !textOnly;
    }
    for (pugi::xpath_node p : body.select_nodes(".//w:pict[not(ancestor::w:del)] | .//w:object[not(ancestor::w:del)]"))
        for (pugi::xml_node s : p.node().children()) {
            if (!isVmlShape(s))
                continue;
            const bool rule = std::strcmp(s.attribute("o:hr").value(), "t") == 0 && !s.child("v:imagedata");
            const bool textBox = s.child("v:textbox") && !s.child("v:textpath");
            n += !rule && !textBox;
        }
    return n;
}

QtMessageHandler previousHandler = nullptr;
QStringList warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg)
        warnings << message;
    previousHandler(type, context, message);
}

} // namespace

TEST(WordDrawingsCorpus, EveryPictureChartAndShapeBecomesAPicture)
{
    QC_REQUIRE_CORPUS("docx");
    if (!lo::IsAvailable())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QDir corpus(testsupport::corpusDir(QStringLiteral("docx")));
    testsupport::ScratchDir out;
    int drawings = 0;
    previousHandler = qInstallMessageHandler(collectWarnings);
    for (const QString &name : corpus.entryList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name)) {
        SCOPED_TRACE(name.toStdString());
        // Only documents with drawings are rendered; the others are
        // covered by the corpus test of the whole page.
        const auto pkg = Package::Open(corpus.filePath(name));
        const int expected = drawingsShownAsPictures(*pkg);
        if (expected == 0)
            continue;
        drawings += expected;
        Application word;
        const QString page = out.file(QFileInfo(name).completeBaseName() + QStringLiteral(".htm"));
        warnings.clear();
        try {
            word.Documents().Open(corpus.filePath(name))->SaveAs(page, wdFormatFilteredHTML);
        } catch (const std::exception &e) {
            ADD_FAILURE() << "open or save failed: " << e.what();
            continue;
        }
        EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
        const QString html = QString::fromUtf8(testsupport::readFile(page));
        static const QRegularExpression img(
            QStringLiteral("<img width=(\\d+) height=(\\d+) src=\"([^\"]+)\""));
        int pictures = 0;
        for (const QRegularExpressionMatch &m : img.globalMatch(html)) {
            ++pictures;
            const QString file = out.file(m.captured(3));
            const QImage image(file);
            ASSERT_FALSE(image.isNull()) << "not a picture: " << file.toStdString();
            EXPECT_GT(m.captured(1).toInt() * m.captured(2).toInt(), 0) << file.toStdString();
            // A picture of one colour only would be a drawing rendered blank.
            bool varied = false;
            const QRgb first = image.pixel(0, 0);
            for (int y = 0; y < image.height() && !varied; ++y)
                for (int x = 0; x < image.width() && !varied; ++x)
                    varied = image.pixel(x, y) != first;
            EXPECT_TRUE(varied) << "blank picture " << file.toStdString();
        }
        EXPECT_GE(pictures, expected);
    }
    qInstallMessageHandler(previousHandler);
    EXPECT_GT(drawings, 10) << "the corpus holds pictures, charts and shapes";
}
