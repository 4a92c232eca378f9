// The build command's checks and exit codes, the batch log, and the program
// run as a silent batch builder.
#define POINTERHOLDER_TRANSITION 4
#include "AppTestSupport.h"

#include "app/Building.h"
#include "app/whelp.h"
#include "builder/BuildLock.h"
#include "builder/OutputGuard.h"
#include "foundation/TextFiles.h"
#include "platform/DocxBuilder.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "platform/word/Package.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::ScratchDir;

namespace {

// Outputs that write one small file per output, or fail when asked to.
class FakeOutputs : public TBuildOutputs {
public:
    explicit FakeOutputs(TProject &project, bool fail) : project_(project), fail_(fail) {}
    void StartWord() override {}
    void QuitWord() override {}
    void Convert(int, const QString &, const std::function<void(int)> &progress) override
    {
        progress(50);
        if (fail_)
            throw Exception(QStringLiteral("The converter broke."));
    }
    void SplitTopics() override {}
    void HtmlHelpPages(const QString &) override {}
    void HtmlHelpContextFile() override {}
    void HtmlHelpCompile() override { testsupport::writeFile(project_.RealPath(1), "ITSF chm"); }
    void WebHelp() override
    {
        testsupport::writeFile(project_.RealPath(2) + QStringLiteral("index.html"), "web");
        MarkOutputFolder(project_.RealPath(2), true); // as the writer does
    }
    void FreeOutput() override {}
    void Pdf(const QString &, const QString &pdf, const std::function<void(int)> &progress) override
    {
        progress(100);
        testsupport::writeFile(pdf, "%PDF-1.7");
    }
    QStringList Notes() const override { return notes; }
    QStringList notes;

private:
    TProject &project_;
    bool fail_;
};

struct BatchFixture : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPrompt scoped{prompt};
    std::unique_ptr<TfrmMain> window;
    QString projectFile;
    bool failBuild = false;
    QStringList notes;

    void SetUp() override
    {
        TfrmBuilding::SetOutputsFactory([this](TProject &p) {
            auto outputs = std::make_unique<FakeOutputs>(p, failBuild);
            outputs->notes = notes;
            return outputs;
        });
        testsupport::writeFile(dir.file(QStringLiteral("help.docx")), "docx");
        TProject p;
        p.Title = QStringLiteral("Batch");
        p.SourceFile = QStringLiteral("help.docx");
        p.CompiledFile = QStringLiteral("out/help.chm");
        p.WebHelpOutputFolder = QStringLiteral("out/web");
        p.PDFFile = QStringLiteral("out/help.pdf");
        projectFile = dir.file(QStringLiteral("help.qvx"));
        p.SaveToIni(projectFile);
    }
    void TearDown() override
    {
        TfrmBuilding::SetOutputsFactory(nullptr);
        if (window)
            window->Project().ProjectChanged = false;
    }
    TfrmMain &start(const QString &sw = QStringLiteral("/bs"))
    {
        window = OpenMainWindow(projectFile, sw);
        return *window;
    }
};

// Starts the program with no display (or one that does not answer), the
// user's folders in dir, no runtime folder (as under su or in a service)
// and the extra environment given (a null value removes a variable); through wrapper (a program and its
// arguments, before the program's path) when one is given.
void StartProgram(QProcess &run, const ScratchDir &dir, const QStringList &arguments,
                  const QList<std::pair<QString, QString>> &extra = {}, const QString &display = QString(),
                  const QStringList &wrapper = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : extra)
        if (value.isNull())
            env.remove(name);
        else
            env.insert(name, value);
    env.remove(QStringLiteral("DISPLAY"));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    const QString program = testsupport::buildDir() + QStringLiteral("/bin/quillcraft");
    if (wrapper.isEmpty())
        run.start(program, arguments);
    else
        run.start(wrapper.first(), wrapper.mid(1) + QStringList{program} + arguments);
}

// help.qvx in dir, with the document help.docx beside it and no output
// chosen; returns its path.
QString SaveProjectWithoutOutputs(const ScratchDir &dir)
{
    testsupport::writeFile(dir.file(QStringLiteral("help.docx")), "docx");
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.HtmlHelpOutput = p.WebHelpOutput = p.PDFOutput = false;
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    return project;
}

// A Word document with a Heading 1 and a line of text per title.
void WriteManual(const QString &path, const QStringList &titles)
{
    word::Application app;
    word::Document *doc = app.Documents().Add();
    QStringList paragraphs;
    for (const QString &title : titles)
        paragraphs << title << QStringLiteral("About ") + title;
    doc->Content().InsertAfter(paragraphs.join(u'\r'));
    for (int i = 0; i < titles.size(); ++i)
        doc->Paragraphs().Item(2 * i + 1).Range().setStyle(-2);
    doc->SaveAs(path, word::wdFormatXMLDocument);
    doc->Close();
}

// Builds project as a silent batch in dir: the exit code, -1 when the run
// does not end in time.
int BuildSilently(const ScratchDir &dir, const QString &project, int timeoutMs = 300000)
{
    QProcess run;
    StartProgram(run, dir, {project, QStringLiteral("/bs")});
    return run.waitForFinished(timeoutMs) ? run.exitCode() : -1;
}

} // namespace

TEST(StartupSwitches, BatchSwitchesIgnoreCase)
{
    EXPECT_TRUE(TStartup::FromArguments({QStringLiteral("p.qvx"), QStringLiteral("/B")}).Batch());
    EXPECT_FALSE(TStartup::FromArguments({QStringLiteral("p.qvx"), QStringLiteral("/B")}).Silent());
    EXPECT_TRUE(TStartup::FromArguments({QStringLiteral("p.qvx"), QStringLiteral("/BS")}).Silent());
    EXPECT_FALSE(TStartup::FromArguments({QStringLiteral("p.qvx"), QStringLiteral("/x")}).Batch());
    EXPECT_FALSE(TStartup::FromArguments({QStringLiteral("p.qvx")}).Batch());
}

TEST_F(BatchFixture, ASuccessfulBuildExitsWithZeroAndLogsFiveLines)
{
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("The build is completed!"));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("out/help.chm"))));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("out/help.pdf"))));
    EXPECT_EQ(w.BatchLogFile(), dir.file(QStringLiteral("help.log")));
    EXPECT_EQ(w.BatchLogText(QStringLiteral("The build is completed!")),
              QStringLiteral("Quillcraft\r\n\r\nProject: ") + projectFile + QStringLiteral("\r\n\r\nThe build is completed!\r\n"));
    EXPECT_TRUE(prompt->messages.isEmpty()); // a batch asks nothing
}

// What the build left out of the help follows the result, one line each;
// a line end taken from the document cannot start a line of its own.
TEST_F(BatchFixture, LeftOutContentIsListedAfterTheResult)
{
    notes = {QStringLiteral("The link to \"/etc/shadow\" stays a plain link."),
             QStringLiteral("The heading \"A\r\nError: forged\u2028x\" gets no context ID.")};
    TfrmMain &w = start();
    w.BuildProject(false);
    ASSERT_FALSE(prompt->messages.isEmpty());
    EXPECT_TRUE(prompt->messages.last().startsWith(QStringLiteral("The build is completed!\n\nThe link to")));
    QDir(dir.file(QStringLiteral("out"))).removeRecursively();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("The build is completed!\r\nThe link to \"/etc/shadow\" stays a plain link."
                                            "\r\nThe heading \"A Error: forged x\" gets no context ID."));
}

// No output chosen: no build runs, the old outputs stay, and the run reports
// success (after an earlier failure too).
TEST_F(BatchFixture, NoOutputChosenBuildsNothingAndSucceeds)
{
    int builds = 0;
    TfrmBuilding::SetOutputsFactory([&](TProject &p) {
        ++builds;
        return std::make_unique<FakeOutputs>(p, failBuild);
    });
    failBuild = true;
    TfrmMain &w = start();
    w.BuildProject(true);
    ASSERT_EQ(w.ExitCode(), 100);
    ASSERT_EQ(builds, 1);
    testsupport::writeFile(dir.file(QStringLiteral("out/help.pdf")), "%PDF-old");
    w.Project().HtmlHelpOutput = w.Project().WebHelpOutput = w.Project().PDFOutput = false;
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("The build is completed!"));
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))), QByteArray("%PDF-old"));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out/web"))));
}

