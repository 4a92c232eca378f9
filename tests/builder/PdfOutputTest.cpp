// The PDF output: a small document exported through the engine, read back
// with qpdf for its heading bookmarks and the project's initial view.
#define POINTERHOLDER_TRANSITION 4
#include "builder/PDFOutput.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QFileInfo>
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
