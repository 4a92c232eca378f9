// The main window: recent projects, save questions, the idle copy between
// controls and project, and the small commands of the settings tabs.
#include "AppTestSupport.h"

#include "app/FlashScreen.h"
#include "app/NewProject.h"
#include "app/SelectColor.h"
#include "app/whelp.h"
#include "foundation/LanguageProcess.h"
#include "foundation/Paths.h"
#include "platform/SettingsStore.h"
#include "project/Template.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using testsupport::ScratchDir;

namespace {

void ClearRecent()
{
    settings::Remove(QStringLiteral("RecentFilesCount"));
    for (int n = 1; n <= 12; ++n)
        settings::Remove(QStringLiteral("RecentFile%1").arg(n));
}

QString MakeProject(const QString &file, const QString &title)
{
    TProject p;
    p.Title = title;
    p.SaveToIni(file);
    return file;
}

struct MainWindowFixture : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    std::unique_ptr<TfrmMain> window;

    void SetUp() override { ClearRecent(); }
    void TearDown() override
    {
        if (window)
            window->Project().ProjectChanged = false;
        window.reset();
        ClearRecent();
    }
    TfrmMain &open(const QString &project)
    {
        window = OpenMainWindow(project);
        return *window;
    }
};

} // namespace

// ---- Recent projects ---------------------------------------------------------------------

TEST_F(MainWindowFixture, RecentListKeepsTenNewestFirstWithoutCaseDuplicates)
{
    QStringList files;
    for (int n = 1; n <= 12; ++n)
        files << MakeProject(dir.file(QStringLiteral("p%1.qvx").arg(n)), QStringLiteral("P"));
    for (const QString &f : files)
        recent::Add(f);
    QStringList stored = recent::Stored();
    ASSERT_EQ(stored.size(), 10);
    EXPECT_EQ(stored.first(), files[11]);
    EXPECT_EQ(stored.last(), files[2]);

    // Re-opening the third entry moves it to the top; a differently cased
    // name counts as the same entry.
    recent::Add(stored[2].toUpper());
    const QStringList after = recent::Stored();
    EXPECT_EQ(after.size(), 10);
    EXPECT_EQ(after.first(), stored[2].toUpper());
    EXPECT_EQ(after.count(stored[2]), 0);
    EXPECT_EQ(after[1], stored[0]);
}

TEST_F(MainWindowFixture, MissingRecentFilesAreHiddenButKept)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A"));
    const QString b = MakeProject(dir.file(QStringLiteral("b.qvx")), QStringLiteral("B"));
    recent::Add(a);
    recent::Add(b);
    QFile::remove(a);
    EXPECT_EQ(recent::Shown(), QStringList{b});
    EXPECT_EQ(recent::Stored(), (QStringList{b, a}));

    TfrmMain &w = open(b);
    ASSERT_EQ(w.meuRecent->actions().size(), 1);
    EXPECT_EQ(w.meuRecent->actions().first()->text(), b);
}

TEST_F(MainWindowFixture, StartUpOpensTheNewestExistingRecentProject)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("Alpha"));
    recent::Add(a);
    window = std::make_unique<TfrmMain>(TStartup());
    window->FormCreate();
    EXPECT_EQ(window->Project().ProjectFilename, a);
    EXPECT_EQ(window->edtChmTitle->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillcraft - Alpha [a.qvx]"));
}

TEST_F(MainWindowFixture, OpeningAnotherProjectPutsTheFirstOnTheRecentList)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A"));
    const QString b = MakeProject(dir.file(QStringLiteral("b.qvx")), QStringLiteral("B"));
    TfrmMain &w = open(a);
    EXPECT_TRUE(w.OpenProject(b));
    EXPECT_EQ(recent::Stored().value(0), a);
    EXPECT_EQ(w.Project().Title, QStringLiteral("B"));

    // A missing file is reported, above the splash when it comes at start-up,
    // and changes nothing.
    TfrmFlashScreen splash;
    splash.show();
    EXPECT_FALSE(w.OpenProject(dir.file(QStringLiteral("gone.qvx"))));
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(prompt->messages.last(), dir.file(QStringLiteral("gone.qvx")) + QStringLiteral(" doesn't exist!"));
    EXPECT_EQ(w.Project().ProjectFilename, b);
}

