// The import command: its dialog, the progress window over the import worker
// and the main window's button, on a help file compiled for the test.
#include "AppTestSupport.h"

#include "app/CHM2Word.h"
#include "app/Progress.h"
#include "app/whelp.h"
#include "chmimport/ChmMaker.h"
#include "platform/SettingsStore.h"
#include "platform/word/Document.h"

#include <QApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

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
    prompt->answers = {ButtonNo}; // do not open the result
    w.btnImportChmClick();
    EXPECT_EQ(proposed, QStringLiteral("<Project_Folder>/help") + w.DefaultWordExtension);
    EXPECT_EQ(prompt->messages.value(0), QStringLiteral("The word file is created successful! Open it?"));
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