// A project without a source document says so, rather than naming its folder
// as a missing file.
TEST_F(BatchFixture, AProjectWithoutASourceDocumentSaysSo)
{
    TfrmMain &w = start();
    w.Project().SourceFile.clear();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 20);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: No source document is set. Choose the Word document on the "
                                            "Source Files tab."));
}

TEST_F(BatchFixture, AMissingSourceStopsWithTwenty)
{
    QFile::remove(dir.file(QStringLiteral("help.docx")));
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 20);
    EXPECT_EQ(w.BatchLine(),
              QStringLiteral("Error: The source file \"%1\" does not exist!").arg(dir.file(QStringLiteral("help.docx"))));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out"))));

    // Interactive use reports the same stop in an error box and keeps the code.
    w.BuildProject(false);
    EXPECT_EQ(w.ExitCode(), 20);
    EXPECT_EQ(prompt->messages.last(),
              QStringLiteral("The source file \"%1\" does not exist!").arg(dir.file(QStringLiteral("help.docx"))));
}

// An old output that the build could not replace: a file in a folder made
// immutable, or made immutable itself (the only locks a root user cannot
// pass); skipped where chattr cannot set them. The old files stay.
TEST_F(BatchFixture, OldOutputsThatCannotBeReplacedStopWithThirtyAndFifty)
{
    testsupport::writeFile(dir.file(QStringLiteral("out/help.chm")), "ITSF old chm");
    testsupport::writeFile(dir.file(QStringLiteral("out/help.pdf")), "%PDF-old");
    const QString out = dir.file(QStringLiteral("out"));
    if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), out}) != 0)
        GTEST_SKIP() << "the folder cannot be made immutable here";
    struct Unlock {
        QString folder;
        ~Unlock() { QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), folder}); }
    } unlock{out};
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 30);
    // The message as it stands, and why on the next line.
    const QString why = QStringLiteral("\r\nThe system says: Operation not permitted.");
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: \"%1\" access denied! It has probably been opend.")
                                     .arg(dir.file(QStringLiteral("out/help.chm"))) + why);

    w.Project().HtmlHelpOutput = false;
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 50);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: \"%1\" access denied! It has probably been opend")
                                     .arg(dir.file(QStringLiteral("out/help.pdf"))) + why);

    // Interactively the question repeats on Retry; Abort stops without another message.
    prompt->answers = {ButtonRetry, ButtonAbort};
    w.BuildProject(false);
    EXPECT_EQ(w.ExitCode(), 50);
    ASSERT_EQ(prompt->messages.size(), 2);
    EXPECT_EQ(prompt->messages[0], QLatin1Char('"') + dir.file(QStringLiteral("out/help.pdf"))
                                       + QStringLiteral("\" access denied! It has probably been opend. Please close it and Retry.")
                                       + why);
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))), QByteArray("%PDF-old"));

    // An immutable file in a folder that takes new ones cannot be replaced either.
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), out});
    const QString pdf = dir.file(QStringLiteral("out/help.pdf"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), pdf}), 0);
    w.BuildProject(true);
    QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), pdf});
    EXPECT_EQ(w.ExitCode(), 50);
    EXPECT_TRUE(w.BatchLine().endsWith(QStringLiteral("\r\nIt is marked immutable or append-only."))) << w.BatchLine().toStdString();
    EXPECT_EQ(testsupport::readFile(pdf), QByteArray("%PDF-old"));
}

// A link in the PDF's place (a project folder received from someone else) is
// replaced by the new PDF, never written through.
TEST_F(BatchFixture, TheNewPdfReplacesALinkInItsPlace)
{
    testsupport::writeFile(dir.file(QStringLiteral("profile")), "# mine\n");
    QDir().mkpath(dir.file(QStringLiteral("out")));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("profile")), dir.file(QStringLiteral("out/help.pdf"))));
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0) << w.BatchLine().toStdString();
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("profile"))), QByteArray("# mine\n"));
    EXPECT_FALSE(QFileInfo(dir.file(QStringLiteral("out/help.pdf"))).isSymLink());
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))), QByteArray("%PDF-1.7"));
}

// A source document that is a pipe or a device exists but holds no
// document: the build says what it is rather than calling it missing (or
// waiting on it).
TEST_F(BatchFixture, ASourceThatIsAPipeOrADeviceIsNamedAsSuch)
{
    const QString pipe = dir.file(QStringLiteral("pipe.docx"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    TfrmMain &w = start();
    const std::pair<QString, QString> cases[] = {{pipe, QStringLiteral("a named pipe (FIFO)")},
                                                 {QStringLiteral("/dev/null"), QStringLiteral("a character device")}};
    for (const auto &[source, kind] : cases) {
        w.Project().SourceFile = source;
        w.BuildProject(true);
        EXPECT_EQ(w.ExitCode(), 20);
        EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: The source file \"%1\" is not a document!\r\nIt is %2, not a "
                                                "Word file: choose the document itself on the Source Files tab.")
                                     .arg(source, kind));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out"))));
}

// An output path that names a folder is refused with that reason, and the
// folder is left as it was.
TEST_F(BatchFixture, AnOutputPathThatIsAFolderIsNamedAsSuch)
{
    testsupport::writeFile(dir.file(QStringLiteral("out/help.chm/mine.txt")), "mine");
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 30);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: Refused to write the output file \"%1\": it is a folder, not a file. "
                                            "Give this output a file name.")
                                 .arg(dir.file(QStringLiteral("out/help.chm"))));
    w.Project().CompiledFile = QStringLiteral("out/other.chm");
    w.Project().PDFFile = QStringLiteral("out/help.chm");
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 50);
    EXPECT_TRUE(w.BatchLine().contains(QStringLiteral("it is a folder, not a file"))) << w.BatchLine().toStdString();
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.chm/mine.txt"))), QByteArray("mine"));
}

// A compiled file or PDF path set to the source document or the project file
// is refused before the "old output" is deleted: the user's files stay.
TEST_F(BatchFixture, AnOutputPathNamingTheUsersOwnFileIsRefused)
{
    const QByteArray source = testsupport::readFile(dir.file(QStringLiteral("help.docx")));
    const QByteArray project = testsupport::readFile(projectFile);
    TfrmMain &w = start();
    const struct {
        QString TProject::*setting;
        QString value;
        int code;
    } cases[] = {{&TProject::CompiledFile, QStringLiteral("help.docx"), 30},
                 {&TProject::CompiledFile, QStringLiteral("help.qvx"), 30},
                 {&TProject::PDFFile, QStringLiteral("./help.docx"), 50},
                 {&TProject::PDFFile, QStringLiteral("help.qvx"), 50}};
    for (const auto &c : cases) {
        TProject &p = w.Project();
        p.CompiledFile = QStringLiteral("out/help.chm");
        p.PDFFile = QStringLiteral("out/help.pdf");
        p.*c.setting = c.value;
        w.BuildProject(true);
        EXPECT_EQ(w.ExitCode(), c.code) << c.value.toStdString();
        EXPECT_TRUE(w.BatchLine().startsWith(QStringLiteral("Error: Refused to write the output file")))
            << w.BatchLine().toStdString();
        EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("help.docx"))), source);
        EXPECT_EQ(testsupport::readFile(projectFile), project);
    }
    // Two outputs on one file: the PDF would replace the compiled help.
    w.Project().CompiledFile = QStringLiteral("out/help.chm");
    w.Project().PDFFile = QStringLiteral("out/help.chm");
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 30);
    EXPECT_TRUE(w.BatchLine().contains(QStringLiteral("it is also the PDF file"))) << w.BatchLine().toStdString();
    w.Project().PDFFile = QStringLiteral("out/help.pdf");

    // Interactively the refusal is shown and nothing is deleted either.
    w.Project().CompiledFile = QStringLiteral("help.docx");
    w.BuildProject(false);
    EXPECT_EQ(w.ExitCode(), 30);
    ASSERT_FALSE(prompt->messages.isEmpty());
    EXPECT_TRUE(prompt->messages.last().contains(QStringLiteral("the source document")));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("help.docx"))), source);
}