TEST_F(MainWindowFixture, ADamagedProjectFileIsReportedAndTheOpenProjectStays)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("Alpha"));
    // A template package cut short: the file cannot be read as a project.
    const QString damaged = dir.file(QStringLiteral("damaged.qvx"));
    testsupport::writeFile(damaged, "[GENERAL]\r\nTitle=Broken\r\nWebHelpTemplateStream=0C0\r\n");
    TfrmMain &w = open(a);
    w.edtChmTitle->setText(QStringLiteral("Edited"));
    w.Action2Update();

    EXPECT_FALSE(w.OpenProject(damaged));
    EXPECT_TRUE(prompt->messages.last().contains(damaged)) << prompt->messages.last().toStdString();
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_EQ(w.Project().Title, QStringLiteral("Edited"));
    EXPECT_TRUE(w.Project().ProjectChanged);
    EXPECT_EQ(w.edtChmTitle->text(), QStringLiteral("Edited"));

    // Any other file (here random bytes) holds no project settings: refused too,
    // so that a later save cannot overwrite it with a project.
    const QString other = dir.file(QStringLiteral("other.qvx"));
    testsupport::writeFile(other, QByteArray("\x01\xFEnot a project\r\nTitle=x\r\n\x7F", 24));
    EXPECT_FALSE(w.OpenProject(other));
    EXPECT_EQ(prompt->messages.last(),
              QStringLiteral("The project file \"%1\" is damaged: it holds no project settings.").arg(other));
    EXPECT_EQ(w.Project().ProjectFilename, a);

    // The same through File > Open: the error reaches the user, the project stays.
    prompt->answers = {ButtonNo};
    prompt->files = {damaged};
    w.Open1->trigger();
    EXPECT_TRUE(prompt->messages.last().contains(damaged));
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_EQ(w.Project().Title, QStringLiteral("Edited"));
}

TEST_F(MainWindowFixture, AStartUpProjectThatCannotBeOpenedLeavesTheDefaultProjectShown)
{
    const TProject fresh;
    const QString damaged = dir.file(QStringLiteral("damaged.qvx"));
    testsupport::writeFile(damaged, "[GENERAL]\r\nWebHelpTemplateStream=0C0\r\n");
    recent::Add(damaged);
    for (const QString &file : {dir.file(QStringLiteral("gone.qvx")), QString()}) {
        // named on the command line, or else the newest recent project
        window = OpenMainWindow(file);
        EXPECT_EQ(prompt->messages.size(), 1);
        prompt->messages.clear();
        EXPECT_EQ(window->edtCompiledFile->text(), fresh.CompiledFile);
        EXPECT_EQ(window->edtChmTitle->text(), fresh.Title);
        window->Action2Update();
        EXPECT_FALSE(window->Project().ProjectChanged);
        EXPECT_EQ(window->Project().NavSetting, fresh.NavSetting);
    }
}

// ---- Save questions ----------------------------------------------------------------------

TEST_F(MainWindowFixture, CancelAtTheSaveQuestionLeavesEverything)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A"));
    const QString b = MakeProject(dir.file(QStringLiteral("b.qvx")), QStringLiteral("B"));
    TfrmMain &w = open(a);
    w.edtChmTitle->setText(QStringLiteral("Edited"));
    w.Action2Update();
    ASSERT_TRUE(w.Project().ProjectChanged);

    prompt->answers = {ButtonCancel};
    EXPECT_FALSE(w.OpenProject(b));
    EXPECT_EQ(prompt->messages.last(), QStringLiteral("The project has changed.\nDo you want to save the changes?"));
    EXPECT_EQ(prompt->captions.last(), QStringLiteral("Confirm"));
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_EQ(w.Project().Title, QStringLiteral("Edited"));

    prompt->answers = {ButtonCancel};
    w.New(true);
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_TRUE(w.Project().ProjectChanged);
}

TEST_F(MainWindowFixture, YesSavesBeforeGoingOnAndNoDiscards)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A"));
    const QString b = MakeProject(dir.file(QStringLiteral("b.qvx")), QStringLiteral("B"));
    TfrmMain &w = open(a);
    w.edtChmTitle->setText(QStringLiteral("Saved title"));
    w.Action2Update();
    prompt->answers = {ButtonYes};
    EXPECT_TRUE(w.OpenProject(b));
    TProject check;
    check.ReadFromIni(a);
    EXPECT_EQ(check.Title, QStringLiteral("Saved title"));

    w.edtChmTitle->setText(QStringLiteral("Thrown away"));
    w.Action2Update();
    prompt->answers = {ButtonNo};
    EXPECT_TRUE(w.OpenProject(a));
    check.ReadFromIni(b);
    EXPECT_EQ(check.Title, QStringLiteral("B"));
}

TEST_F(MainWindowFixture, ClosingAsksTheClosingQuestionAndStaysWhenTheSaveFails)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A"));
    TfrmMain &w = open(a);
    w.show();
    w.edtChmTitle->setText(QStringLiteral("Changed"));
    w.Action2Update();
    // The project file's place becomes a folder: the save fails.
    QFile::remove(a);
    QDir().mkpath(a + QStringLiteral("/blocker"));
    prompt->answers = {ButtonYes};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(prompt->messages.contains(QStringLiteral("The project has been changed.\nDo you want to save the changes?")));
    EXPECT_TRUE(w.isVisible());

    prompt->answers = {ButtonNo};
    EXPECT_TRUE(w.close());
}

