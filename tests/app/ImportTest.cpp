// The import command: its dialog, the progress window over the import worker
// and the main window's button, on a help file compiled for the test.
#include "AppTestSupport.h"

#include "app/CHM2Word.h"
#include "app/CreateNewDocument.h"
#include "app/Progress.h"
#include "app/whelp.h"
#include "chmimport/ChmMaker.h"
#include "platform/SettingsStore.h"
#include "platform/word/Document.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <unistd.h>

using testsupport::ScratchDir;

namespace {

QString CompileHelp(const ScratchDir &dir)
{
    return chmmaker::compile(dir.file("src"), "guide",
                             {{"toc.hhc", chmmaker::sitemap({{0, "Start", "a.htm"}, {1, "Details", "b.htm"}})},
                              {"a.htm", chmmaker::page("Start", "<p>Opening words of the guide.</p>")},
                              {"b.htm", chmmaker::page("Details", "<p>Closing words of the guide, back to "
                                                                  "<a href=\"ms-its:guide.chm::/a.htm\">the start</a>.</p>")}},
                             "Title=Small guide\nLanguage=0x0407 German\n");
}

std::unique_ptr<TOutputWord> Worker(const QString &chm, const QString &target)
{
    auto w = std::make_unique<TOutputWord>();
    w->chm = chm;
    w->Chm2DocPDF->ForQuillcraft = w->Chm2DocPDF->OnlyWord = true;
    w->Chm2DocPDF->pdf = target;
    w->Chm2DocPDF->Settings->XE = true;
    return w;
}

struct ImportFixture : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
};

} // namespace

TEST_F(ImportFixture, DialogChecksTheHelpFileAndAsksBeforeReplacing)
{
    TProject project;
    project.RootDir = dir.path();
    TfrmChm2Word dialog(project);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Import from CHM file"));
    EXPECT_FALSE(dialog.OKBtn->isEnabled());
    dialog.edtSourceFile->setText(dir.file("none.chm"));
    EXPECT_FALSE(dialog.OKBtn->isEnabled());
    dialog.edtWordFile->setText(QStringLiteral("<Project_Folder>/help.docx"));
    EXPECT_TRUE(dialog.OKBtn->isEnabled());

    dialog.OKBtnClick();
    EXPECT_EQ(prompt->messages, QStringList(QLatin1Char('"') + dir.file("none.chm") + QStringLiteral("\" does not exist!")));
    EXPECT_EQ(dialog.result(), 0);

    testsupport::writeFile(dir.file("a.chm"), "x");
    testsupport::writeFile(dir.file("help.docx"), "old");
    dialog.edtSourceFile->setText(dir.file("a.chm"));
    prompt->messages.clear();
    dialog.OKBtnClick(); // no answer given: the default, No
    EXPECT_EQ(prompt->messages,
              QStringList("\"<Project_Folder>/help.docx\" already exists. Do you want to replace it?"));
    EXPECT_EQ(dialog.result(), 0);
    prompt->answers = {ButtonYes};
    dialog.OKBtnClick();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
}

// The project's source document and the project file, under any name that
// leads to them (a name without a Word extension is saved with ".docx"), are
// refused as Create.. refuses them; the dialog stays.
TEST_F(ImportFixture, DialogRefusesTheProjectsOwnFiles)
{
    const QByteArray manual("the writer's manual");
    testsupport::writeFile(dir.file("manual.docx"), manual);
    testsupport::writeFile(dir.file("a.chm"), "x");
    ASSERT_TRUE(QFile::link(dir.file("manual.docx"), dir.file("soft.docx")));
    ASSERT_EQ(::link(QFile::encodeName(dir.file("manual.docx")).constData(),
                     QFile::encodeName(dir.file("hard.docx")).constData()), 0);
    TProject project;
    project.SourceFile = QStringLiteral("manual.docx");
    project.SaveToIni(dir.file("help.doc")); // a project file with a Word extension
    TfrmChm2Word dialog(project);
    dialog.edtSourceFile->setText(dir.file("a.chm"));
    for (const char *name : {"<Project_Folder>/manual.docx", "soft.docx", "hard.docx", "manual", "help.doc"}) {
        prompt->messages.clear();
        prompt->answers = {ButtonYes, ButtonYes};
        dialog.edtWordFile->setText(QString::fromLatin1(name));
        dialog.OKBtnClick();
        const QString saved = project.RealPath(TChmToDocPDF::SaveTarget(QString::fromLatin1(name)));
        EXPECT_EQ(prompt->messages, QStringList(NewDocumentRefusal(saved, project))) << name;
        EXPECT_EQ(dialog.result(), 0) << name;
    }
    EXPECT_TRUE(prompt->messages.value(0).contains(QStringLiteral("is the project file")));
    EXPECT_EQ(testsupport::readFile(dir.file("manual.docx")), manual);
}