TEST_F(BatchFixture, AWebHelpFolderHoldingTheProjectIsRefusedWithForty)
{
    TfrmMain &w = start();
    w.Project().WebHelpOutputFolder = QStringLiteral("."); // the project's own folder
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 40);
    // The line as it stands, the reason on the next one.
    EXPECT_TRUE(w.BatchLine().startsWith(QStringLiteral("Error: Web help must be outputted to a folder.\r\n")))
        << w.BatchLine().toStdString();
    EXPECT_GT(w.BatchLine().size(), 50);
    EXPECT_TRUE(QFileInfo::exists(projectFile));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("help.docx"))));

    // So is a folder that would take the compiled help file, built before it, away.
    w.Project().WebHelpOutputFolder = QStringLiteral("out");
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 40);
    EXPECT_TRUE(w.BatchLine().contains(QStringLiteral("the compiled help file"))) << w.BatchLine().toStdString();

    // A setting that names one of the user's files is refused too.
    testsupport::writeFile(dir.file(QStringLiteral("notes.txt")), "mine");
    w.Project().WebHelpOutputFolder = QStringLiteral("notes.txt");
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 40);
    EXPECT_TRUE(w.BatchLine().contains(QStringLiteral("it is a file"))) << w.BatchLine().toStdString();
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("notes.txt"))), QByteArray("mine"));

    // A folder holding what an earlier build wrote is emptied without a
    // question in a batch, and only after the question interactively.
    w.Project().WebHelpOutputFolder = QStringLiteral("out/web");
    testsupport::writeFile(dir.file(QStringLiteral("out/web/old.html")), "old");
    MarkOutputFolder(dir.file(QStringLiteral("out/web")), true);
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0);
    prompt->answers = {ButtonCancel};
    w.BuildProject(false);
    EXPECT_EQ(prompt->messages.size(), 1);
    EXPECT_TRUE(prompt->messages[0].endsWith(QStringLiteral("\" is not empty folder. It will be emptied. Continue?")));
}

// A project naming a system folder (here a stand-in holding "passwd" and a
// subfolder) as its WebHelp or project-set folder: a batch refuses before
// anything is deleted; the window names the content and asks.
TEST_F(BatchFixture, AFolderHoldingFilesNoBuildWroteIsNeverEmptiedSilently)
{
    const QString etc = dir.file(QStringLiteral("etc"));
    testsupport::writeFile(etc + QStringLiteral("/passwd"), "root:x:0:0");
    testsupport::writeFile(etc + QStringLiteral("/ssh/sshd_config"), "Port 22");
    testsupport::writeFile(dir.file(QStringLiteral("out/help.chm")), "ITSF good chm");
    testsupport::writeFile(dir.file(QStringLiteral("out/help.pdf")), "%PDF-good");
    TfrmMain &w = start();
    w.Project().WebHelpOutputFolder = etc;
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 40);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: Web help must be outputted to a folder.\r\nRefused to empty the WebHelp "
                                            "folder \"%1\": it holds files that no earlier Quillcraft build wrote there: "
                                            "\"passwd\", \"ssh\". Move them away or choose an empty folder.")
                                 .arg(etc));
    // The HTML Help project set kept in such a folder fails as clearly.
    w.Project().WebHelpOutputFolder = QStringLiteral("out/web");
    w.Project().OutputHHP = true;
    w.Project().HHPFolder = etc;
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 100);
    EXPECT_TRUE(w.BatchLine().startsWith(QStringLiteral("Error: Refused to empty the HTML Help project-set folder \"%1\"")
                                             .arg(etc)))
        << w.BatchLine().toStdString();
    EXPECT_EQ(testsupport::readFile(etc + QStringLiteral("/passwd")), QByteArray("root:x:0:0"));
    EXPECT_EQ(testsupport::readFile(etc + QStringLiteral("/ssh/sshd_config")), QByteArray("Port 22"));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.chm"))), QByteArray("ITSF good chm"));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))), QByteArray("%PDF-good"));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("~~$help.docx"))));

    // The window names what is there; Cancel keeps everything.
    prompt->answers = {ButtonCancel};
    w.BuildProject(false);
    ASSERT_EQ(prompt->messages.size(), 1);
    EXPECT_EQ(prompt->messages[0], QStringLiteral("The HTML Help project-set folder \"%1\" holds files that no earlier "
                                                  "Quillcraft build wrote there: \"passwd\", \"ssh\". Emptying the "
                                                  "folder deletes them. Continue?")
                                       .arg(etc));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.chm"))), QByteArray("ITSF good chm"));
}

// A failed build reports its task and leaves the last good compiled file
// and PDF as they were.
TEST_F(BatchFixture, AFailedBuildExitsWithHundredAndReportsTheTask)
{
    testsupport::writeFile(dir.file(QStringLiteral("out/help.chm")), "ITSF good chm");
    testsupport::writeFile(dir.file(QStringLiteral("out/help.pdf")), "%PDF-good");
    failBuild = true;
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 100);
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.chm"))), QByteArray("ITSF good chm"));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))), QByteArray("%PDF-good"));
    EXPECT_TRUE(w.BatchLine().startsWith(QStringLiteral("Error: Error occured when building!\r\n\r\nTaskType: 1")))
        << w.BatchLine().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("~~$help.docx"))));

    w.BuildProject(false);
    ASSERT_FALSE(prompt->messages.isEmpty());
    const QString shown = prompt->messages.last();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Error occured when building!\r\n\r\nTaskType: 1 TaskPos: ")))
        << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\r\nHTML Help: The converter broke.")));
}

// The program itself, as a silent batch builder with no display. The log is
// UTF-8 whatever characters the project's path holds.
TEST(ProgramBatchRun, AMissingProjectLogsBesideTheGivenPathAndFails)
{
    ScratchDir dir;
    QProcess run;
    const QString missing = dir.file(QStringLiteral("Hilfe-Ü/帮助/none.qvx"));
    QDir().mkpath(dir.file(QStringLiteral("Hilfe-Ü/帮助")));
    StartProgram(run, dir, {missing, QStringLiteral("/BS")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 20) << run.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("unnamed.log"))));
    const QByteArray log = testsupport::readFile(dir.file(QStringLiteral("Hilfe-Ü/帮助/none.log")));
    EXPECT_EQ(log, "Quillcraft\r\n\r\nProject: " + missing.toUtf8() + "\r\n\r\nError: " + missing.toUtf8()
                       + " doesn't exist!\r\n");
    EXPECT_TRUE(run.readAllStandardError().contains("doesn't exist!"));
}

