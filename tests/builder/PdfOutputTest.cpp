// The PDF output: a small document exported through the engine, read back
// with qpdf for its heading bookmarks and the project's initial view.
#define POINTERHOLDER_TRANSITION 4
#include "builder/PDFOutput.h"
#include "platform/DocxBuilder.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

// A document with two chapters, one with a section.
void makeDocument(const QString &path)
{
    word::Application app;
    word::Document *doc = app.Documents().Add();
    doc->Content().InsertAfter(QStringLiteral("Getting started\rSome text.\rInstalling\rMore text.\rReference\rLast text."));
    const int headingLevels[] = {1, 0, 2, 0, 1, 0};
    for (int i = 0; i < 6; ++i)
        if (headingLevels[i])
            doc->Paragraphs().Item(i + 1).Range().setStyle(-1 - headingLevels[i]);
    doc->SaveAs(path, word::wdFormatXMLDocument);
    doc->Close();
}

QStringList outlineTitles(const std::vector<QPDFOutlineObjectHelper> &items, int depth = 0)
{
    QStringList titles;
    for (auto item : items) {
        titles << QString(depth, u'-') + QString::fromStdString(item.getTitle());
        titles << outlineTitles(item.getKids(), depth + 1);
    }
    return titles;
}

struct Build {
    TProject project;
    word::Application app;
    TPDF pdf;
    QList<int> steps;
    Build()
    {
        pdf.WordApplication = &app;
        pdf.Project = &project;
        pdf.FOnProcess = [this](TPDF *sender) { steps << sender->Position; };
    }
};

bool haveOffice() { return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty(); }

} // namespace

TEST(PdfOutput, ExportsBookmarksAndTheInitialView)
{
    if (!haveOffice())
        GTEST_SKIP() << "soffice is not installed";
    ScratchDir dir;
    const QString source = dir.file(QStringLiteral("~~$manual.docx"));
    makeDocument(source);
    Build b;
    b.project.Panes = 1;
    b.project.Magnification = 2;
    b.project.PageLayout = 1;
    const QString out = dir.file(QStringLiteral("new/folder/manual.pdf"));
    b.pdf.Build(source, out);
    EXPECT_EQ(b.steps, (QList<int>{20, 45, 80, 100}));
    EXPECT_EQ(b.app.Documents().Count(), 0);

    QPDF pdf;
    pdf.processFile(QFile::encodeName(out).constData());
    QPDFObjectHandle root = pdf.getRoot();
    EXPECT_EQ(root.getKey("/PageMode").getName(), "/UseOutlines");
    EXPECT_EQ(root.getKey("/PageLayout").getName(), "/SinglePage");
    QPDFObjectHandle open = root.getKey("/OpenAction");
    ASSERT_TRUE(open.isArray());
    EXPECT_EQ(open.getArrayItem(1).getName(), "/FitH");
    QPDFOutlineDocumentHelper outlines(pdf);
    EXPECT_EQ(outlineTitles(outlines.getTopLevelOutlines()),
              (QStringList{QStringLiteral("Getting started"), QStringLiteral("-Installing"), QStringLiteral("Reference")}));
}

TEST(PdfOutput, FailuresStopTheProgressAndKeepTheDocument)
{
    ScratchDir dir;
    const QString source = dir.file(QStringLiteral("manual.docx"));
    writeFile(source, "not a package");
    Build damaged;
    EXPECT_THROW(damaged.pdf.Build(source, dir.file(QStringLiteral("out.pdf"))), Exception);
    EXPECT_EQ(damaged.steps, QList<int>{20});

    // A PDF path that names the document itself is refused before anything runs.
    Build same;
    same.project.SourceFile = source;
    try {
        same.pdf.Build(dir.file(QStringLiteral("~~$manual.docx")), source);
        ADD_FAILURE() << "the document was overwritten";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(source)) << e.message().toStdString();
    }
    EXPECT_EQ(testsupport::readFile(source), QByteArray("not a package"));

    if (!haveOffice())
        return;
    // An export that cannot write its file stops after 45.
    makeDocument(source);
    writeFile(dir.file(QStringLiteral("blocked")), "a file, not a folder");
    Build blocked;
    EXPECT_THROW(blocked.pdf.Build(source, dir.file(QStringLiteral("blocked/out.pdf"))), Exception);
    EXPECT_EQ(blocked.steps, (QList<int>{20, 45}));
}

// Links that run script or carry their own content ("javascript:",
// "vbscript:", "data:", however spelt) keep their text in the PDF but lose
// the link, as in the help pages; other links stay.
TEST(PdfOutput, ScriptAndDataLinksLoseTheLinkButKeepTheText)
{
    if (!haveOffice())
        GTEST_SKIP() << "soffice is not installed";
    ScratchDir dir;
    const QString source = dir.file(QStringLiteral("~~$links.docx"));
    const char *const type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
    const QStringList targets{QStringLiteral("javascript:alert(document.domain)"), QStringLiteral("VBScript:msgbox(1)"),
                              QStringLiteral("data:text/html;base64,PHNjcmlwdD4="), QStringLiteral("https://example.org/")};
    QByteArray body;
    testsupport::DocxBuilder docx;
    for (int i = 0; i < targets.size(); ++i) {
        const QByteArray id = "rIdL" + QByteArray::number(i);
        docx.relationship(QString::fromLatin1(id), QString::fromLatin1(type), targets[i], true);
        body += "<w:p><w:hyperlink r:id=\"" + id + "\"><w:r><w:rPr><w:rStyle w:val=\"Hyperlink\"/></w:rPr><w:t>Link" + QByteArray::number(i)
              + "</w:t></w:r></w:hyperlink></w:p>";
    }
    docx.body(body).write(source);
    Build b;
    const QString out = dir.file(QStringLiteral("links.pdf"));
    b.pdf.Build(source, out);

    QPDF pdf;
    pdf.processFile(QFile::encodeName(out).constData());
    QStringList addresses;
    for (QPDFObjectHandle page : pdf.getAllPages())
        if (page.getKey("/Annots").isArray())
            for (QPDFObjectHandle annotation : page.getKey("/Annots").aitems())
                if (annotation.getKey("/A").isDictionary())
                    addresses << QString::fromStdString(annotation.getKey("/A").getKey("/URI").getStringValue());
    EXPECT_EQ(addresses, QStringList{QStringLiteral("https://example.org/")});
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {out, QStringLiteral("-")});
    if (text.waitForFinished(60000) && text.exitCode() == 0) {
        const QByteArray words = text.readAllStandardOutput();
        for (const char *word : {"Link0", "Link1", "Link2", "Link3"})
            EXPECT_TRUE(words.contains(word)) << word;
    }
}