TEST_F(ImportFixture, ProgressWindowEndsWithTheImportOrItsCancel)
{
    QC_REQUIRE_CHMCMD();
    const QString chm = CompileHelp(dir);
    ASSERT_FALSE(chm.isEmpty());
    {
        TfrmProgress progress;
        progress.OutputWord = Worker(chm, dir.file("ok.docx"));
        EXPECT_EQ(progress.exec(), int(TfrmProgress::ResultOk));
        EXPECT_TRUE(QFileInfo(dir.file("ok.docx")).isFile());
        EXPECT_EQ(progress.Gauge1->value(), 100);
        EXPECT_EQ(progress.btnCancel->text(), QStringLiteral("Close"));
    }
    {
        // The close box stops the worker as Cancel does; nothing is written.
        TfrmProgress progress;
        progress.OutputWord = Worker(chm, dir.file("cancel.docx"));
        QTimer::singleShot(0, &progress, [&] { progress.close(); });
        EXPECT_EQ(progress.exec(), int(TfrmProgress::ResultCancel));
        EXPECT_FALSE(progress.OutputWord->isRunning());
        EXPECT_TRUE(progress.OutputWord->Chm2DocPDF->Failed);
        EXPECT_FALSE(QFileInfo::exists(dir.file("cancel.docx")));
        const QString work = progress.OutputWord->Chm2DocPDF->rootFolder;
        if (!work.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(work));
        }
        EXPECT_TRUE(prompt->messages.contains(QStringLiteral("User canceled!")));
    }
    {
        // A failure shows its message and ends with Cancel.
        prompt->messages.clear();
        testsupport::writeFile(dir.file("bad.chm"), "not a help file");
        TfrmProgress progress;
        progress.OutputWord = Worker(dir.file("bad.chm"), dir.file("bad.docx"));
        EXPECT_EQ(progress.exec(), int(TfrmProgress::ResultCancel));
        ASSERT_EQ(prompt->messages.size(), 1);
        EXPECT_TRUE(prompt->messages[0].contains(QStringLiteral("bad.chm")));
    }
    // A link at the target, live or dangling, is refused naming it: the
    // file it leads to is neither changed nor made.
    const QByteArray secret("export PATH=/usr/bin\n");
    testsupport::writeFile(dir.file("outside/bashrc"), secret);
    ASSERT_TRUE(QFile::link(dir.file("outside/bashrc"), dir.file("doc.docx")));
    ASSERT_TRUE(QFile::link(dir.file("outside/none.docx"), dir.file("dangling.docx")));
    for (const char *name : {"doc.docx", "dangling.docx"}) {
        prompt->messages.clear();
        TfrmProgress progress;
        progress.OutputWord = Worker(chm, dir.file(QLatin1String(name)));
        EXPECT_EQ(progress.exec(), int(TfrmProgress::ResultCancel)) << name;
        ASSERT_EQ(prompt->messages.size(), 1) << name;
        EXPECT_TRUE(prompt->messages[0].contains(dir.file(QLatin1String(name)))) << prompt->messages[0].toStdString();
        EXPECT_TRUE(prompt->messages[0].contains(QStringLiteral("symbolic link")));
    }
    EXPECT_EQ(testsupport::readFile(dir.file("outside/bashrc")), secret);
    EXPECT_FALSE(QFileInfo::exists(dir.file("outside/none.docx")));
}

// Runs f once a modal window of type W is up.
template <typename W> void WhenModal(QObject *context, std::function<void(W *)> f)
{
    QTimer::singleShot(0, context, [context, f] {
        if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget()))
            f(w);
        else
            WhenModal<W>(context, f);
    });
}

