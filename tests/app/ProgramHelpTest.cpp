// The program's own help: the user's guide, built by Quillcraft from the Word
// document in docs/guide while the program is built, lies beside the program
// as a compiled help file and as WebHelp.
#include "AppTestSupport.h"

#include "app/ProgramHelp.h"
#include "builder/ChmCheck.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ProgramHelp, TheGuideLiesBesideTheProgramAsHelpFileAndWebHelp)
{
    const QString chm = ProgramHelpFile(true);
    ASSERT_TRUE(QFileInfo(chm).isFile()) << chm.toStdString();
    chmcheck::ChmReader reader(chm);
    ASSERT_TRUE(reader.isOpen());
    const chmcheck::Outline contents = chmcheck::outline(QString::fromLatin1(reader.read(QStringLiteral("/inkvane.hhc"))));
    ASSERT_GE(contents.entries.size(), 8);
    EXPECT_EQ(contents.entries.first(), QStringLiteral("1:Welcome to Quillcraft"));
    EXPECT_TRUE(contents.entries.contains(QStringLiteral("2:Batch builds")));
    EXPECT_EQ(contents.finalDepth, 0);
    EXPECT_TRUE(reader.read(QStringLiteral("/batch-builds.htm")).contains("quillcraft project.qvx /bs"));

    const QString web = ProgramHelpFile(false);
    ASSERT_TRUE(QFileInfo(web).isFile()) << web.toStdString();
    QFile page(QFileInfo(web).absolutePath() + QStringLiteral("/pages/welcome.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("Quillcraft turns one Word document into help."));

    // The guide describes the window as it is, each part with a picture of it.
    const QString pages = QFileInfo(web).absolutePath() + QStringLiteral("/pages/");
    EXPECT_FALSE(testsupport::readFile(pages + QStringLiteral("main-window.html")).contains("General"));
    for (const char *name : {"source-files", "html-help", "web-help", "designer", "navigation", "webhelp-translation",
                             "template-editor", "import-chm", "new-document", "context-file"}) {
        const QByteArray text = testsupport::readFile(pages + QLatin1String(name) + QStringLiteral(".html"));
        const qsizetype at = text.indexOf("src=\"doc_files/");
        ASSERT_GE(at, 0) << name;
        const QByteArray picture = text.mid(at + 5, text.indexOf('"', at + 5) - at - 5);
        EXPECT_TRUE(QFileInfo(pages + QString::fromUtf8(picture)).isFile()) << name << " " << picture.toStdString();
    }
}

// F1 where the desktop names a viewer for compiled help files that then fails
// (xdg-open ends with 4): the guide's web pages open in the browser instead;
// when they cannot be shown either, one line says so and names the file.
TEST(ProgramHelp, F1FallsBackToTheGuidesWebPagesAndReportsWhatCannotBeShown)
{
    testsupport::ScratchDir dir;
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    const QString log = dir.file(QStringLiteral("opened.log"));
    testsupport::writeFile(dir.file(QStringLiteral("bin/xdg-mime")), "#!/bin/sh\necho chmviewer.desktop\n");
    const auto setOpener = [&](const char *failing) {
        testsupport::writeFile(dir.file(QStringLiteral("bin/xdg-open")),
                               QStringLiteral("#!/bin/sh\necho \"$1\" >> '%1'\ncase \"$1\" in %2) "
                                              "echo 'xdg-open: no method available for opening' >&2; exit 4;; esac\n")
                                   .arg(log, QString::fromLatin1(failing))
                                   .toUtf8());
        for (const char *tool : {"bin/xdg-mime", "bin/xdg-open"})
            QFile::setPermissions(dir.file(QString::fromLatin1(tool)), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    EnvOverride path("PATH", dir.file(QStringLiteral("bin")) + u':' + qEnvironmentVariable("PATH"));
    ProgramFolderOverride program(dir.path());
    testsupport::writeFile(dir.file(QStringLiteral("inkvane.chm")), "ITSF");
    testsupport::writeFile(dir.file(QStringLiteral("guide/index.html")), "<html></html>");
    TProject p;
    p.SaveToIni(dir.file(QStringLiteral("help.qvx")));
    const auto window = OpenMainWindow(dir.file(QStringLiteral("help.qvx")));
    const auto opened = [&] { return QString::fromUtf8(testsupport::readFile(log)).split(u'\n', Qt::SkipEmptyParts); };

    setOpener("*.chm");
    window->Howtouse1->trigger();
    WaitUntil([&] { return opened().size() == 2; });
    EXPECT_EQ(opened(), (QStringList{dir.file(QStringLiteral("inkvane.chm")), dir.file(QStringLiteral("guide/index.html"))}));
    EXPECT_TRUE(prompt->messages.isEmpty()) << prompt->messages.join(u'\n').toStdString();

    setOpener("*");
    window->Howtouse1->trigger();
    WaitUntil([&] { return !prompt->messages.isEmpty(); });
    ASSERT_EQ(prompt->messages.size(), 1);
    const QStringList lines = prompt->messages[0].split(u'\n');
    ASSERT_EQ(lines.size(), 2) << prompt->messages[0].toStdString(); // one line for each file
    EXPECT_TRUE(lines[0].startsWith(u'"' + dir.file(QStringLiteral("inkvane.chm")) + QStringLiteral("\" cannot be opened: no program is set up to open files of the kind")));
    EXPECT_TRUE(lines[1].startsWith(u'"' + dir.file(QStringLiteral("guide/index.html")) + QStringLiteral("\" cannot be opened: no program")));
    EXPECT_FALSE(prompt->messages[0].contains(QStringLiteral("xdg-open:")));
}