TEST_F(MainWindowFixture, SaveAsProposesACopyAndKeepsTheNameWhenWritingFails)
{
    const QString a = MakeProject(dir.file(QStringLiteral("help.qvx")), QStringLiteral("Help"));
    TfrmMain &w = open(a);
    const QString blocked = dir.file(QStringLiteral("blocked.qvx"));
    QDir().mkpath(blocked + QStringLiteral("/inside"));
    prompt->files = {blocked};
    prompt->answers = {ButtonCancel, ButtonCancel, ButtonCancel};
    EXPECT_FALSE(w.SaveAs());
    EXPECT_EQ(prompt->lastProposal, dir.file(QStringLiteral("copy of help.qvx")));
    EXPECT_EQ(w.Project().ProjectFilename, a);
    EXPECT_FALSE(prompt->messages.isEmpty()); // the failure was reported

    prompt->files = {dir.file(QStringLiteral("second.qvx"))};
    EXPECT_TRUE(w.SaveAs());
    EXPECT_EQ(w.Project().ProjectFilename, dir.file(QStringLiteral("second.qvx")));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("second.qvx"))));
}

TEST_F(MainWindowFixture, SaveAsOfANewProjectNamesItAndItsCompiledFileAfterTheTitle)
{
    const QString a = MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A"));
    TfrmMain &w = open(a);
    TProject &p = w.Project();
    p.Clear();
    p.RootDir = dir.path() + QStringLiteral("/");
    p.Title = QStringLiteral("My: Help");
    p.CompiledFile = QStringLiteral("unnamed.chm");
    const QString target = dir.file(QStringLiteral("chosen.qvx"));
    prompt->files = {target};
    EXPECT_TRUE(w.SaveAs());
    EXPECT_EQ(QFileInfo(prompt->lastProposal).fileName(), QStringLiteral("My__Help.qvx"));
    EXPECT_EQ(p.CompiledFile, QStringLiteral("My__Help.chm"));
    EXPECT_FALSE(p.IsNew);
}

// Pickers start in the nearest folder that exists and make none.
TEST_F(MainWindowFixture, PickersCreateNoFolders)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    TProject &p = w.Project();
    p.HHPFolder = QStringLiteral("set/deeper");
    p.CompiledFile = QStringLiteral("out/more/help.chm");
    p.PDFFile = QStringLiteral("pdf/help.pdf");
    for (QToolButton *picker : {w.btnSelectHHPFolder, w.btnCompiledFile, w.Button1}) {
        prompt->files = {QString()}; // cancelled
        picker->click();
    }
    EXPECT_TRUE(prompt->messages.isEmpty()) << prompt->messages.join(u'\n').toStdString();
    for (const char *made : {"set", "out", "pdf"})
        EXPECT_FALSE(QFileInfo::exists(dir.file(QString::fromLatin1(made)))) << made;
    EXPECT_EQ(prompt->lastProposal, dir.file(QStringLiteral("help.pdf")));

    // Save As of a new project starts in the project's folder, or the nearest
    // one that exists; with no project folder at all, in the documents folder.
    p.Clear();
    QDir().mkpath(dir.file(QStringLiteral("proj")));
    p.RootDir = dir.file(QStringLiteral("proj/"));
    prompt->files = {QString()};
    EXPECT_FALSE(w.SaveAs());
    EXPECT_EQ(QFileInfo(prompt->lastProposal).absolutePath(), dir.file(QStringLiteral("proj")));
    p.RootDir = dir.file(QStringLiteral("new/project/"));
    prompt->files = {QString()};
    EXPECT_FALSE(w.SaveAs());
    EXPECT_EQ(QFileInfo(prompt->lastProposal).absolutePath(), dir.path());
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("new"))));
    p.RootDir.clear();
    prompt->files = {QString()};
    EXPECT_FALSE(w.SaveAs());
    EXPECT_EQ(QFileInfo(prompt->lastProposal).absolutePath(), GetSpecialFolder(CSIDL_PERSONAL));
}

// Line edits hold texts of any length: a long footer is not cut at 32,767.
TEST_F(MainWindowFixture, LongTextsAreKeptWhole)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    w.Project().CopyRight = QString(40000, u'x');
    w.ProjectToControl();
    EXPECT_EQ(w.edtCopyright->text().size(), 40000);
    // Typed text reaches the saved project whole.
    w.edtCopyright->setText(QString(40001, u'y'));
    w.Action2Update();
    ASSERT_TRUE(w.Save());
    TProject back;
    back.ReadFromIni(w.Project().ProjectFilename);
    EXPECT_EQ(back.CopyRight, QString(40001, u'y'));
}

// ---- Synchronisation ---------------------------------------------------------------------

