// The build command's checks and exit codes, the batch log, and the program
// run as a silent batch builder.
#include "AppTestSupport.h"

#include "app/Building.h"
#include "app/whelp.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

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
    void HtmlHelpCompile() override { testsupport::writeFile(project_.RealPath(1), "chm"); }
    void WebHelp() override { testsupport::writeFile(project_.RealPath(2) + QStringLiteral("index.html"), "web"); }
    void FreeOutput() override {}
    void Pdf(const QString &, const QString &pdf, const std::function<void(int)> &progress) override
    {
        progress(100);
        testsupport::writeFile(pdf, "%PDF");
    }

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

    void SetUp() override
    {
        TfrmBuilding::SetOutputsFactory(
            [this](TProject &p) { return std::make_unique<FakeOutputs>(p, failBuild); });
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
        TStartup startup;
        startup.ProjectFile = projectFile;
        startup.Switch = sw;
        window = std::make_unique<TfrmMain>(startup);
        window->FormCreate();
        return *window;
    }
};

// Starts the program with no display and the user's folders in dir.
void StartProgram(QProcess &run, const ScratchDir &dir, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    run.start(testsupport::buildDir() + QStringLiteral("/bin/quillcraft"), arguments);
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

TEST_F(BatchFixture, NoOutputChosenBuildsNothingAndSucceeds)
{
    TfrmMain &w = start();
    w.Project().HtmlHelpOutput = w.Project().WebHelpOutput = w.Project().PDFOutput = false;
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("out"))));
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

TEST_F(BatchFixture, OldOutputsThatCannotBeDeletedStopWithThirtyAndFifty)
{
    // An old output that is a non-empty folder cannot be removed as a file.
    QDir().mkpath(dir.file(QStringLiteral("out/help.chm/locked")));
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 30);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: \"%1\" access denied! It has probably been opend.")
                                 .arg(dir.file(QStringLiteral("out/help.chm"))));

    QDir(dir.file(QStringLiteral("out/help.chm"))).removeRecursively();
    QDir().mkpath(dir.file(QStringLiteral("out/help.pdf/locked")));
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 50);
    EXPECT_EQ(w.BatchLine(), QStringLiteral("Error: \"%1\" access denied! It has probably been opend")
                                 .arg(dir.file(QStringLiteral("out/help.pdf"))));
    EXPECT_TRUE(QFileInfo::exists(dir.file(QStringLiteral("out/help.pdf/locked"))));

    // Interactively the question repeats on Retry; Abort stops without another message.
    prompt->answers = {ButtonRetry, ButtonAbort};
    w.BuildProject(false);
    EXPECT_EQ(w.ExitCode(), 50);
    ASSERT_EQ(prompt->messages.size(), 2);
    EXPECT_EQ(prompt->messages[0], QLatin1Char('"') + dir.file(QStringLiteral("out/help.pdf"))
                                       + QStringLiteral("\" access denied! It has probably been opend. Please close it and Retry."));
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
    EXPECT_TRUE(w.BatchLine().startsWith(QStringLiteral("Error: Web help must be outputted to a folder.")));
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

    // An ordinary non-empty folder is emptied without a question in a batch,
    // and only after the question interactively.
    w.Project().WebHelpOutputFolder = QStringLiteral("out/web");
    testsupport::writeFile(dir.file(QStringLiteral("out/web/old.html")), "old");
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 0);
    prompt->answers = {ButtonCancel};
    w.BuildProject(false);
    EXPECT_EQ(prompt->messages.size(), 1);
    EXPECT_TRUE(prompt->messages[0].endsWith(QStringLiteral("\" is not empty folder. It will be emptied. Continue?")));
}

TEST_F(BatchFixture, AFailedBuildExitsWithHundredAndReportsTheTask)
{
    failBuild = true;
    TfrmMain &w = start();
    w.BuildProject(true);
    EXPECT_EQ(w.ExitCode(), 100);
    EXPECT_TRUE(w.BatchLine().startsWith(QStringLiteral("Error: Error occured when building!\r\n\r\nTaskType: 1")))
        << w.BatchLine().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("~~$help.docx"))));

    w.BuildProject(false);
    ASSERT_FALSE(prompt->messages.isEmpty());
    const QString shown = prompt->messages.last();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Error occured when building!\r\n\r\nTaskType: 1 TaskPos: ")))
        << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\r\nThe converter broke.")));
}

// The program itself, as a silent batch builder with no display.
TEST(ProgramBatchRun, AMissingProjectLogsBesideTheGivenPathAndFails)
{
    ScratchDir dir;
    QProcess run;
    const QString missing = dir.file(QStringLiteral("sub/none.qvx"));
    QDir().mkpath(dir.file(QStringLiteral("sub")));
    StartProgram(run, dir, {missing, QStringLiteral("/BS")});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 20) << run.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("unnamed.log"))));
    const QByteArray log = testsupport::readFile(dir.file(QStringLiteral("sub/none.log")));
    EXPECT_TRUE(log.startsWith("Quillcraft\r\n\r\nProject: " + missing.toUtf8() + "\r\n\r\nError: The source file"))
        << log.toStdString();
    EXPECT_TRUE(run.readAllStandardError().contains("doesn't exist!"));
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
}