// Esc in the progress window stops the import and leaves the project as it
// was: source document, title and language. The Word-file field starts with
// a name where nothing stands yet.
TEST_F(ImportFixture, CancelledImportLeavesTheProjectAsItWas)
{
    QC_REQUIRE_CHMCMD();
    const QString chm = CompileHelp(dir);
    ASSERT_FALSE(chm.isEmpty());
    testsupport::writeFile(dir.file("manual.docx"), "the writer's manual");
    testsupport::writeFile(dir.file("manual-1.docx"), "another");
    ASSERT_TRUE(QFile::link(dir.file("gone.docx"), dir.file("manual-2.docx")));
    TProject p;
    p.SourceFile = QStringLiteral("manual.docx");
    p.Title = QStringLiteral("Manual");
    p.SaveToIni(dir.file("p.qvx"));
    const auto opened = OpenMainWindow(dir.file("p.qvx"));
    TfrmMain &w = *opened;
    const int language = w.cbLanguage->currentIndex();

    QString proposed;
    WhenModal<TfrmChm2Word>(&w, [&](TfrmChm2Word *dialog) {
        proposed = dialog->edtWordFile->text();
        dialog->edtSourceFile->setText(chm);
        WhenModal<TfrmProgress>(dialog, [](TfrmProgress *progress) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(progress, &esc);
        });
        dialog->OKBtn->click();
        if (dialog->isVisible())
            dialog->reject(); // a question kept it open
    });
    w.btnImportChmClick();
    EXPECT_EQ(proposed, QStringLiteral("manual-3.docx"));
    EXPECT_EQ(prompt->messages,
              (QStringList{QStringLiteral("User canceled!"), QStringLiteral("The convertion is failed!")}));
    EXPECT_FALSE(QFileInfo::exists(dir.file("manual-3.docx")));
    EXPECT_EQ(w.edtSourceFile->text(), QStringLiteral("manual.docx"));
    EXPECT_EQ(w.edtChmTitle->text(), QStringLiteral("Manual"));
    EXPECT_EQ(w.cbLanguage->currentIndex(), language);
    EXPECT_EQ(w.Project().SourceFile, QStringLiteral("manual.docx"));
    EXPECT_EQ(w.Project().Title, QStringLiteral("Manual"));
    EXPECT_FALSE(w.Project().ProjectChanged);
}

TEST_F(ImportFixture, MainWindowImportMakesTheSourceDocument)
{
    QC_REQUIRE_CHMCMD();
    const QString chm = CompileHelp(dir);
    ASSERT_FALSE(chm.isEmpty());
    TProject p;
    p.SaveToIni(dir.file("p.qvx"));
    const auto opened = OpenMainWindow(dir.file("p.qvx"));
    TfrmMain &w = *opened;
    ASSERT_TRUE(w.btnImportChm->isEnabled());

    QString proposed;
    QTimer::singleShot(0, &w, [&] {
        auto *dialog = qobject_cast<TfrmChm2Word *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        proposed = dialog->edtWordFile->text();
        dialog->edtSourceFile->setText(chm);
        dialog->OKBtn->click();
    });
    // Yes to "Open it?" where the desktop has no program for the document:
    // the reason is shown, as the Open button shows it.
    testsupport::writeFile(dir.file("bin/xdg-open"), "#!/bin/sh\necho 'xdg-open: no method' >&2\nexit 4\n");
    QFile::setPermissions(dir.file("bin/xdg-open"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EnvOverride path("PATH", dir.file("bin") + u':' + qEnvironmentVariable("PATH"));
    prompt->answers = {ButtonYes};
    w.btnImportChmClick();
    EXPECT_EQ(proposed, QStringLiteral("<Project_Folder>/help") + w.DefaultWordExtension);
    EXPECT_EQ(prompt->messages.value(0), QStringLiteral("The word file is created successful! Open it?"));
    WaitUntil([&] { return prompt->messages.size() > 1; });
    EXPECT_TRUE(prompt->messages.value(1).startsWith(u'"' + dir.file("help") + w.DefaultWordExtension
                                                     + QStringLiteral("\" cannot be opened: no program is set up")))
        << prompt->messages.join(u'\n').toStdString();
    EXPECT_TRUE(QFileInfo(dir.file("help") + w.DefaultWordExtension).isFile());
    EXPECT_EQ(w.edtSourceFile->text(), proposed);
    EXPECT_EQ(w.edtChmTitle->text(), QStringLiteral("Small guide"));
    EXPECT_EQ(chmmaker::filesBelow(QFileInfo(chm).path()).filter(".chm").size(), 1); // the user's file untouched
    {
        // The import read a copy, yet a link naming the help file by its own
        // name leads to the page's heading.
        word::Application app;
        word::Document *d = app.Documents().Open(dir.file("help") + w.DefaultWordExtension);
        const pugi::xpath_node link = d->body().select_node(".//w:hyperlink[@w:anchor]");
        ASSERT_TRUE(link);
        EXPECT_TRUE(d->Bookmarks().Exists(QString::fromUtf8(link.node().attribute("w:anchor").value())));
    }
    w.Project().ProjectChanged = false;
}