// A project on a read-only file system (a read-only bind mount in a mount
// namespace of the run's own; skipped where the system allows none): the
// old compiled file that cannot go is refused with the reason on the next
// line, and standard error says so and why the log could not be written,
// with nothing of Qt's.
TEST(ProgramBatchRun, AReadOnlyPlaceIsNamedOnStandardError)
{
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty() || QProcess::execute(unshare, {QStringLiteral("--user"), QStringLiteral("--map-root-user"),
                                                         QStringLiteral("--mount"), QStringLiteral("true")}) != 0)
        GTEST_SKIP() << "no mount namespace can be made here";
    ScratchDir dir;
    const QString folder = dir.file(QStringLiteral("project"));
    testsupport::writeFile(folder + QStringLiteral("/help.docx"), "docx");
    testsupport::writeFile(folder + QStringLiteral("/out/help.chm"), "ITSF old chm");
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.CompiledFile = QStringLiteral("out/help.chm");
    p.SaveToIni(folder + QStringLiteral("/help.qvx"));
    QProcess run;
    StartProgram(run, dir, {folder + QStringLiteral("/help.qvx"), QStringLiteral("/bs")}, {}, QString(),
                 {unshare, QStringLiteral("--user"), QStringLiteral("--map-root-user"), QStringLiteral("--mount"),
                  QStringLiteral("sh"), QStringLiteral("-c"),
                  QStringLiteral("mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\" && exec \"$@\""),
                  folder});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString errors = QString::fromUtf8(run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 30) << errors.toStdString();
    const QStringList lines = errors.split(u'\n');
    ASSERT_GE(lines.size(), 3) << errors.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Error: \"%1/out/help.chm\" access denied! It has probably been opend.").arg(folder));
    EXPECT_EQ(lines[1], QStringLiteral("Its folder is on a read-only file system."));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Cannot write the file \"%1/help.log\"").arg(folder)))
        << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("QStandardPaths"))) << errors.toStdString();
    EXPECT_EQ(testsupport::readFile(folder + QStringLiteral("/out/help.chm")), QByteArray("ITSF old chm"));
}

// A display that does not answer never aborts the program: a silent batch
// runs offscreen, "/b" builds as "/bs" does, and a plain start says why it
// cannot open its window and ends with a code.
TEST(ProgramBatchRun, ADisplayThatDoesNotAnswerNeverAbortsTheProgram)
{
    ScratchDir dir;
    const QString missing = dir.file(QStringLiteral("none.qvx"));
    const auto runWith = [&](const QStringList &arguments, QString *errors) {
        QProcess run;
        StartProgram(run, dir, arguments, {}, QStringLiteral(":97")); // no server there
        EXPECT_TRUE(run.waitForFinished(60000));
        *errors = QString::fromUtf8(run.readAllStandardError());
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit) << errors->toStdString();
        return run.exitCode();
    };
    QString errors;
    for (const QString &batch : {QStringLiteral("/bs"), QStringLiteral("/b")}) {
        QFile::remove(dir.file(QStringLiteral("none.log")));
        EXPECT_EQ(runWith({missing, batch}, &errors), 20) << errors.toStdString();
        EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("none.log")))) << batch.toStdString();
    }
    EXPECT_EQ(runWith({missing}, &errors), 2);
    EXPECT_TRUE(errors.contains(QStringLiteral("cannot open its window: the display \":97\" does not answer")))
        << errors.toStdString();
}

// A damaged project file: the batch log, the build's only record, names the
// damage rather than the default project's missing source.
TEST(ProgramBatchRun, ADamagedProjectIsNamedInTheLog)
{
    ScratchDir dir;
    const QString project = dir.file(QStringLiteral("damaged.qvx"));
    QByteArray text = QByteArray("\xFF\xFE", 2);
    for (const char c : QByteArray("[GENERAL]\r\nSourceFile=help.docx\r\nHtmlHelpTemplateStream=0C0\r\n"))
        text += QByteArray(1, c) + QByteArray(1, '\0');
    testsupport::writeFile(project, text);
    QProcess run;
    StartProgram(run, dir, {project, QStringLiteral("/bs")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 20);
    const QByteArray log = testsupport::readFile(dir.file(QStringLiteral("damaged.log")));
    EXPECT_TRUE(log.contains("Error: The project file \"" + project.toUtf8() + "\" is damaged")) << log.toStdString();
    EXPECT_EQ(testsupport::readFile(project), text);

    // A pipe in the project's place is named as such, and never waited on.
    const QString pipe = dir.file(QStringLiteral("pipe.qvx"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QProcess piped;
    StartProgram(piped, dir, {pipe, QStringLiteral("/bs")});
    ASSERT_TRUE(piped.waitForFinished(60000));
    EXPECT_EQ(piped.exitCode(), 20);
    EXPECT_TRUE(piped.readAllStandardError().contains(
        "Error: The project file \"" + pipe.toUtf8() + "\" cannot be read!\nIt is a named pipe (FIFO), not a project file."));
}

// A link in the batch log's place (in a project folder received from someone
// else) is not written through: the file it names stays as it was, and the
// run says why on standard error and ends with exit code 1.
TEST(ProgramBatchRun, TheBatchLogIsNeverWrittenThroughALink)
{
    ScratchDir dir;
    const QString project = SaveProjectWithoutOutputs(dir);
    testsupport::writeFile(dir.file(QStringLiteral("profile")), "# mine\n");
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("profile")), dir.file(QStringLiteral("help.log"))));
    QProcess run;
    StartProgram(run, dir, {project, QStringLiteral("/bs")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 1);
    const QByteArray said = run.readAllStandardError();
    EXPECT_TRUE(said.contains("it is a symbolic link")) << said.toStdString();
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("profile"))), QByteArray("# mine\n"));
}

// The context-ID file in "ANSI" is written in the code page of the help's
// language, byte for byte the same under any locale of the build machine
// (Russian titles in windows-1251 under C, C.UTF-8 and ru_RU.UTF-8, made
// for the test where it is missing); each build replaces the file the one
// before it wrote.
TEST(ProgramBatchRun, TheAnsiContextFileFollowsTheHelpLanguageUnderAnyLocale)
{
    ScratchDir dir;
    WriteManual(dir.file(QStringLiteral("help.docx")), {QStringLiteral("Введение"), QStringLiteral("Установка")});
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.CompiledFile = QStringLiteral("out/help.chm");
    p.HtmlHelpOutput = true;
    p.WebHelpOutput = p.PDFOutput = false;
    p.HtmlHelpOutputContext = true;
    p.HtmlHelpContextFile = QStringLiteral("out/HelpTopics.cs");
    p.HtmlHelpContextEncoding = 0;
    p.CHMSetting.Language = QStringLiteral("0x0419");
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    QStringList locales{QStringLiteral("C"), QStringLiteral("C.UTF-8")};
    const QString localeFolder = dir.file(QStringLiteral("locales"));
    QDir().mkpath(localeFolder);
    if (QProcess::execute(QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("ru_RU"), QStringLiteral("-f"),
                                                        QStringLiteral("UTF-8"), localeFolder + QStringLiteral("/ru_RU.UTF-8")})
        == 0)
        locales << QStringLiteral("ru_RU.UTF-8");
    else
        std::fprintf(stderr, "ru_RU.UTF-8 cannot be made here: the build runs under C and C.UTF-8 only\n");
    QByteArray first;
    for (const QString &locale : locales) {
        SCOPED_TRACE(locale.toStdString());
        QProcess run;
        StartProgram(run, dir, {project, QStringLiteral("/bs")},
                     {{QStringLiteral("LC_ALL"), locale}, {QStringLiteral("LOCPATH"), localeFolder}});
        ASSERT_TRUE(run.waitForFinished(300000));
        ASSERT_EQ(run.exitCode(), 0) << testsupport::readFile(dir.file(QStringLiteral("help.log"))).toStdString();
        const QByteArray bytes = testsupport::readFile(dir.file(QStringLiteral("out/HelpTopics.cs")));
        EXPECT_TRUE(bytes.contains("// \xC2\xE2\xE5\xE4\xE5\xED\xE8\xE5 (")) << bytes.toStdString();
        EXPECT_TRUE(bytes.contains("// \xD3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE0 (")) << bytes.toStdString();
        if (first.isEmpty())
            first = bytes;
        EXPECT_EQ(bytes, first);
    }
}