namespace {
// Copies a folder's files (one level of subfolders is enough for the example).
void CopyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir())
            CopyTree(entry.filePath(), target);
        else
            ASSERT_TRUE(QFile::copy(entry.filePath(), target));
    }
}

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

// A file's bytes with the dates its format stores (and what is derived from
// them) blanked: the PDF's creation and modification dates, document ID,
// checksum and XMP identifiers. LibreOffice also resolves a relative file link against
// the scratch folder it converts in, whose name changes with every run.
QByteArray WithoutDates(const QString &path)
{
    QByteArray bytes = testsupport::readFile(path);
    if (path.endsWith(QLatin1String(".pdf"))) {
        static const QRegularExpression dates(QStringLiteral(
            "(/CreationDate|/ModDate)\\s*\\([^)]*\\)|/ID\\s*\\[[^\\]]*\\]|"
            "<xmp:(CreateDate|ModifyDate|MetadataDate)>[^<]*<|uuid:[0-9a-fA-F-]+|/quillcraft-lo-[A-Za-z0-9]{6}/|"
            "/DocChecksum\\s*/[0-9A-F]+"));
        QString text = QString::fromLatin1(bytes);
        text.replace(dates, QStringLiteral("#"));
        bytes = text.toLatin1();
    }
    return bytes;
}

} // namespace

// The example project built end to end by the program as a silent batch,
// twice at once in two folders of the same layout: both builds succeed (the
// second runs LibreOffice with a profile of its own) and give the same bytes
// in every output, but for the dates the PDF stores. The compiler stores the
// time it ran in several places of the compiled help file, some compressed:
// the project set it compiles, kept for the purpose, is compared instead.
TEST(ProgramBatchRun, TheExampleProjectBuildsAllThreeOutputsTheSameEveryTime)
{
    ScratchDir dir;
    const QStringList runs{QStringLiteral("a"), QStringLiteral("b")};
    QList<QString> examples;
    std::vector<std::unique_ptr<QProcess>> processes;
    QByteArray projectBytes;
    for (const QString &name : runs) {
        const QString example = dir.file(name + QStringLiteral("/example"));
        CopyTree(testsupport::sourceDir() + QStringLiteral("/examples/sample"), example);
        examples << example;
        const QString projectFile = example + QStringLiteral("/SampleManual.qvx");
        QString settings = QString::fromUtf16(
            reinterpret_cast<const char16_t *>(testsupport::readFile(projectFile).constData() + 2),
            (testsupport::readFile(projectFile).size() - 2) / 2);
        ASSERT_TRUE(settings.contains(QStringLiteral("\r\nOutputHHP=0\r\n")));
        settings.replace(QStringLiteral("\r\nOutputHHP=0\r\n"), QStringLiteral("\r\nOutputHHP=1\r\n"));
        projectBytes = QByteArray("\xFF\xFE", 2)
                     + QByteArray(reinterpret_cast<const char *>(settings.utf16()), settings.size() * 2);
        testsupport::writeFile(projectFile, projectBytes);
        processes.push_back(std::make_unique<QProcess>());
        StartProgram(*processes.back(), dir, {example + QStringLiteral("/SampleManual.qvx"), QStringLiteral("/bs")});
    }
    for (int i = 0; i < 2; ++i) {
        const QString example = examples[i];
        const QString project = example + QStringLiteral("/SampleManual.qvx");
        ASSERT_TRUE(processes[size_t(i)]->waitForFinished(300000));
        EXPECT_EQ(processes[size_t(i)]->exitCode(), 0)
            << testsupport::readFile(example + QStringLiteral("/SampleManual.log")).toStdString();
        EXPECT_EQ(testsupport::readFile(example + QStringLiteral("/SampleManual.log")),
                  "Quillcraft\r\n\r\nProject: " + project.toUtf8() + "\r\n\r\nThe build is completed!\r\n");
        EXPECT_GT(QFileInfo(example + QStringLiteral("/HTML help/help.chm")).size(), 0);
        EXPECT_TRUE(QFileInfo::exists(example + QStringLiteral("/WebHelp/index.html")));
        EXPECT_TRUE(testsupport::readFile(example + QStringLiteral("/PDF/help.pdf")).startsWith("%PDF"));
        EXPECT_FALSE(QFileInfo::exists(example + QStringLiteral("/~~$SampleManual.docx")));
        EXPECT_EQ(testsupport::readFile(project), projectBytes); // a batch never rewrites the project
    }
    const QStringList files = FilesBelow(examples[0]);
    ASSERT_EQ(files, FilesBelow(examples[1]));
    EXPECT_TRUE(files.contains(QStringLiteral("HTML help project/help.hhp")));
    EXPECT_GT(files.size(), 20);
    for (const QString &file : files) {
        if (file.endsWith(QLatin1String(".chm")))
            continue;
        // The log and the project set name files by their full paths.
        auto bytesOf = [&](int i) {
            return WithoutDates(examples[i] + u'/' + file).replace(examples[i].toUtf8(), "<folder>");
        };
        EXPECT_TRUE(bytesOf(0) == bytesOf(1)) << file.toStdString() << " differs between two builds";
    }
}