TEST_F(MainWindowFixture, OpeningFillsEveryControlAndLeavesTheProjectUnchanged)
{
    TProject p;
    p.SourceFile = QStringLiteral("doc/source.docx");
    p.Title = QStringLiteral("Filled");
    p.CopyRight = QStringLiteral("Footer");
    p.PrevHint = QStringLiteral("Prev");
    p.NextHint = QStringLiteral("Next");
    p.CompiledFile = QStringLiteral("out/x.chm");
    p.HtmlHelpTitleSame = false;
    p.HtmlHelpTitle = QStringLiteral("Chm title");
    p.HasChild = 3;
    p.NoChild = 7;
    p.HtmlHelpExtension = 1;
    p.HtmlHelpOutputContext = true;
    p.HtmlHelpContextFile = QStringLiteral("ctx.h");
    p.OutputHHP = true;
    p.HHPFolder = QStringLiteral("hhp");
    p.WebHelpOutputFolder = QStringLiteral("web");
    p.WebHelpTilteSame = false;
    p.WebHelpTitle = QStringLiteral("Web title");
    p.WebHelpExtension = 0;
    p.WebFontColor = QStringLiteral("#112233");
    p.WebBackColor = QStringLiteral("#445566");
    p.TOCBackColor = QStringLiteral("#778899");
    p.WebBackground = 4;
    p.StartFromRoot = false;
    p.DrawLines = false;
    p.AutoCollapse = true;
    p.RealColorIcon = true;
    p.ShowIndex = false;
    p.NavWidth = 311;
    p.PDFFile = QStringLiteral("out/x.pdf");
    p.Panes = 2;
    p.Magnification = 3;
    p.PageLayout = 1;
    p.HtmlHelpOutput = false;
    p.WebHelpOutput = true;
    p.PDFOutput = true;
    p.HtmlHelpOutputEncoding = QStringLiteral("koi8-r");
    p.CHMSetting.Language = HelpLanguages.GetItem(3).Id;
    const QString file = dir.file(QStringLiteral("full.qvx"));
    p.SaveToIni(file);

    TfrmMain &w = open(file);
    EXPECT_EQ(w.edtSourceFile->text(), p.SourceFile);
    EXPECT_EQ(w.edtCopyright->text(), QStringLiteral("Footer"));
    EXPECT_EQ(w.edtHtmlHelpTitle->text(), QStringLiteral("Chm title"));
    EXPECT_EQ(w.cbbHasChild->currentIndex(), 3);
    EXPECT_EQ(w.cbbNoChild->currentIndex(), 7);
    EXPECT_TRUE(w.cbOutputContext->isChecked());
    EXPECT_TRUE(w.cbOutputHHP->isChecked());
    EXPECT_EQ(w.framTOCbackColor->edtColor->text(), QStringLiteral("#778899"));
    EXPECT_EQ(w.cbWebBackground->currentIndex(), 4);
    EXPECT_EQ(w.seNavWidth->value(), 311);
    EXPECT_EQ(w.cbMagnification->currentIndex(), 3);
    EXPECT_FALSE(w.cbHTMLHelpOutput->isChecked());
    EXPECT_EQ(w.cbHtmlHelpOutputEncoding->currentText(), QStringLiteral("Cyrillic (KOI8-R); koi8-r"));
    EXPECT_EQ(w.cbLanguage->currentIndex(), 3);
    EXPECT_FALSE(w.Project().ProjectChanged);

    // The first idle pass finds every field equal: nothing is marked changed.
    w.Action2Update();
    EXPECT_FALSE(w.Project().ProjectChanged);
    EXPECT_EQ(w.Project().NavWidth, 311);
    EXPECT_EQ(w.Project().HtmlHelpOutputEncoding, QStringLiteral("koi8-r"));
}

TEST_F(MainWindowFixture, AControlChangeMarksTheProjectChanged)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    w.Action2Update();
    ASSERT_FALSE(w.Project().ProjectChanged);
    w.cbDrawLines->setChecked(!w.cbDrawLines->isChecked());
    w.Action2Update();
    EXPECT_TRUE(w.Project().ProjectChanged);
    EXPECT_EQ(w.Project().DrawLines, w.cbDrawLines->isChecked());

    w.Project().ProjectChanged = false;
    w.cbPanes->setCurrentIndex(2);
    w.Action2Update();
    EXPECT_TRUE(w.Project().ProjectChanged);
    EXPECT_EQ(w.Project().Panes, 2);
}

TEST_F(MainWindowFixture, BookAndTopicListsShowTheirContentsIcons)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    for (QComboBox *list : {w.cbbHasChild, w.cbbNoChild}) {
        ASSERT_EQ(list->count(), 42);
        for (int i = 0; i < list->count(); ++i)
            EXPECT_FALSE(list->itemIcon(i).isNull()) << "item " << i;
    }
    // A closed book and a page are different pictures.
    const QImage book = w.cbbHasChild->itemIcon(0).pixmap(18, 18).toImage();
    const QImage page = w.cbbHasChild->itemIcon(10).pixmap(18, 18).toImage();
    EXPECT_NE(book, page);
}

