// The output-folder guard: a writer may clear its own folder, never one that
// holds the project, its document or the user's folders.
#include "builder/OutputGuard.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using testsupport::ScratchDir;
using testsupport::writeFile;

namespace {

// A saved project in <scratch>/proj with its document beside it.
struct SavedProject {
    ScratchDir dir;
    TProject project;
    QString folder = dir.file(QStringLiteral("proj"));
    SavedProject()
    {
        writeFile(folder + QStringLiteral("/manual.docx"), "doc");
        project.SourceFile = QStringLiteral("manual.docx");
        project.SaveToIni(folder + QStringLiteral("/manual.qvx"));
    }
};

// The message of the check's refusal; empty when it passes.
template <typename Check> QString messageOf(Check &&check)
{
    try {
        check();
    } catch (const Exception &e) {
        return e.message();
    }
    return QString();
}

QString refusal(const QString &folder, const TProject &project)
{
    return messageOf([&] { CheckOutputFolderMayBeEmptied(folder, project); });
}

} // namespace

TEST(OutputGuard, RefusesFoldersHoldingTheProjectOrItsDocument)
{
    SavedProject p;
    // An empty folder setting resolves to the project's folder.
    p.project.HHPFolder.clear();
    const QString atProject = refusal(p.project.RealPath(5), p.project);
    EXPECT_TRUE(atProject.contains(p.folder)) << atProject.toStdString();
    EXPECT_TRUE(atProject.contains(QStringLiteral("project's folder"))) << atProject.toStdString();
    EXPECT_FALSE(refusal(p.dir.path(), p.project).isEmpty());

    // A document kept elsewhere protects its own folder too.
    writeFile(p.dir.file(QStringLiteral("docs/sub/manual.docx")), "doc");
    p.project.SourceFile = p.dir.file(QStringLiteral("docs/sub/manual.docx"));
    const QString atDocument = refusal(p.dir.file(QStringLiteral("docs")), p.project);
    EXPECT_TRUE(atDocument.contains(QStringLiteral("source document"))) << atDocument.toStdString();

    // The same folder reached through a link.
    ASSERT_TRUE(QFile::link(p.folder, p.dir.file(QStringLiteral("link"))));
    EXPECT_FALSE(refusal(p.dir.file(QStringLiteral("link/")), p.project).isEmpty());
    EXPECT_TRUE(QFile::exists(p.folder + QStringLiteral("/manual.qvx")));
}

// A folder setting that names one of the user's files (with or without a
// trailing separator) must not delete the file to make room for a folder.
TEST(OutputGuard, RefusesAFolderSettingThatNamesAFile)
{
    SavedProject p;
    const QString file = p.dir.file(QStringLiteral("notes/list.txt"));
    writeFile(file, "mine");
    for (const QString &setting : {file, file + u'/'}) {
        const QString message = refusal(setting, p.project);
        EXPECT_TRUE(message.contains(QStringLiteral("it is a file"))) << message.toStdString();
        EXPECT_TRUE(message.contains(file)) << message.toStdString();
    }
    EXPECT_EQ(testsupport::readFile(file), QByteArray("mine"));
}

// The WebHelp writer empties its folder after the HTML Help output is built:
// that output's files must not be inside it.
TEST(OutputGuard, WebHelpFolderMustNotHoldTheHtmlHelpOutputs)
{
    SavedProject p;
    TProject &project = p.project;
    project.HtmlHelpOutput = project.WebHelpOutput = true;
    project.WebHelpOutputFolder = QStringLiteral("web/");
    project.HHPFolder = QStringLiteral("hhp/");
    auto refused = [&] { return messageOf([&] { CheckWebHelpFolderKeepsOtherOutputs(project); }); };
    project.CompiledFile = QStringLiteral("web/help.chm");
    EXPECT_TRUE(refused().contains(QStringLiteral("the compiled help file"))) << refused().toStdString();
    project.CompiledFile = QStringLiteral("web-chm/help.chm"); // beside, not inside
    project.HtmlHelpOutputContext = true;
    project.HtmlHelpContextFile = QStringLiteral("web/sub/ids.cs");
    EXPECT_TRUE(refused().contains(QStringLiteral("the context-ID file"))) << refused().toStdString();
    project.HtmlHelpOutputContext = false;
    EXPECT_EQ(refused(), QString());
    // Without both outputs nothing is emptied after the other.
    project.CompiledFile = QStringLiteral("web/help.chm");
    project.HtmlHelpOutput = false;
    EXPECT_EQ(refused(), QString());
}

// Two outputs set to one file: the one written later would replace the other
// and the build would still report success.
TEST(OutputGuard, OutputsNeverShareAFile)
{
    SavedProject p;
    TProject &project = p.project;
    project.HtmlHelpOutput = project.PDFOutput = true;
    project.CompiledFile = QStringLiteral("out/help.chm");
    project.PDFFile = QStringLiteral("out/../out/help.chm");
    project.HtmlHelpContextFile = QStringLiteral("out/help.chm");
    auto refused = [&](int kind) {
        return messageOf([&] { CheckOutputFileMayBeWritten(project.RealPath(kind), project, kind); });
    };
    EXPECT_TRUE(refused(3).contains(QStringLiteral("it is also the compiled help file"))) << refused(3).toStdString();
    EXPECT_TRUE(refused(1).contains(QStringLiteral("it is also the PDF file"))) << refused(1).toStdString();
    // The context file counts only when it is built.
    project.PDFOutput = false;
    EXPECT_EQ(refused(1), QString());
    project.HtmlHelpOutputContext = true;
    EXPECT_TRUE(refused(4).contains(QStringLiteral("the compiled help file"))) << refused(4).toStdString();
    // Without the kind only the user's own files are guarded.
    EXPECT_NO_THROW(CheckOutputFileMayBeWritten(project.RealPath(1), project));
}

TEST(OutputGuard, AllowsFoldersOfTheirOwn)
{
    SavedProject p;
    EXPECT_EQ(refusal(p.folder + QStringLiteral("/chm/"), p.project), QString());
    // A name that merely begins like the project's folder is another folder.
    EXPECT_EQ(refusal(p.folder + QStringLiteral("-web"), p.project), QString());
    // A project never saved has only its document to protect.
    TProject fresh;
    EXPECT_EQ(refusal(p.dir.file(QStringLiteral("out")), fresh), QString());
}

TEST(OutputGuard, RefusesRootsAndTheHomeFolder)
{
    SavedProject p;
    EXPECT_FALSE(refusal(QStringLiteral("/"), p.project).isEmpty());
    EXPECT_FALSE(refusal(QDir::homePath(), p.project).isEmpty());
    EXPECT_FALSE(refusal(QString(), p.project).isEmpty());
}

TEST(OutputGuard, OutputFilesNeverReplaceTheProjectOrItsDocument)
{
    SavedProject p;
    auto refused = [&](const QString &file) { return messageOf([&] { CheckOutputFileMayBeWritten(file, p.project); }); };
    EXPECT_TRUE(refused(p.folder + QStringLiteral("/manual.docx")).contains(QStringLiteral("source document")));
    EXPECT_TRUE(refused(p.folder + QStringLiteral("/sub/../manual.qvx")).contains(QStringLiteral("project file")));
    ASSERT_TRUE(QFile::link(p.folder + QStringLiteral("/manual.docx"), p.dir.file(QStringLiteral("alias.docx"))));
    EXPECT_FALSE(refused(p.dir.file(QStringLiteral("alias.docx"))).isEmpty());
    EXPECT_EQ(refused(p.folder + QStringLiteral("/manual.pdf")), QString());
}