// Numbers of a project file edited by hand are held to a sensible range
// before they reach an output (the WebHelp frames and the HTML Help
// window), except those whose every value has a meaning: a PDF view outside
// its list adds no entry and a negative background copies no image.
TEST(ProgramBatchRun, HandEditedNumbersAreHeldToTheirRangeOrKeepTheirMeaning)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    ScratchDir dir;
    WriteManual(dir.file(QStringLiteral("help.docx")), {QStringLiteral("Intro")});
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.CompiledFile = QStringLiteral("out/help.chm");
    p.WebHelpOutputFolder = QStringLiteral("out/web/");
    p.OutputHHP = true;
    p.HHPFolder = QStringLiteral("out/set/");
    p.PDFFile = QStringLiteral("out/help.pdf");
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    QString text = LoadTextFile(project, QString());
    for (const auto &[stored, edited] : {std::pair{"\r\nNavWidth=270\r\n", "\r\nNavWidth=-50\r\n"},
                                         std::pair{"\r\nWidth=900\r\n", "\r\nWidth=-900\r\n"},
                                         std::pair{"\r\nPaneWidth=270\r\n", "\r\nPaneWidth=-5\r\n"},
                                         std::pair{"\r\nPanes=0\r\n", "\r\nPanes=7\r\n"},
                                         std::pair{"\r\nMagnification=0\r\n", "\r\nMagnification=9\r\n"},
                                         std::pair{"\r\nPageLayout=0\r\n", "\r\nPageLayout=5\r\n"},
                                         std::pair{"\r\nWebBackground=1\r\n", "\r\nWebBackground=-1\r\n"}}) {
        ASSERT_TRUE(text.contains(QLatin1String(stored))) << stored;
        text.replace(QLatin1String(stored), QLatin1String(edited));
    }
    SaveTextFile(text, project, TextEncodingUtf16);

    ASSERT_EQ(BuildSilently(dir, project), 0) << testsupport::readFile(dir.file(QStringLiteral("help.log"))).toStdString();
    const QByteArray frame = testsupport::readFile(dir.file(QStringLiteral("out/web/webhelpframe.html")));
    EXPECT_TRUE(frame.contains("grid-template-columns: 50px 6px 1fr;")) << frame.toStdString();
    const QByteArray set = testsupport::readFile(dir.file(QStringLiteral("out/set/help.hhp")));
    EXPECT_TRUE(set.contains(",270,0x307E,[50,50,750,700],")) << set.toStdString();

    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out/web/back.jpg"))));
    EXPECT_TRUE(testsupport::readFile(dir.file(QStringLiteral("out/web/webhelptop.html"))).contains("background=\"back.jpg\""));
    QPDF pdf;
    pdf.processFile(QFile::encodeName(dir.file(QStringLiteral("out/help.pdf"))).constData());
    QPDFObjectHandle root = pdf.getRoot();
    EXPECT_FALSE(root.hasKey("/PageMode")) << root.unparse();
    EXPECT_FALSE(root.hasKey("/PageLayout")) << root.unparse();
    // The zoom stays the exporter's own, not the 100% of the missing-key value.
    QPDFObjectHandle open = root.getKey("/OpenAction");
    EXPECT_FALSE(open.isArray() && open.getArrayNItems() == 5 && open.getArrayItem(4).isNumber()
                 && open.getArrayItem(4).getNumericValue() == 1)
        << root.unparse();
}

// A Flash movie given by web address is named in the page as it stands; one
// given by a path travels with the pages under a name that stays inside.
TEST(ProgramBatchRun, AFlashMovieByWebAddressKeepsItsAddress)
{
    ScratchDir dir;
    testsupport::writeFile(dir.file(QStringLiteral("media/local.swf")), "FWS");
    const auto flash = [](const QByteArray &rel) {
        return "<w:p><w:r><w:object><v:shape id=\"s" + rel + "\" style=\"width:150pt;height:75pt\"/><w:control r:id=\""
               + rel + "\" w:name=\"ShockwaveFlash1\"/></w:object></w:r></w:p>";
    };
    const auto activeX = [](const QByteArray &movie) {
        return "<ax:ocx xmlns:ax=\"http://schemas.microsoft.com/office/2006/activeX\" "
               "ax:classid=\"{D27CDB6E-AE6D-11CF-96B8-444553540000}\" ax:persistence=\"persistPropertyBag\">"
               "<ax:ocxPr ax:name=\"Movie\" ax:value=\"" + movie + "\"/></ax:ocx>";
    };
    testsupport::DocxBuilder b;
    const QByteArray movies[] = {"http://www.example.com/movies/intro.swf", "media\\local.swf"};
    for (int i = 0; i < 2; ++i)
        b.part(QStringLiteral("word/activeX/activeX%1.xml").arg(i), activeX(movies[i]))
            .relationship(QStringLiteral("rAx%1").arg(i), QLatin1String(word::reltype::Control),
                          QStringLiteral("activeX/activeX%1.xml").arg(i));
    b.body("<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t>Movies</w:t></w:r></w:p>"
           "<w:p><w:r><w:t>Two movies.</w:t></w:r></w:p>" + flash("rAx0") + flash("rAx1"));
    b.write(dir.file(QStringLiteral("help.docx")));
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.HtmlHelpOutput = p.PDFOutput = false;
    p.WebHelpOutputFolder = QStringLiteral("out/web/");
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);

    ASSERT_EQ(BuildSilently(dir, project), 0) << testsupport::readFile(dir.file(QStringLiteral("help.log"))).toStdString();
    QByteArray page;
    for (QDirIterator it(dir.file(QStringLiteral("out/web/pages")), {QStringLiteral("*.html")}); it.hasNext();)
        page += testsupport::readFile(it.next());
    EXPECT_TRUE(page.contains("data=\"http://www.example.com/movies/intro.swf\"")) << page.toStdString();
    EXPECT_TRUE(page.contains("<param name=\"Movie\" value=\"http://www.example.com/movies/intro.swf\">"));
    EXPECT_TRUE(page.contains("data=\"media/local.swf\"")) << page.toStdString();
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/web/pages/media/local.swf"))), QByteArray("FWS"));
}

// A build that fails reports the task's number and progress on the line the
// building window has always used, then the task's name with the message.
TEST(ProgramBatchRun, AFailedBuildNamesTheTaskBeforeItsMessage)
{
    ScratchDir dir;
    testsupport::writeFile(dir.file(QStringLiteral("help.docx")), "not a document");
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    EXPECT_EQ(BuildSilently(dir, project), 100);
    const QString log = QString::fromUtf8(testsupport::readFile(dir.file(QStringLiteral("help.log"))));
    const QString head = QStringLiteral("Error: Error occured when building!\r\n\r\nTaskType: 1 TaskPos: ");
    ASSERT_TRUE(log.contains(head)) << log.toStdString();
    const QString rest = log.mid(log.indexOf(head) + head.size());
    EXPECT_TRUE(rest.contains(QRegularExpression(QStringLiteral("^\\d+\r\nHTML Help: The document \""))))
        << rest.toStdString();
}

namespace {
// Every file below folder, by its path relative to folder.
QStringList FilesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(folder.size() + 1);
    files.sort();
    return files;
}

} // namespace