TEST_F(MainWindowFixture, TitlesFollowTheProjectTitleWithoutChangingTheirFields)
{
    TProject p;
    p.Title = QStringLiteral("Start");
    p.HtmlHelpTitle = QStringLiteral("Own chm");
    p.WebHelpTitle = QStringLiteral("Own web");
    p.HtmlHelpTitleSame = true;
    p.WebHelpTilteSame = true;
    const QString file = dir.file(QStringLiteral("t.qvx"));
    p.SaveToIni(file);
    TfrmMain &w = open(file);
    w.edtChmTitle->setText(QStringLiteral("Typed"));
    w.Action2Update();
    EXPECT_EQ(w.edtHtmlHelpTitle->text(), QStringLiteral("Typed"));
    EXPECT_EQ(w.edtWebHelpTitle->text(), QStringLiteral("Typed"));
    EXPECT_FALSE(w.edtHtmlHelpTitle->isEnabled());
    EXPECT_EQ(w.Project().HtmlHelpTitle, QStringLiteral("Own chm"));
    EXPECT_EQ(w.Project().WebHelpTitle, QStringLiteral("Own web"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Quillcraft - Typed [t.qvx]"));

    w.cbHtmlHelpTitleSame->setChecked(false);
    w.Action2Update();
    EXPECT_TRUE(w.edtHtmlHelpTitle->isEnabled());
    EXPECT_EQ(w.Project().HtmlHelpTitle, QStringLiteral("Typed"));
}

// The context file's options grey with it; Select... on the Source Files tab
// chooses the document as the picker beside the field does.
TEST_F(MainWindowFixture, ContextOptionsGreyWithTheFileAndSelectChoosesTheSource)
{
    TProject p;
    p.HtmlHelpOutputContext = false;
    p.SourceFile = QStringLiteral("old/manual.docx");
    const QString file = dir.file(QStringLiteral("s.qvx"));
    p.SaveToIni(file);
    TfrmMain &w = open(file);
    w.Action2Update();
    for (QWidget *c : std::initializer_list<QWidget *>{w.edtContextFile, w.btnContext, w.btnSetContext})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    w.cbOutputContext->setChecked(true);
    w.Action2Update();
    for (QWidget *c : std::initializer_list<QWidget *>{w.edtContextFile, w.btnContext, w.btnSetContext})
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();

    auto *select = w.tsSource->findChild<QPushButton *>(QStringLiteral("Button3"));
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->text(), QStringLiteral("Select..."));
    EXPECT_EQ(select->toolTip(), QStringLiteral("Select a source file"));
    prompt->files = {dir.file(QStringLiteral("chosen.docx"))};
    select->click();
    EXPECT_EQ(prompt->lastProposal, dir.file(QStringLiteral("old/manual.docx")));
    EXPECT_EQ(w.edtSourceFile->text(), dir.file(QStringLiteral("chosen.docx")));
}

TEST_F(MainWindowFixture, UnknownCharsetKeepsTheListAndIsStoredEmpty)
{
    TProject p;
    p.HtmlHelpOutputEncoding = QStringLiteral("x-unknown");
    const QString file = dir.file(QStringLiteral("c.qvx"));
    p.SaveToIni(file);
    TfrmMain &w = open(file);
    EXPECT_EQ(w.cbHtmlHelpOutputEncoding->currentIndex(), -1);
    w.Action2Update();
    EXPECT_TRUE(w.Project().HtmlHelpOutputEncoding.isEmpty());
    EXPECT_TRUE(w.Project().ProjectChanged);
}

TEST_F(MainWindowFixture, ChoosingALanguageSetsCharsetAndFonts)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    int japanese = -1;
    for (int i = 0; i < HelpLanguages.GetCount(); ++i)
        if (HelpLanguages.GetItem(i).Name == QStringLiteral("Japanese"))
            japanese = i;
    ASSERT_GE(japanese, 0);
    w.cbLanguage->setCurrentIndex(japanese);
    w.cbLanguageChange();
    EXPECT_EQ(w.cbHtmlHelpOutputEncoding->currentText(), QStringLiteral("Japanese (Shift-JIS); shift_jis"));
    EXPECT_EQ(w.Project().CHMSetting.ContentsFont, QStringLiteral(",8,128"));
    EXPECT_EQ(w.Project().CHMSetting.IndexFont, QStringLiteral(",8,128"));
    w.Action2Update();
    EXPECT_EQ(w.Project().CHMSetting.Language, HelpLanguages.GetItem(japanese).Id);
    EXPECT_EQ(w.Project().HtmlHelpOutputEncoding, QStringLiteral("shift_jis"));
}

TEST_F(MainWindowFixture, CopyrightButtonReplacesTheSelectionAndSelectsTheInsert)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    w.edtCopyright->setText(QStringLiteral("Tessaly. All rights"));
    w.edtCopyright->setSelection(9, 10);
    w.InsertIntoCopyright(QStringLiteral("&reg;"));
    EXPECT_EQ(w.edtCopyright->text(), QStringLiteral("Tessaly. &reg;"));
    EXPECT_EQ(w.edtCopyright->selectedText(), QStringLiteral("&reg;"));
}

TEST_F(MainWindowFixture, OutputLinesDescribeAgeAndEnableTheirButtons)
{
    EXPECT_EQ(TfrmMain::FormatAge(59), QStringLiteral("within 1 minute"));
    EXPECT_EQ(TfrmMain::FormatAge(90), QStringLiteral("1 minutes ago"));
    EXPECT_EQ(TfrmMain::FormatAge(7200), QStringLiteral("2 hours ago"));
    EXPECT_EQ(TfrmMain::FormatAge(400LL * 86400), QStringLiteral("1 years ago"));
    EXPECT_EQ(TfrmMain::FormatAge(2629800), QStringLiteral("1 months ago"));

    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    w.Project().CompiledFile = dir.file(QStringLiteral("made.chm"));
    w.CheckOutputFiles();
    EXPECT_EQ(w.lbHTMLHelpCreatedDate->text(), QStringLiteral("Not created."));
    EXPECT_FALSE(w.btnOpenHTMLHelp->isEnabled());
    testsupport::writeFile(dir.file(QStringLiteral("made.chm")), "x");
    w.CheckOutputFiles();
    EXPECT_TRUE(w.lbHTMLHelpCreatedDate->text().endsWith(QStringLiteral(" (within 1 minute)")));
    EXPECT_TRUE(w.btnFolderHTMLHelp->isEnabled());
}

