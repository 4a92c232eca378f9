// Context numbers through a whole HTML Help build: a viewer that looks up
// each number of the context-ID file in the compiled help file (#IVB, then
// #STRINGS, then the page) opens the page that the file names, wherever the
// project lies; so do the example's and the guide's numbers.
#include "builder/ChmCheck.h"
#include "builder/build.h"

#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/DocxBuilder.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QByteArray heading(int level, const QByteArray &title, const QByteArray &property = QByteArray())
{
    QByteArray xml = "<w:p><w:pPr><w:pStyle w:val=\"Heading" + QByteArray::number(level) + "\"/></w:pPr><w:r><w:t>"
                     + title + "</w:t></w:r>";
    if (!property.isEmpty())
        xml += "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> " + property
               + " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    return xml + "</w:p>";
}

QByteArray text(const QByteArray &words) { return "<w:p><w:r><w:t>" + words + "</w:t></w:r></w:p>"; }

// Builds the project's HTML Help with its C# context-ID file (only that
// output) and gives what is wrong with the compiled file's context map, one
// line each; the numbers the file names come back in count.
std::string buildAndCheck(TProject &project, int &count)
{
    project.HtmlHelpOutput = true;
    project.WebHelpOutput = project.PDFOutput = false;
    project.HtmlHelpOutputContext = true;
    Tbuild worker(project);
    worker.Execute();
    if (worker.Failed)
        return worker.ErrorMsg.toStdString();
    const QMap<quint32, QString> pages =
        chmcheck::contextFilePages(LoadTextFile(project.RealPath(4), QStringLiteral("utf-8")));
    count = int(pages.size());
    const chmcheck::ChmReader chm(project.RealPath(1));
    return chm.isOpen() ? chmcheck::contextMapProblems(chm, pages).join(u'\n').toStdString() : "no help file";
}

} // namespace

// Numbers from "Id" property fields and from the default numbering, a page
// named by a "FileName" field and a book without a page (which has no
// number), in a plain folder with a scratch project set and in a folder
// whose path has spaces and letters outside ASCII with a kept project set.
TEST(ContextMap, EveryNumberOpensThePageTheContextFileNames)
{
    testsupport::ScratchDir dir;
    const QByteArray body = heading(1, "Introduction", "Id=120;StaticVar=INTRO") + text("Welcome.")
                            + heading(2, "Installing") + text("Run the installer.")
                            + heading(2, "Erste Schritte", "Id=130;FileName=erste-schritte") + text("Start here.")
                            + heading(1, "Reference") + heading(2, "Keys") + text("Ctrl+S saves.")
                            + heading(3, "Mouse", "Id=2147483647") + text("Click.");
    for (const QString &folder : {QStringLiteral("plain"), QStringLiteral("Hilfe für Kunden/Ärger & Übel ñ")}) {
        SCOPED_TRACE(folder.toStdString());
        const bool kept = folder != QLatin1String("plain");
        TProject project;
        project.RootDir = dir.file(folder) + u'/';
        project.ProjectFilename = project.RootDir + QStringLiteral("manual.qvx");
        project.SourceFile = QStringLiteral("manual.docx");
        project.CompiledFile = QStringLiteral("out/help.chm");
        project.HtmlHelpContextFile = QStringLiteral("out/HelpTopics.cs");
        project.OutputHHP = kept;
        project.HHPFolder = QStringLiteral("project set/");
        testsupport::DocxBuilder().body(body).write(project.RealPath(0));
        int count = 0;
        EXPECT_EQ(buildAndCheck(project, count), "");
        EXPECT_EQ(count, 5);
        if (kept) {
            EXPECT_TRUE(QFileInfo::exists(project.RealPath(5) + QStringLiteral("help.hhp")));
        }
    }
}

// The bundled example and the program's own guide, each built from a copy
// of its folder.
TEST(ContextMap, TheExampleAndTheGuideOpenEveryPageByNumber)
{
    for (const QString &project : {QStringLiteral("examples/sample/SampleManual.qvx"),
                                   QStringLiteral("docs/guide/QuillcraftGuide.qvx")}) {
        SCOPED_TRACE(project.toStdString());
        const QFileInfo source(QDir(testsupport::sourceDir()).filePath(project));
        if (!source.exists())
            GTEST_SKIP() << project.toStdString() << " is not in this tree";
        testsupport::ScratchDir dir;
        testsupport::copyTree(source.absolutePath(), dir.file(QStringLiteral("copy")));
        TProject p;
        p.ReadFromIni(dir.file(QStringLiteral("copy/")) + source.fileName());
        p.CompiledFile = QStringLiteral("out/help.chm");
        p.HtmlHelpContextFile = QStringLiteral("out/HelpTopics.cs");
        p.HtmlHelpContextEncoding = 3;
        int count = 0;
        EXPECT_EQ(buildAndCheck(p, count), "");
        EXPECT_GE(count, 10);
    }
}
