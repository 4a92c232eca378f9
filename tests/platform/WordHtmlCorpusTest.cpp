// Every corpus document saves as filtered HTML, and what the later passes
// look for (headings, list numbers, tables, pictures, links, bookmarks) is
// in the page as often as the document has it.
#include "platform/word/Document.h"
#include "platform/word/HtmlPictures.h"
#include "platform/word/LibreOffice.h"
#include "platform/word/Numbering.h"
#include "platform/word/Package.h"
#include "platform/word/Styles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace word;

namespace {

struct Expected {
    int headings = 0, tables = 0, pictures = 0, links = 0, listNumbers = 0, checkBoxes = 0;
    QStringList bookmarks;
};

Expected expectedOf(const Package &pkg)
{
    Expected e;
    const QString main = pkg.mainDocumentPart();
    const pugi::xml_document *doc = pkg.xml(main);
    auto partOf = [&](const char *type) { return pkg.relationshipByType(main, QLatin1String(type)).targetPart; };
    Styles styles(const_cast<pugi::xml_document *>(pkg.xml(partOf(reltype::Styles))));
    const pugi::xml_document *numXml = pkg.xml(partOf(reltype::Numbering));
    Numbering numbering(numXml ? numXml->child("w:numbering") : pugi::xml_node(),
                        styles.document() ? styles.document()->child("w:styles") : pugi::xml_node());
    pugi::xml_node body = doc->child("w:document").child("w:body");
    for (pugi::xpath_node n : body.select_nodes(".//w:p[not(ancestor::w:del)]")) {
        const int level = styles.paragraphOutlineLevel(n.node());
        if (level >= 1 && level <= 6)
            ++e.headings;
        pugi::xml_node num = n.node().child("w:pPr").child("w:numPr");
        const int numId = num.child("w:numId").attribute("w:val").as_int();
        const int ilvl = num.child("w:ilvl").attribute("w:val").as_int();
        if (const ListLevel *l = numbering.level(numId, ilvl);
            l && !l->lvlText.isEmpty() && l->suffix == ListSuffix::Tab && l->numFmt != QLatin1String("none"))
            ++e.listNumbers;
    }
    e.tables = int(body.select_nodes(".//w:tbl").size());
    for (pugi::xpath_node n : body.select_nodes(".//pic:pic//a:blip"))
        if (pkg.hasPart(pkg.relationship(main, QString::fromUtf8(n.node().attribute("r:embed").value())).targetPart))
            ++e.pictures;
    for (pugi::xpath_node n : body.select_nodes(".//w:instrText[not(ancestor::w:del)]"))
        e.checkBoxes += QString::fromUtf8(n.node().text().get()).contains(QLatin1String("FORMCHECKBOX"));
    for (pugi::xpath_node n : body.select_nodes(".//w:hyperlink"))
        if (n.node().attribute("r:id") || n.node().attribute("w:anchor"))
            ++e.links;
    for (pugi::xpath_node n : body.select_nodes(".//w:bookmarkStart[not(ancestor::w:del)]")) {
        const QString name = QString::fromUtf8(n.node().attribute("w:name").value());
        if (!name.isEmpty() && name != QLatin1String("_GoBack"))
            e.bookmarks << name;
    }
    return e;
}

} // namespace

TEST(WordHtmlCorpus, EveryDocumentSavesWithItsStructure)
{
    QC_REQUIRE_CORPUS("docx");
    const QDir corpus(testsupport::corpusDir(QStringLiteral("docx")));
    testsupport::ScratchDir out;
    int saved = 0;
    for (const QString &name : corpus.entryList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name)) {
        SCOPED_TRACE(name.toStdString());
        Application word;
        const QString page = out.file(QFileInfo(name).completeBaseName() + QStringLiteral(".htm"));
        Document *doc = nullptr;
        try {
            doc = word.Documents().Open(corpus.filePath(name));
            doc->SaveAs(page, wdFormatFilteredHTML);
        } catch (const std::exception &e) {
            ADD_FAILURE() << "open or save failed: " << e.what();
            continue;
        }
        const Package &pkg = doc->package();
        ++saved;
        const QString html = QString::fromUtf8(testsupport::readFile(page));
        const Expected e = expectedOf(pkg);
        static const QRegularExpression heading(QStringLiteral("<h[1-6][ >]"));
        EXPECT_EQ(int(html.count(heading)), e.headings);
        static const QRegularExpression table(QStringLiteral("<table class=Mso[A-Za-z0-9]+ border=[01] "));
        EXPECT_EQ(int(html.count(table)), e.tables);
        EXPECT_GE(int(html.count(QLatin1String("<span style='font:7.0pt \"Times New Roman\"'>"))), e.listNumbers);
        EXPECT_GE(int(html.count(QLatin1String("<img "))), e.pictures);
        EXPECT_GE(int(html.count(QLatin1String("<a href="))), e.links);
        // A check box shows as a box, whether or not its field has a result
        // (list bullets may show boxes too).
        EXPECT_GE(int(html.count(QChar(0x2612)) + html.count(QChar(0x2610))), e.checkBoxes);
        for (const QString &b : e.bookmarks)
            EXPECT_TRUE(html.contains(QLatin1String("<a name=\"") + b + QLatin1String("\"></a>")))
                << "bookmark " << b.toStdString();
        // Every picture the page links is a file that was written.
        static const QRegularExpression imgSrc(QStringLiteral("<img [^>]*src=\"([^\"]+)\""));
        for (const QRegularExpressionMatch &m : imgSrc.globalMatch(html)) {
            const QString src = m.captured(1);
            if (!src.contains(QLatin1String("://"))) {
                EXPECT_TRUE(QFileInfo::exists(out.file(src))) << "missing picture " << src.toStdString();
            }
        }
        // Every element that opens a paragraph or a box of paragraphs is closed.
        static const QRegularExpression openP(QStringLiteral("<p[ >]"));
        EXPECT_EQ(html.count(openP), html.count(QLatin1String("</p>")));
        static const QRegularExpression openDiv(QStringLiteral("<div[ >]"));
        EXPECT_EQ(html.count(openDiv), html.count(QLatin1String("</div>")));
    }
    EXPECT_GE(saved, 80);
}

TEST(WordHtmlCorpus, MetafilePicturesBecomePng)
{
    QC_REQUIRE_CORPUS("docx");
    if (!lo::IsAvailable())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString docx = testsupport::corpusDir(QStringLiteral("docx")) + QStringLiteral("/poi-VariousPictures.docx");
    if (!QFileInfo::exists(docx))
        GTEST_SKIP() << "poi-VariousPictures.docx not in the corpus";
    testsupport::ScratchDir out;
    Application word;
    Document *doc = word.Documents().Open(docx);
    const QString page = out.file(QStringLiteral("pictures.htm"));
    doc->SaveAs(page, wdFormatFilteredHTML);
    const QString html = QString::fromUtf8(testsupport::readFile(page));
    static const QRegularExpression src(QStringLiteral("<img [^>]*src=\"([^\"]+)\""));
    int pictures = 0;
    for (const QRegularExpressionMatch &m : src.globalMatch(html)) {
        ++pictures;
        const QString file = m.captured(1);
        EXPECT_TRUE(file.endsWith(QLatin1String(".png")) || file.endsWith(QLatin1String(".jpg"))) << file.toStdString();
        int w = 0, h = 0;
        EXPECT_TRUE(ImagePixelSize(testsupport::readFile(out.file(file)), w, h)) << file.toStdString();
    }
    EXPECT_EQ(pictures, 5);
}