// The controls of one tab in the order Tab visits them; a colour frame's
// parts are named after the frame.
QStringList TabOrder(const TfrmMain &w, QWidget *tab)
{
    QStringList names;
    QWidget *x = w.PageControl1;
    for (int i = 0; i < 500 && (x = x->nextInFocusChain()) != w.PageControl1;)
        if (tab->isAncestorOf(x) && (x->focusPolicy() & Qt::TabFocus) && x->parentWidget()->focusProxy() != x) {
            const QString frame = qobject_cast<TframSelectColor *>(x->parentWidget()) ? x->parentWidget()->objectName()
                                                                                      : QString();
            names << (frame.isEmpty() ? x->objectName() : frame + u'.' + x->objectName());
        }
    return names;
}

TEST_F(MainWindowFixture, TabVisitsTheControlsRowByRowFromLeftToRight)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    EXPECT_EQ(TabOrder(w, w.tsSource).mid(0, 4),
              (QStringList{"edtSourceFile", "btnSelectWordFile", "Button3", "btnCreateWordFile"}));
    EXPECT_EQ(TabOrder(w, w.tsCommon).mid(0, 3), (QStringList{"edtChmTitle", "edtNavSetting", "btnSetNavigation"}));
    const QStringList html = TabOrder(w, w.tsHtmlHelp);
    EXPECT_EQ(html.mid(0, 2), (QStringList{"edtCompiledFile", "btnCompiledFile"}));
    EXPECT_EQ(html.mid(html.indexOf("edtContextFile"), 3), (QStringList{"edtContextFile", "btnContext", "btnSetContext"}));
    EXPECT_EQ(html.mid(html.indexOf("cbHtmlHelpExtension"), 2), (QStringList{"cbHtmlHelpExtension", "Button2"}));
    EXPECT_EQ(html.last(), QStringLiteral("btnCHMTemplateExport"));
    const QStringList web = TabOrder(w, w.tsWebHelp);
    EXPECT_EQ(web.mid(0, 2), (QStringList{"edtWebHelpOutputFolder", "btnSelectFolder"}));
    EXPECT_LT(web.indexOf("framWebBackColor.edtColor"), web.indexOf("cbWebBackground"));
    EXPECT_LT(web.indexOf("cbShowIndex"), web.indexOf("framTOCbackColor.edtColor"));
    EXPECT_EQ(web.mid(web.indexOf("cbWebHelpExtension"), 2), (QStringList{"cbWebHelpExtension", "btnWebhelpInterface"}));
    EXPECT_EQ(web.last(), QStringLiteral("btnWeblHelpTemplateExport"));
    EXPECT_EQ(TabOrder(w, w.tsPDF).mid(0, 2), (QStringList{"edtPDF", "Button1"}));
    EXPECT_EQ(TabOrder(w, w.tsBuild),
              (QStringList{"cbHTMLHelpOutput", "edtOpenHTMLHelp", "btnOpenHTMLHelp", "btnFolderHTMLHelp",
                           "cbWebHelpOutput", "edtOpenWebhelp", "btnOpenWebHelp", "btnFolderWebHelp", "cbPDFOutput",
                           "edtOpenPDF", "btnOpenPDF", "btnFolderPDF", "btnBuild"}));
}

TEST_F(MainWindowFixture, FirstStartShowsTheWizardWithoutCancelAndSavesTheNewProject)
{
    bool cancelWasEnabled = true;
    bool splashWasShown = true;
    QString proposed;
    // The splash is still up while the window is created.
    TfrmFlashScreen splash;
    splash.show();
    prompt->files = {dir.file(QStringLiteral("manual.docx"))};
    // The wizard runs modally inside the window's creation: answer it from the loop.
    QTimer::singleShot(0, [&] {
        auto *wizard = qobject_cast<TfrmNewProject *>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        cancelWasEnabled = wizard->btnCancel->isEnabled();
        splashWasShown = splash.isVisible();
        // Only ways to get the document that this version offers can be chosen.
        EXPECT_EQ(wizard->rb2->isEnabled(), window->btnCreateWordFile->isEnabled());
        EXPECT_EQ(wizard->rb3->isEnabled(), window->btnImportChm->isEnabled());
        EXPECT_TRUE(wizard->rb1->isChecked() || wizard->rb2->isEnabled());
        proposed = wizard->edtProjectPosition->text();
        wizard->edtProjectPosition->setText(dir.path());
        wizard->rb1->setChecked(true); // choose an existing document
        wizard->btnNext->click();
        wizard->btnNext->click();
    });
    window = std::make_unique<TfrmMain>(TStartup());
    window->FormCreate();
    EXPECT_FALSE(cancelWasEnabled);
    EXPECT_FALSE(splashWasShown); // it would cover the wizard
    // Finishing with the preselected way asks for the document.
    EXPECT_EQ(window->edtSourceFile->text(), dir.file(QStringLiteral("manual.docx")));
    EXPECT_TRUE(proposed.endsWith(QStringLiteral("/Quillcraft/Project1/"))) << proposed.toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Project().ProjectFilename, dir.file(QStringLiteral("help.qvx")));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("help.qvx"))));
    EXPECT_FALSE(window->Project().IsNew);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillcraft - New Help [help.qvx]"));
}

