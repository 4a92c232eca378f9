#include "platform/word/LibreOffice.h"
#include "platform/WordTestDocs.h"

#include <QFile>
#include <gtest/gtest.h>
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

using namespace word;
using testsupport::DocxBuilder;
using testsupport::field;
using testsupport::openBuilt;
using testsupport::para;
using testsupport::ScratchDir;

namespace {

DocxBuilder editedDocument()
{
    return DocxBuilder().body(
        para("Intro", "<w:pStyle w:val=\"Heading1\"/>")
        + "<w:p><w:r><w:t xml:space=\"preserve\">See </w:t></w:r>" + field({" REF target \\h "}, "the target")
        + field({" XE \"Index\" "}) + "<w:del w:id=\"1\" w:author=\"a\"><w:r><w:delText>DELETED</w:delText></w:r>"
          "</w:del></w:p>"
        + "<w:p><w:bookmarkStart w:id=\"3\" w:name=\"target\"/><w:r><w:t>Details</w:t></w:r>"
          "<w:bookmarkEnd w:id=\"3\"/></w:p>"
        + para("Usage", "<w:pStyle w:val=\"Heading2\"/>") + para("Body text"));
}

// The edits the conversion makes: revisions accepted, heading markers,
// fields rewritten or removed.
void edit(Document *doc)
{
    doc->AcceptAllRevisions();
    for (Paragraph p = doc->Paragraphs().Item(1); !p.isNull(); p = p.Next()) {
        if (p.OutlineLevel() < 10)
            p.Range().InsertBefore(QStringLiteral("`~#$") + QString::number(p.OutlineLevel()));
        Fields f = p.Range().Fields();
        for (int k = f.Count(); k >= 1; --k) {
            Field field = f.Item(k);
            if (field.Type() == 4) {
                field.Delete();
            } else if (field.Type() == 3) {
                field.Code().setText(QStringLiteral("HYPERLINK \\l \"target\""));
                field.Update();
                field.Result().setStyle(wdStyleHyperlink);
            }
        }
    }
}

QString readText(const QString &path)
{
    return QString::fromUtf8(testsupport::readFile(path));
}

QStringList outlineTitles(const QString &pdf)
{
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(QFile::encodeName(pdf).constData());
    QStringList titles;
    QPDFOutlineDocumentHelper outlines(q);
    std::vector<QPDFOutlineObjectHelper> level = outlines.getTopLevelOutlines();
    while (!level.empty()) {
        std::vector<QPDFOutlineObjectHelper> next;
        for (QPDFOutlineObjectHelper &item : level) {
            titles << QString::fromStdString(item.getTitle());
            for (QPDFOutlineObjectHelper &kid : item.getKids())
                next.push_back(kid);
        }
        level = next;
    }
    return titles;
}

} // namespace

// Saved .docx and .doc files carry every edit: LibreOffice reads them back.
TEST(WordRoundTrip, SavedDocumentsKeepTheEdits)
{
    if (!lo::IsAvailable())
        GTEST_SKIP() << "soffice not installed";
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(app, dir, editedDocument());
    edit(doc);
    doc->SaveAs(dir.file("edited.docx"), wdFormatXMLDocument);
    lo::Convert(dir.file("edited.docx"), QStringLiteral("txt:Text (encoded):UTF8"), dir.file("edited.txt"),
                QStringLiteral("check a saved document"));
    const QString text = readText(dir.file("edited.txt"));
    EXPECT_TRUE(text.contains("`~#$1Intro")) << text.toStdString();
    EXPECT_TRUE(text.contains("`~#$2Usage"));
    EXPECT_TRUE(text.contains("See the target"));
    EXPECT_FALSE(text.contains("DELETED"));
    EXPECT_FALSE(text.contains("Index"));

    doc->SaveAs(dir.file("edited.doc"), wdFormatDocument);
    EXPECT_TRUE(testsupport::readFile(dir.file("edited.doc")).startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1")));
    Document *back = app.Documents().Open(dir.file("edited.doc"));
    EXPECT_EQ(back->FullName(), QFileInfo(dir.file("edited.doc")).absoluteFilePath());
    QStringList texts;
    for (Paragraph p = back->Paragraphs().Item(1); !p.isNull(); p = p.Next())
        texts << p.Range().Text();
    EXPECT_EQ(texts.mid(0, 2), (QStringList{"`~#$1Intro\r", "See the target\r"}));
    EXPECT_EQ(back->Paragraphs().Item(1).OutlineLevel(), 1);
    // The hyperlink field survived the trip.
    bool hyperlink = false;
    Fields f = back->Paragraphs().Item(2).Range().Fields();
    for (int k = 1; k <= f.Count(); ++k)
        hyperlink = hyperlink || f.Item(k).Type() == 88;
    EXPECT_TRUE(hyperlink || back->Paragraphs().Item(2).node().child("w:hyperlink"));
}

TEST(WordRoundTrip, PdfExportHasHeadingBookmarks)
{
    if (!lo::IsAvailable())
        GTEST_SKIP() << "soffice not installed";
    ScratchDir dir;
    Application app;
    Document *doc = openBuilt(app, dir, editedDocument());
    const QString pdf = dir.file("out/manual.pdf");
    doc->ExportAsFixedFormat(pdf, wdExportFormatPDF, false, 0, 1);
    EXPECT_TRUE(testsupport::readFile(pdf).startsWith("%PDF"));
    EXPECT_EQ(outlineTitles(pdf), (QStringList{"Intro", "Usage"}));
    EXPECT_THROW(doc->ExportAsFixedFormat(dir.file("x.xps"), wdExportFormatXPS), Exception);
    // The source document is left as it was.
    EXPECT_EQ(testsupport::readFile(dir.file("test.docx")).size() > 0, true);
}