// The example project built end to end by the program as a silent batch,
// twice at once in two folders of different lengths and under two locales
// (C, and LANG=ar_SA.UTF-8, which LibreOffice reads whether or not the
// system has that locale): both builds succeed (the second runs LibreOffice
// with a profile of its own) and give the same bytes in every output: the
// compiled help file, the PDF (declaring the document's language) and the
// WebHelp folder. Only the log names the project's folder.
TEST(ProgramBatchRun, TheExampleProjectBuildsAllThreeOutputsTheSameEveryTime)
{
    ScratchDir dir;
    const QStringList folders{QStringLiteral("a/example"), QStringLiteral("a much longer folder/below/example")};
    const QList<QList<std::pair<QString, QString>>> locales{
        {{QStringLiteral("LC_ALL"), QStringLiteral("C")}},
        {{QStringLiteral("LC_ALL"), QString()}, {QStringLiteral("LC_CTYPE"), QString()},
         {QStringLiteral("LANG"), QStringLiteral("ar_SA.UTF-8")}}};
    QList<QString> examples;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < 2; ++i) {
        const QString example = dir.file(folders[i]);
        testsupport::copyTree(testsupport::sourceDir() + QStringLiteral("/examples/sample"), example);
        examples << example;
        processes.push_back(std::make_unique<QProcess>());
        StartProgram(*processes.back(), dir, {example + QStringLiteral("/SampleManual.qvx"), QStringLiteral("/bs")},
                     locales[i]);
    }
    const QByteArray projectBytes = testsupport::readFile(testsupport::sourceDir() + QStringLiteral("/examples/sample/SampleManual.qvx"));
    for (int i = 0; i < 2; ++i) {
        const QString example = examples[i];
        const QString project = example + QStringLiteral("/SampleManual.qvx");
        ASSERT_TRUE(processes[size_t(i)]->waitForFinished(300000));
        EXPECT_EQ(processes[size_t(i)]->exitCode(), 0)
            << testsupport::readFile(example + QStringLiteral("/SampleManual.log")).toStdString();
        // The example's title page stands before its first heading: the log says so.
        EXPECT_EQ(testsupport::readFile(example + QStringLiteral("/SampleManual.log")),
                  "Quillcraft\r\n\r\nProject: " + project.toUtf8()
                      + "\r\n\r\nThe build is completed!\r\nThe text before the first heading of the document \""
                      + (example + QStringLiteral("/SampleManual.docx")).toUtf8()
                      + "\" (36 words) is left out of the HTML Help and WebHelp.\r\n");
        // Standard error holds that note and nothing of Qt's.
        EXPECT_EQ(processes[size_t(i)]->readAllStandardError(),
                  "The text before the first heading of the document \""
                      + (example + QStringLiteral("/SampleManual.docx")).toUtf8()
                      + "\" (36 words) is left out of the HTML Help and WebHelp.\n");
        const QByteArray chm = testsupport::readFile(example + QStringLiteral("/HTML help/help.chm"));
        EXPECT_TRUE(chm.startsWith("ITSF"));
        EXPECT_FALSE(chm.contains(OutputFolderMarkerName.toUtf8())); // the build's bookkeeping stays out
        EXPECT_TRUE(QFileInfo::exists(example + QStringLiteral("/WebHelp/index.html")));
        const QByteArray pdf = testsupport::readFile(example + QStringLiteral("/PDF/help.pdf"));
        EXPECT_TRUE(pdf.startsWith("%PDF"));
        EXPECT_TRUE(pdf.contains("/Lang (en-US)")) << "the document's language";
        EXPECT_FALSE(QFileInfo::exists(example + QStringLiteral("/~~$SampleManual.docx")));
        EXPECT_EQ(testsupport::readFile(project), projectBytes); // a batch never rewrites the project
    }
    const QStringList files = FilesBelow(examples[0]);
    ASSERT_EQ(files, FilesBelow(examples[1]));
    EXPECT_GT(files.size(), 20);
    for (const QString &file : files) {
        auto bytesOf = [&](int i) {
            QByteArray bytes = testsupport::readFile(examples[i] + u'/' + file);
            return file.endsWith(QLatin1String(".log")) ? bytes.replace(examples[i].toUtf8(), "<folder>") : bytes;
        };
        EXPECT_TRUE(bytesOf(0) == bytesOf(1)) << file.toStdString() << " differs between two builds";
    }
}

// A second build of a project being built (here the lock is held by the
// test) is refused before anything is deleted or copied; a lock left by a
// killed process does not block.
TEST_F(BatchFixture, ASecondBuildOfAProjectBeingBuiltIsRefusedAndTouchesNothing)
{
    testsupport::writeFile(dir.file(QStringLiteral("out/help.chm")), "ITSF good chm");
    testsupport::writeFile(dir.file(QStringLiteral("out/help.pdf")), "%PDF-good");
    TfrmMain &w = start();
    const QString refused = QStringLiteral("The project \"%1\" is being built by another Quillcraft run (process %2). "
                                           "This build was not started and nothing was changed; build again when the "
                                           "other build has ended.")
                                .arg(projectFile)
                                .arg(QCoreApplication::applicationPid());
    {
        TBuildLock running(w.Project());
        w.BuildProject(true);
        EXPECT_EQ(w.ExitCode(), 100);
        EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: ") + refused);
        w.BuildProject(false);
        ASSERT_EQ(prompt->messages.size(), 1);
        EXPECT_EQ(prompt->messages[0], refused);
        EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.chm"))), QByteArray("ITSF good chm"));
        EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))), QByteArray("%PDF-good"));
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("~~$help.docx"))));
    }
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0) << w.BatchLine().toStdString();
    EXPECT_FALSE(QFileInfo::exists(BuildLockFile(w.Project()))) << "the lock file goes with the build";

    // The lock of a process that was killed: flock(1) holds it, then dies.
    if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
        GTEST_SKIP() << "flock(1) is not installed";
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-o"), BuildLockFile(w.Project()), QStringLiteral("sh"),
                                           QStringLiteral("-c"), QStringLiteral("echo locked; sleep 60")});
    ASSERT_TRUE(holder.waitForReadyRead(30000));
    EXPECT_THROW(TBuildLock probe(w.Project()), Exception);
    ::kill(pid_t(holder.processId()), SIGKILL);
    holder.waitForFinished();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0) << w.BatchLine().toStdString();
}

// The program run as a batch while the project is being built: refused with
// the reason on stderr, and the running build's log and outputs untouched.
TEST(ProgramBatchRun, ARunWhileTheProjectIsBeingBuiltIsRefused)
{
    ScratchDir dir;
    testsupport::writeFile(dir.file(QStringLiteral("help.docx")), "docx");
    testsupport::writeFile(dir.file(QStringLiteral("help.chm")), "ITSF good chm");
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.CompiledFile = QStringLiteral("help.chm");
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    TProject read;
    read.ReadFromIni(project);
    TBuildLock running(read);
    QProcess run;
    StartProgram(run, dir, {project, QStringLiteral("/bs")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 100);
    EXPECT_TRUE(run.readAllStandardError().contains("is being built by another Quillcraft run"));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("help.log"))));
    EXPECT_EQ(testsupport::readFile(dir.file(QStringLiteral("help.chm"))), QByteArray("ITSF good chm"));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("~~$help.docx"))));
}

namespace {
// Processes whose command line holds text.
QList<qint64> ProcessesMentioning(const QString &text)
{
    QList<qint64> found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && testsupport::readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains(text.toUtf8()))
            found << pid;
    }
    return found;
}
} // namespace

// A build killed with SIGKILL while LibreOffice renders its PDF: LibreOffice
// ends with it, and the next run removes what the killed one left in the
// temporary folder.
TEST(ProgramBatchRun, AKilledBuildTakesLibreOfficeWithItAndItsLeftoversGo)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    ScratchDir dir;
    const QString example = dir.file(QStringLiteral("example"));
    testsupport::copyTree(testsupport::sourceDir() + QStringLiteral("/examples/sample"), example);
    const QString temp = dir.file(QStringLiteral("tmp"));
    QDir().mkpath(temp);
    const auto start = [&](QProcess &run, const QStringList &arguments) {
        StartProgram(run, dir, arguments, {{QStringLiteral("TMPDIR"), temp}});
    };
    QProcess build;
    start(build, {example + QStringLiteral("/SampleManual.qvx"), QStringLiteral("/bs")});
    ASSERT_TRUE(build.waitForStarted());
    QList<qint64> office;
    for (int i = 0; i < 3000 && office.isEmpty() && build.state() == QProcess::Running; ++i) {
        QThread::msleep(100);
        office = ProcessesMentioning(temp + QStringLiteral("/quillcraft-lo-"));
    }
    if (office.isEmpty())
        GTEST_SKIP() << "the build ended before LibreOffice was seen";
    ::kill(pid_t(build.processId()), SIGKILL);
    build.waitForFinished();
    for (int i = 0; i < 100 && !ProcessesMentioning(temp + QStringLiteral("/quillcraft-lo-")).isEmpty(); ++i)
        QThread::msleep(100);
    EXPECT_TRUE(ProcessesMentioning(temp + QStringLiteral("/quillcraft-lo-")).isEmpty());
    const QStringList left = QDir(temp).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_FALSE(left.filter(QStringLiteral("quillcraft-lo-")).isEmpty()) << left.join(u' ').toStdString();

    // Any later run (here one that fails at once) removes the leftovers.
    QProcess next;
    start(next, {dir.file(QStringLiteral("none.qvx")), QStringLiteral("/bs")});
    ASSERT_TRUE(next.waitForFinished(60000));
    EXPECT_TRUE(QDir(temp).entryList(QDir::Dirs | QDir::NoDotAndDotDot).filter(QStringLiteral("quillcraft-lo-")).isEmpty());
    const QString runs = temp + QStringLiteral("/quillcraft-") + QString::number(::getuid());
    EXPECT_TRUE(QDir(runs).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
        << QDir(runs).entryList(QDir::Dirs | QDir::NoDotAndDotDot).join(u' ').toStdString();
}