// File > New starts from the defaults, whatever the project open before had.
TEST_F(MainWindowFixture, NewStartsFromTheDefaultsNotFromThePreviousProject)
{
    TProject old;
    old.CHMSetting.ContentsFont = QStringLiteral("Georgia,12,0");
    old.CHMSetting.IndexFont = QStringLiteral("Verdana,9,0");
    old.CHMSetting.DefaultTopic = QStringLiteral("old-start.htm");
    old.CHMSetting.Zoom = true;
    old.CHMSetting.PaneWidth = 123;
    old.SaveToIni(dir.file(QStringLiteral("old.qvx")));
    TfrmMain &w = open(dir.file(QStringLiteral("old.qvx")));
    QTimer::singleShot(0, [&] {
        auto *wizard = qobject_cast<TfrmNewProject *>(QApplication::activeModalWidget());
        ASSERT_NE(wizard, nullptr);
        wizard->edtProjectPosition->setText(dir.file(QStringLiteral("second")));
        wizard->rb1->setChecked(true);
        wizard->btnNext->click();
        wizard->btnNext->click();
    });
    prompt->files = {QString()}; // no document chosen yet
    w.New1->trigger();
    const TProject fresh;
    TProject saved;
    saved.ReadFromIni(dir.file(QStringLiteral("second/help.qvx")));
    for (const TCHMProject *chm : {&w.Project().CHMSetting, &saved.CHMSetting}) {
        EXPECT_EQ(chm->ContentsFont, fresh.CHMSetting.ContentsFont);
        EXPECT_EQ(chm->IndexFont, fresh.CHMSetting.ContentsFont);
        EXPECT_EQ(chm->DefaultTopic, QString());
        EXPECT_EQ(chm->PaneWidth, fresh.CHMSetting.PaneWidth);
        EXPECT_FALSE(chm->Zoom);
    }
}

// The WebHelp contents width takes only sensible widths, typed or stored.
TEST_F(MainWindowFixture, TheContentsWidthKeepsToItsRange)
{
    TProject stored;
    stored.NavWidth = -50;
    stored.SaveToIni(dir.file(QStringLiteral("odd.qvx")));
    TfrmMain &w = open(dir.file(QStringLiteral("odd.qvx")));
    w.Action2Update();
    EXPECT_EQ(w.Project().NavWidth, 50);
    for (const char *typed : {"-50", "99999", "300"}) {
        QLineEdit *edit = w.seNavWidth->findChild<QLineEdit *>();
        edit->selectAll();
        for (const QChar c : QString::fromLatin1(typed)) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        w.Action2Update();
        EXPECT_GE(w.Project().NavWidth, 50) << typed;
        EXPECT_LE(w.Project().NavWidth, 2000) << typed;
    }
    EXPECT_EQ(w.Project().NavWidth, 300);
}

TEST_F(MainWindowFixture, TheWizardComesBackUntilItsFolderAndNameCanMakeAProjectFile)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    // Folder and name of each try; the last one is usable.
    const std::vector<std::pair<QString, QString>> tries = {
        {QString(), QStringLiteral("help")},
        {QStringLiteral("relative/folder"), QStringLiteral("help")},
        {dir.path(), QStringLiteral("  ")},
        {dir.path(), QStringLiteral("sub/help")},
        {dir.path(), QStringLiteral("made")},
    };
    size_t attempt = 0;
    std::vector<int> startPages;
    std::function<void()> answer = [&] {
        auto *wizard = qobject_cast<TfrmNewProject *>(QApplication::activeModalWidget());
        if (!wizard) {
            QTimer::singleShot(5, answer); // not shown again yet
            return;
        }
        startPages.push_back(wizard->PageControl1->currentIndex());
        wizard->edtProjectPosition->setText(tries[attempt].first);
        wizard->edtFilename->setText(tries[attempt].second);
        ++attempt;
        if (attempt < tries.size())
            QTimer::singleShot(5, answer);
        wizard->rb1->setChecked(true); // choose an existing document
        wizard->btnNext->click();
        wizard->btnNext->click();
    };
    QTimer::singleShot(0, answer);
    w.New(true);
    EXPECT_EQ(attempt, tries.size());
    EXPECT_EQ(startPages, std::vector<int>(tries.size(), 0));
    ASSERT_EQ(prompt->messages.size(), 4);
    EXPECT_EQ(prompt->messages[0],
              QStringLiteral("The position \"\" is not a full folder path. Choose the folder for the project file."));
    EXPECT_TRUE(prompt->messages[1].contains(QStringLiteral("relative/folder")));
    EXPECT_EQ(prompt->messages[3], QStringLiteral("\"sub/help\" cannot be the name of a project file."));
    EXPECT_EQ(w.Project().ProjectFilename, dir.file(QStringLiteral("made.qvx")));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("made.qvx"))));
}

