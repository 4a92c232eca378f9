// The example project through the whole HTML Help output: converted by the
// engine, split into topics, written, compiled, and read back with libchm;
// its context-ID file in every shipped language; its PDF with bookmarks and
// the project's initial view.
#define POINTERHOLDER_TRANSITION 4
#include "builder/ChmCheck.h"
#include "builder/ContextFileCheck.h"
#include "builder/HtmlHelpOutput.h"
#include "builder/PDFOutput.h"
#include "builder/WordDoc.h"
#include "foundation/HTMLProcess.h"
#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "foundation/TextFiles.h"
#include "platform/word/Document.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

using testsupport::ScratchDir;

namespace {

const QString kSample = QStringLiteral("examples/sample");

// The sample folder copied into the scratch folder, with its project: the
// sample's own project file when it has one, else a new project on its
// document. Every output goes to the scratch copy.
struct Sample {
    ScratchDir dir;
    TProject project;
    QString folder;
    QString working; // the build's working copy of the document

    bool load()
    {
        const QString source = QDir(testsupport::sourceDir()).filePath(kSample);
        if (!QFileInfo::exists(source + QStringLiteral("/SampleManual.docx")))
            return false;
        folder = dir.file(QStringLiteral("sample"));
        if (!CopyFolder(source, folder))
            return false;
        const QStringList projects = QDir(folder).entryList(QStringList{QStringLiteral("*.qvx")}, QDir::Files);
        if (!projects.isEmpty()) {
            project.ReadFromIni(folder + u'/' + projects.first());
        } else {
            project.RootDir = folder + u'/';
            project.SourceFile = QStringLiteral("SampleManual.docx");
            project.Title = QStringLiteral("Sample Manual");
        }
        project.CompiledFile = QStringLiteral("out/Sample.chm");
        project.PDFFile = QStringLiteral("out/Sample.pdf");
        const QString document = project.RealPath(0);
        working = QFileInfo(document).absolutePath() + QStringLiteral("/~~$") + QFileInfo(document).fileName();
        return QFile::copy(document, working);
    }
};

} // namespace

TEST(SampleOutputs, BuildsTheSampleIntoAHelpFileAndContextFiles)
{
    Sample s;
    if (!s.load())
        GTEST_SKIP() << "the example project is not in this tree";
    TProject &project = s.project;

    word::Application app;
    TContentsItems list;
    list.Project = &project;
    TWordDoc converter(&project, &app, s.working, {}, 1);
    converter.DoCreate(s.working);
    converter.ToContentsItems(list);
    ASSERT_GT(list.Count(), 3);
    project.CHMSetting.Title = project.HtmlHelpTitleSame ? project.Title : project.HtmlHelpTitle;

    THtmlHelpMaker maker;
    maker.Project = &project;
    maker.Contents = &list;
    maker.Word = &converter;
    maker.ProjectFolder = s.dir.file(QStringLiteral("~marrowby/"));
    maker.Output();
    QString log;
    maker.Make(log);

    const chmcheck::ChmReader chm(project.RealPath(1));
    ASSERT_TRUE(chm.isOpen());
    QStringList titles, pages, contextIds;
    QSet<quint32> numbers;
    bool nested = false;
    for (int i = 0; i < list.Count(); ++i) {
        const TContentsItem &t = *list.Item(i);
        titles << QStringLiteral("%1:%2").arg(t.Level).arg(EscapeHtml(t.Title));
        nested = nested || t.Level > 1;
        if (t.Status != 0)
            continue;
        pages << t.Url;
        contextIds << QStringLiteral("CID_%1=%2").arg(t.StaticName, t.ContextNumber);
        if (!t.ContextNumber.trimmed().isEmpty())
            numbers.insert(t.ContextNumber.trimmed().toUInt());
    }
    EXPECT_TRUE(nested);
    for (const QString &page : pages)
        EXPECT_TRUE(chm.read(u'/' + page).contains("<body")) << page.toStdString();
    EXPECT_EQ(project.CHMSetting.DefaultTopic, pages.value(0));

    const QString base = u'/' + QFileInfo(project.RealPath(1)).completeBaseName();
    const chmcheck::Outline contents = chmcheck::outline(AnsiToUnicodeCP(chm.read(base + QStringLiteral(".hhc")), 0));
    EXPECT_EQ(contents.entries, titles);
    EXPECT_EQ(contents.finalDepth, 0);
    const chmcheck::Outline index = chmcheck::outline(AnsiToUnicodeCP(chm.read(base + QStringLiteral(".hhk")), 0));
    EXPECT_EQ(index.finalDepth, 0);
    EXPECT_FALSE(index.entries.filter(QRegularExpression(QStringLiteral("^2:"))).isEmpty()) << index.entries.join(u',').toStdString();

    const QMap<quint32, QString> contexts = chm.contextMap();
    EXPECT_EQ(QSet<quint32>(contexts.keyBegin(), contexts.keyEnd()), numbers);
    EXPECT_EQ(chm.windowText(chmcheck::kWindowTitle), project.CHMSetting.Title);

    // The context-ID file of the sample's topics in every shipped language.
    EXPECT_EQ(contextcheck::CheckEveryLanguage(maker, s.dir.file(QStringLiteral("context")), contextIds), 5);
}

TEST(SampleOutputs, ExportsTheSampleAsPdfWithBookmarks)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    Sample s;
    if (!s.load())
        GTEST_SKIP() << "the example project is not in this tree";
    s.project.Panes = 1;
    s.project.Magnification = 1;
    s.project.PageLayout = 3;
    word::Application app;
    TPDF pdf;
    pdf.WordApplication = &app;
    pdf.Project = &s.project;
    pdf.Build(s.working, s.project.RealPath(3));

    QPDF file;
    file.processFile(QFile::encodeName(s.project.RealPath(3)).constData());
    QPDFObjectHandle root = file.getRoot();
    EXPECT_EQ(root.getKey("/PageMode").getName(), "/UseOutlines");
    EXPECT_EQ(root.getKey("/PageLayout").getName(), "/TwoColumnRight");
    EXPECT_EQ(root.getKey("/OpenAction").getArrayItem(1).getName(), "/Fit");
    QPDFOutlineDocumentHelper outlines(file);
    EXPECT_GE(outlines.getTopLevelOutlines().size(), 2u);
}