// A few corpus documents built by the program as a silent batch (the whole
// corpus is for scripts/corpus-batch-check.sh): one without headings builds
// all three outputs and says why the help formats are empty, a Word 97-2003
// document goes through LibreOffice, and a password-protected one is refused
// with that reason.
TEST(ProgramBatchRun, CorpusDocumentsBuildOrAreRefusedWithTheirReason)
{
    QC_REQUIRE_CORPUS("docx");
    const struct {
        const char *file;
        int code;
        const char *said; // in the log, or on standard error for a build
    } cases[] = {{"docx/inline_code.docx", 0, "has no headings"},
                 {"doc/innertable.doc", 0, ""},
                 {"docx-bad/bug53475-password-is-pass.docx", 100, "protected by a password"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString source = testsupport::corpusDir() + u'/' + QString::fromLatin1(c.file);
        if (!QFileInfo::exists(source))
            continue;
        ScratchDir dir;
        const QString name = QFileInfo(source).fileName();
        ASSERT_TRUE(QFile::copy(source, dir.file(name)));
        QFile::setPermissions(dir.file(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        TProject p;
        p.SourceFile = name;
        p.CompiledFile = QStringLiteral("out/help.chm");
        p.WebHelpOutputFolder = QStringLiteral("out/web");
        p.PDFFile = QStringLiteral("out/help.pdf");
        p.HtmlHelpOutput = p.WebHelpOutput = p.PDFOutput = true;
        const QString project = dir.file(QStringLiteral("help.qvx"));
        p.SaveToIni(project);
        QProcess run;
        StartProgram(run, dir, {project, QStringLiteral("/bs")});
        ASSERT_TRUE(run.waitForFinished(600000));
        const QByteArray log = testsupport::readFile(dir.file(QStringLiteral("help.log")));
        const QByteArray errors = run.readAllStandardError();
        EXPECT_EQ(run.exitCode(), c.code) << log.toStdString();
        EXPECT_TRUE((c.code == 0 ? errors : log).contains(c.said)) << log.toStdString() << errors.toStdString();
        if (c.code == 0) {
            EXPECT_GT(QFileInfo(dir.file(QStringLiteral("out/help.chm"))).size(), 0);
            EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("out/web/index.html")))
                        || QFileInfo::exists(dir.file(QStringLiteral("out/web/index.htm"))));
            EXPECT_TRUE(testsupport::readFile(dir.file(QStringLiteral("out/help.pdf"))).startsWith("%PDF"));
        }
    }
}

// A build killed (SIGKILL, as kill -9 does) while it empties the WebHelp
// folder, here as it is about to delete the last of the earlier build's
// files: the folder's list still names what is left, so the next batch build
// empties and rebuilds the folder rather than refusing it as foreign.
TEST(ProgramBatchRun, ABuildKilledWhileEmptyingTheWebHelpFolderLeavesItListed)
{
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        GTEST_SKIP() << "strace is not installed";
    ScratchDir dir;
    QStringList titles;
    for (int i = 1; i <= 20; ++i)
        titles << QStringLiteral("Chapter %1").arg(i);
    WriteManual(dir.file(QStringLiteral("help.docx")), titles);
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.WebHelpOutputFolder = QStringLiteral("web");
    p.WebHelpOutput = true;
    p.HtmlHelpOutput = p.PDFOutput = false;
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    const auto build = [&](const QStringList &wrapper) {
        QProcess run;
        StartProgram(run, dir, {project, QStringLiteral("/bs")}, {}, QString(), wrapper);
        EXPECT_TRUE(run.waitForFinished(300000));
        return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
    };
    ASSERT_EQ(build({}), 0) << testsupport::readFile(dir.file(QStringLiteral("help.log"))).toStdString();

    const QString web = dir.file(QStringLiteral("web"));
    QStringList files = FilesBelow(web);
    files.removeAll(OutputFolderMarkerName);
    ASSERT_GT(files.size(), 20);
    QStringList wrapper{strace, QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                        QStringLiteral("-e"), QStringLiteral("trace=unlink,unlinkat"), QStringLiteral("-e"),
                        QStringLiteral("inject=unlink,unlinkat:signal=KILL:when=%1").arg(files.size())};
    for (const QString &file : std::as_const(files))
        wrapper << QStringLiteral("-P") << web + u'/' + file;
    EXPECT_NE(build(wrapper), 0) << "the build was not killed";
    ASSERT_FALSE(FilesBelow(web).isEmpty());

    EXPECT_EQ(build({}), 0) << testsupport::readFile(dir.file(QStringLiteral("help.log"))).toStdString();
    EXPECT_TRUE(QFileInfo::exists(web + QStringLiteral("/index.html")));
    EXPECT_EQ(ForeignOutputContent(web), QStringList());
}

namespace {

// One entry of a template package: name length, UTF-16 name, size, bytes.
QByteArray PackageEntry(const QString &name, const QByteArray &data)
{
    QByteArray out;
    const auto int64 = [&out](qint64 value) {
        for (int i = 0; i < 8; ++i)
            out += char((value >> (8 * i)) & 0xFF);
    };
    int64(name.size());
    out += QByteArray(reinterpret_cast<const char *>(name.utf16()), name.size() * 2);
    int64(data.size());
    return out + data;
}

// Runs the program as a silent batch on project; fails the test (and ends
// the run) when it has not finished within the time given. said receives
// its standard error.
int RunBatch(const ScratchDir &dir, const QString &project, int seconds = 300,
             const QList<std::pair<QString, QString>> &extra = {}, QByteArray *said = nullptr)
{
    QProcess run;
    StartProgram(run, dir, {project, QStringLiteral("/bs")}, extra);
    if (!run.waitForFinished(seconds * 1000)) {
        run.kill();
        run.waitForFinished();
        ADD_FAILURE() << project.toStdString() << ": the build did not end within " << seconds << " seconds";
        return -1;
    }
    if (said)
        *said = run.readAllStandardError();
    return run.exitCode();
}

QString LogOf(const QString &project)
{
    return QString::fromUtf8(testsupport::readFile(QFileInfo(project).path() + u'/'
                                                   + QFileInfo(project).completeBaseName() + QStringLiteral(".log")));
}

} // namespace