TEST_F(MainWindowFixture, IdleCopyRunsOnlyWhileTheWindowIsShownAndNoModalWindowIsOpen)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    auto spin = [] {
        QEventLoop loop;
        QTimer::singleShot(60, &loop, &QEventLoop::quit);
        loop.exec();
    };
    w.edtChmTitle->setText(QStringLiteral("Hidden"));
    spin();
    EXPECT_EQ(w.Project().Title, QStringLiteral("A")); // never shown: no copy

    w.show();
    spin();
    EXPECT_EQ(w.Project().Title, QStringLiteral("Hidden"));
    EXPECT_TRUE(w.Project().ProjectChanged);

    QDialog modal(&w);
    QTimer::singleShot(0, &modal, [&] {
        w.edtChmTitle->setText(QStringLiteral("Under a dialog"));
        QTimer::singleShot(60, &modal, &QDialog::accept);
    });
    modal.exec();
    EXPECT_EQ(w.Project().Title, QStringLiteral("Hidden"));
    spin();
    EXPECT_EQ(w.Project().Title, QStringLiteral("Under a dialog"));
}

TEST_F(MainWindowFixture, BuildTabLinesRefreshWhenTheTabIsShown)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    w.Project().PDFFile = dir.file(QStringLiteral("late.pdf"));
    w.CheckOutputFiles();
    testsupport::writeFile(dir.file(QStringLiteral("late.pdf")), "%PDF");
    EXPECT_EQ(w.lbPDFCreatedDate->text(), QStringLiteral("Not created.")); // hidden tab: not refreshed
    w.PageControl1->setCurrentWidget(w.tsBuild);
    EXPECT_TRUE(w.lbPDFCreatedDate->text().endsWith(QStringLiteral("(within 1 minute)")));
    EXPECT_TRUE(w.tmBuild->isActive());
    w.PageControl1->setCurrentWidget(w.tsCommon);
    EXPECT_FALSE(w.tmBuild->isActive());
}

TEST_F(MainWindowFixture, TemplateExportAndImportGoThroughThePackage)
{
    TfrmMain &w = open(MakeProject(dir.file(QStringLiteral("a.qvx")), QStringLiteral("A")));
    const QByteArray original = w.Project().HtmlHelpTemplateStream;
    ASSERT_FALSE(original.isEmpty());
    const QString folder = dir.file(QStringLiteral("export"));
    testsupport::writeFile(folder + QStringLiteral("/keep.txt"), "mine");

    // Into a non-empty folder with No: the template's files are written beside the others.
    prompt->files = {folder};
    prompt->answers = {ButtonNo, ButtonNo};
    w.btnCHMTemplateExport->click();
    EXPECT_EQ(prompt->messages.value(0), QStringLiteral("This is not an empty folder. Do you want to empty it?"));
    EXPECT_EQ(testsupport::readFile(folder + QStringLiteral("/keep.txt")), QByteArray("mine"));
    const QString page = folder + QLatin1Char('/') + GetTemplateMainFile(original);
    ASSERT_TRUE(QFileInfo::exists(page));

    // Importing the exported page packs the same template again.
    w.Project().HtmlHelpTemplateStream.clear();
    w.Project().ProjectChanged = false;
    prompt->files = {page};
    prompt->answers = {ButtonYes};
    w.btnCHMTemplateImport->click();
    EXPECT_EQ(prompt->messages.last(), QStringLiteral("Imported sucessfully!"));
    EXPECT_TRUE(w.Project().ProjectChanged);
    EXPECT_EQ(GetTemplateMainFile(w.Project().HtmlHelpTemplateStream), GetTemplateMainFile(original));
    EXPECT_FALSE(w.Project().HtmlHelpTemplateStream.isEmpty());

    // Emptying the project's own folder is refused, even after Yes: the
    // project file and the Word document beside it stay.
    testsupport::writeFile(dir.file(QStringLiteral("manual.docx")), "doc");
    w.edtSourceFile->setText(dir.file(QStringLiteral("manual.docx")));
    w.Action2Update();
    prompt->messages.clear();
    prompt->files = {dir.path()};
    prompt->answers = {ButtonYes};
    w.btnWeblHelpTemplateExport->click();
    ASSERT_EQ(prompt->messages.size(), 2);
    EXPECT_TRUE(prompt->messages[1].startsWith(QStringLiteral("Refused to delete or empty the output folder")))
        << prompt->messages[1].toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("a.qvx"))));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("manual.docx"))), QByteArray("doc"));
}