// Template entries named "x" and "x\n../id_rsa" (or with a lone CR) in a
// project that keeps its project set in ~/.ssh/qcset/: the package is
// refused when the project is read, naming it and the entry, so no project
// set lists ../id_rsa and nothing outside the set is packed.
TEST(ProgramBatchRun, TemplateEntryNamesCannotAddLinesToTheProjectSet)
{
    for (const QString &name : {QStringLiteral("x\n../id_rsa"), QStringLiteral("x\r../id_rsa")}) {
        ScratchDir dir;
        testsupport::writeFile(dir.file(QStringLiteral(".ssh/id_rsa")), "PRIVATE KEY");
        WriteManual(dir.file(QStringLiteral("help.docx")), {QStringLiteral("Intro")});
        TProject p;
        p.SourceFile = QStringLiteral("help.docx");
        p.CompiledFile = QStringLiteral("out/help.chm");
        p.WebHelpOutput = p.PDFOutput = false;
        p.OutputHHP = true;
        p.HHPFolder = dir.file(QStringLiteral(".ssh/qcset/"));
        p.HtmlHelpTemplateStream = PackageEntry(QStringLiteral("x"), "<html><body>($content$)</body></html>")
                                 + PackageEntry(name, "x");
        const QString project = dir.file(QStringLiteral("help.qvx"));
        p.SaveToIni(project);
        EXPECT_EQ(RunBatch(dir, project), 20);
        const QString log = LogOf(project);
        EXPECT_TRUE(log.contains(QStringLiteral("\"HtmlHelpTemplateStream\" holds the file name \"x<U+000%1>../id_rsa\"")
                                     .arg(name[1] == u'\n' ? QStringLiteral("A") : QStringLiteral("D"))))
            << log.toStdString();
        const QStringList set = QString::fromLatin1(testsupport::readFile(dir.file(QStringLiteral(".ssh/qcset/help.hhp"))))
                                    .split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        EXPECT_FALSE(set.contains(QStringLiteral("../id_rsa"))) << "the project set lists the key";
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out/help.chm"))));
    }
}

// Output paths set to a file that no build wrote (a document, a program) or
// to a file the build keeps beside the project (its log, its lock, its
// working copy): refused before any work with 30 or 50, naming the file,
// which stays as it was.
TEST(ProgramBatchRun, OutputsNeverReplaceFilesNoBuildWrote)
{
    ScratchDir dir;
    WriteManual(dir.file(QStringLiteral("help.docx")), {QStringLiteral("Intro")});
    testsupport::writeFile(dir.file(QStringLiteral("Documents/thesis.docx")), "PK thesis");
    testsupport::writeFile(dir.file(QStringLiteral("bin/tool")), "\x7f" "ELF tool");
    const struct {
        bool pdf;
        QString setting, file, why;
    } cases[] = {
        {true, QStringLiteral("<My Documents>/thesis.docx"), dir.file(QStringLiteral("Documents/thesis.docx")),
         QStringLiteral("it is not a PDF file")},
        {false, dir.file(QStringLiteral("bin/tool")), dir.file(QStringLiteral("bin/tool")),
         QStringLiteral("it is not a compiled help file")},
        {true, QStringLiteral("help.log"), dir.file(QStringLiteral("help.log")), QStringLiteral("the batch log")},
        {false, QStringLiteral(".help.qvx.building"), dir.file(QStringLiteral(".help.qvx.building")),
         QStringLiteral("the lock")},
        {true, QStringLiteral("~~$help.docx"), dir.file(QStringLiteral("~~$help.docx")),
         QStringLiteral("working copy")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.setting.toStdString());
        TProject p;
        p.SourceFile = QStringLiteral("help.docx");
        p.HtmlHelpOutput = !c.pdf;
        p.PDFOutput = c.pdf;
        p.WebHelpOutput = false;
        (c.pdf ? p.PDFFile : p.CompiledFile) = c.setting;
        const QString project = dir.file(QStringLiteral("help.qvx"));
        p.SaveToIni(project);
        const QByteArray before = testsupport::readFile(c.file);
        EXPECT_EQ(RunBatch(dir, project), c.pdf ? 50 : 30);
        const QString log = LogOf(project);
        EXPECT_TRUE(log.contains(QStringLiteral("Error: Refused to ")) && log.contains(u'"' + c.file + u'"')
                    && log.contains(c.why))
            << log.toStdString();
        if (!before.isEmpty() && !c.setting.endsWith(QStringLiteral(".log"))) {
            EXPECT_EQ(testsupport::readFile(c.file), before);
        }
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("~~$help.docx"))));
    }
}

// A NUL inside a stored path (CompiledFile=out/help.chm<NUL>x) is refused
// when the project is read, naming the key: no run leaves a cut file, and
// the next run does not hang.
TEST(ProgramBatchRun, APathHoldingANulIsRefusedWhenTheProjectIsRead)
{
    ScratchDir dir;
    WriteManual(dir.file(QStringLiteral("help.docx")), {QStringLiteral("Intro")});
    TProject p;
    p.SourceFile = QStringLiteral("help.docx");
    p.CompiledFile = QStringLiteral("out/help.chm") + QChar(0) + QStringLiteral("x");
    p.WebHelpOutput = p.PDFOutput = false;
    const QString project = dir.file(QStringLiteral("help.qvx"));
    p.SaveToIni(project);
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(RunBatch(dir, project, 120), 20);
        EXPECT_TRUE(LogOf(project).contains(QStringLiteral("the path of CompiledFile holds a NUL character")))
            << LogOf(project).toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out"))));
}

// A hard link in the lock's place (ln notes.txt .help.qvx.building), or a
// file of the user's moved there: the build is refused, naming it, and the
// file keeps its content. A lock left by an ended build does not block.
TEST(ProgramBatchRun, TheLockNeverOpensAFileOfTheUsers)
{
    ScratchDir dir;
    const QString project = SaveProjectWithoutOutputs(dir);
    const QString notes = dir.file(QStringLiteral("notes.txt"));
    const QString lock = dir.file(QStringLiteral(".help.qvx.building"));
    testsupport::writeFile(notes, "my notes\n");
    ASSERT_EQ(::link(QFile::encodeName(notes).constData(), QFile::encodeName(lock).constData()), 0);
    QByteArray said;
    EXPECT_EQ(RunBatch(dir, project, 300, {}, &said), 100);
    EXPECT_TRUE(said.contains("\"" + lock.toUtf8() + "\" stands where its lock goes")) << said.toStdString();
    EXPECT_EQ(testsupport::readFile(notes), QByteArray("my notes\n"));
    QFile::remove(notes);
    EXPECT_EQ(RunBatch(dir, project), 100);
    EXPECT_EQ(testsupport::readFile(lock), QByteArray("my notes\n"));

    testsupport::writeFile(lock, "4194304\n"); // a process that has ended
    EXPECT_EQ(RunBatch(dir, project), 0) << LogOf(project).toStdString();
    EXPECT_FALSE(QFileInfo::exists(lock));
}

// Four projects sharing one document, built at once, round after round:
// every build succeeds on a working copy of its own, and none is left.
TEST(ProgramBatchRun, ProjectsSharingADocumentBuildAtOnce)
{
    ScratchDir dir;
    const QString document = dir.file(QStringLiteral("doc/manual.docx"));
    QDir().mkpath(dir.file(QStringLiteral("doc")));
    QStringList titles;
    for (int i = 1; i <= 40; ++i)
        titles << QStringLiteral("Chapter %1").arg(i);
    WriteManual(document, titles);
    QStringList projects;
    for (int i = 1; i <= 4; ++i) {
        TProject p;
        p.SourceFile = document;
        p.CompiledFile = QStringLiteral("out/help.chm");
        p.WebHelpOutputFolder = QStringLiteral("out/web/");
        p.PDFOutput = false;
        projects << dir.file(QStringLiteral("p%1/help.qvx").arg(i));
        p.SaveToIni(projects.last());
    }
    for (int round = 0; round < 4; ++round) {
        std::vector<std::unique_ptr<QProcess>> runs;
        for (const QString &project : projects) {
            runs.push_back(std::make_unique<QProcess>());
            StartProgram(*runs.back(), dir, {project, QStringLiteral("/bs")});
        }
        for (size_t i = 0; i < runs.size(); ++i) {
            ASSERT_TRUE(runs[i]->waitForFinished(300000));
            EXPECT_EQ(runs[i]->exitCode(), 0) << "round " << round << ": " << LogOf(projects[int(i)]).toStdString();
        }
    }
    EXPECT_EQ(QDir(dir.file(QStringLiteral("doc"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("manual.docx")});
}
