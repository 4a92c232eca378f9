// The build worker: progress through a whole build, failure reports, the
// working copy and the engine's lifetime, run through recording outputs.
#include "builder/build.h"

#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/StopRequest.h"
#include "project/ProjectSetting.h"
#include "platform/DocxBuilder.h"
#include "platform/word/LibreOffice.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMutex>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <new>

using testsupport::ScratchDir;

namespace {

// Records what the worker asks for; a step named in failAt throws. The
// compile and the PDF run on threads of their own.
class RecordingOutputs : public TBuildOutputs {
public:
    QStringList calls;
    QString failAt;
    QString workingCopySeen;
    QString projectFolder;
    QString pdfFile;
    bool workingCopyExisted = false;
    bool pdfWaitsForStop = false; // the PDF runs until the build asks it to stop
    std::atomic<bool> pdfStopped{false};
    QMutex mutex;

    QString outOfMemoryAt;

    void record(const QString &name)
    {
        QMutexLocker lock(&mutex);
        calls << name;
    }
    void step(const QString &name)
    {
        record(name);
        if (name == outOfMemoryAt)
            throw std::bad_alloc();
        if (name == failAt)
            throw Exception(QStringLiteral("failed in ") + name
                            + (workingCopySeen.isEmpty() ? QString() : QStringLiteral(" reading ") + workingCopySeen));
    }
    void StartWord() override { step(QStringLiteral("start")); }
    void QuitWord() override { record(QStringLiteral("quit")); }
    void Convert(int outputType, const QString &workingCopy, const std::function<void(int)> &progress) override
    {
        workingCopySeen = workingCopy;
        workingCopyExisted = QFileInfo::exists(workingCopy);
        for (int p : {0, 1, 40, 50, 80, 100}) {
            progress(p);
            if (p == 50)
                step(QStringLiteral("convert%1").arg(outputType));
        }
    }
    void SplitTopics() override { step(QStringLiteral("split")); }
    void HtmlHelpPages(const QString &folder) override
    {
        projectFolder = folder;
        QDir().mkpath(folder);
        testsupport::writeFile(folder + QStringLiteral("help.hhp"), "[OPTIONS]");
        step(QStringLiteral("pages"));
    }
    void HtmlHelpContextFile() override { step(QStringLiteral("context")); }
    void HtmlHelpCompile() override
    {
        record(QStringLiteral("compile"));
        if (failAt == QStringLiteral("compile"))
            throw Exception(QStringLiteral("Compiling failed; the output is in \"%1help.log\".").arg(projectFolder));
    }
    void WebHelp() override { step(QStringLiteral("webhelp")); }
    void FreeOutput() override {}
    void Pdf(const QString &, const QString &pdf, const std::function<void(int)> &progress) override
    {
        pdfFile = pdf;
        for (int p : {20, 45, 80})
            progress(p);
        if (pdfWaitsForStop) {
            QElapsedTimer clock;
            clock.start();
            while (!stoprequest::Requested() && clock.elapsed() < 20000)
                QThread::msleep(5);
            pdfStopped = stoprequest::Requested();
            throw Exception(QStringLiteral("stopped"));
        }
        testsupport::writeFile(pdf, "%PDF new");
        progress(100);
        step(QStringLiteral("pdf"));
    }
};

struct BuildFixture : ::testing::Test {
    ScratchDir dir;
    TProject project;
    RecordingOutputs *outputs = nullptr;
    QList<int> positions;

    void SetUp() override
    {
        project.SourceFile = dir.file(QStringLiteral("doc.docx"));
        testsupport::writeFile(project.SourceFile, "document bytes");
        project.PDFFile = dir.file(QStringLiteral("out/help.pdf"));
        project.HtmlHelpOutput = project.WebHelpOutput = project.PDFOutput = true;
    }
    std::unique_ptr<Tbuild> makeWorker()
    {
        auto recording = std::make_unique<RecordingOutputs>();
        outputs = recording.get();
        auto worker = std::make_unique<Tbuild>(project, std::move(recording));
        worker->FOnUpdate = [this](Tbuild *sender) { positions << sender->Position; };
        return worker;
    }
};

} // namespace

TEST_F(BuildFixture, ThreeOutputsReportTheWholeBuildInOneScale)
{
    auto worker = makeWorker();
    worker->Execute();
    ASSERT_FALSE(worker->Failed) << worker->ErrorMsg.toStdString();
    EXPECT_EQ(worker->ValuePerTask, 33);
    const QList<int> sequence = positions;
    EXPECT_EQ(testsupport::readFile(project.PDFFile), QByteArray("%PDF new"));
    // Word started, HTML Help conversion from 2 to 12, split, title, maker, pages, compile, end.
    EXPECT_EQ(sequence.first(), 2);
    EXPECT_TRUE(sequence.contains(12) && sequence.contains(20) && sequence.contains(23));
    EXPECT_EQ(sequence.last(), 100);
    for (int landmark : {26, 31, 33, 41, 49, 59, 64, 66, 73, 81, 92, 99})
        EXPECT_TRUE(sequence.contains(landmark)) << landmark;
    for (int i = 1; i < sequence.size(); ++i)
        EXPECT_LE(sequence[i - 1], sequence[i]) << "progress went back at report " << i;
    // The compile and the PDF run beside the conversions, within the engine's lifetime.
    QStringList onWorker = outputs->calls;
    onWorker.removeAll(QStringLiteral("compile"));
    onWorker.removeAll(QStringLiteral("pdf"));
    EXPECT_EQ(onWorker, (QStringList{"start", "convert1", "split", "pages", "convert2", "split", "webhelp", "quit"}));
    EXPECT_GT(outputs->calls.indexOf(QStringLiteral("compile")), outputs->calls.indexOf(QStringLiteral("pages")));
    EXPECT_GT(outputs->calls.indexOf(QStringLiteral("pdf")), 0);
    EXPECT_EQ(outputs->calls.last(), QStringLiteral("quit"));
}

TEST_F(BuildFixture, OneOrTwoOutputsShareTheScale)
{
    project.WebHelpOutput = project.PDFOutput = false;
    auto one = makeWorker();
    one->Execute();
    EXPECT_EQ(one->ValuePerTask, 100);
    EXPECT_EQ(positions.first(), 5);

    positions.clear();
    project.PDFOutput = true;
    auto two = makeWorker();
    two->Execute();
    EXPECT_EQ(two->ValuePerTask, 50);
    // The HTML Help output ends at 50, where the PDF output starts.
    const int firstPdf = positions.indexOf(60); // 20 % of the PDF's half
    ASSERT_GT(firstPdf, 0);
    EXPECT_EQ(positions[firstPdf - 1], 50);
}

TEST_F(BuildFixture, AFailedConversionNamesTheOutputAndCleansUp)
{
    testsupport::writeFile(project.PDFFile, "%PDF old");
    auto worker = makeWorker();
    outputs->failAt = QStringLiteral("convert1");
    worker->Execute();
    EXPECT_TRUE(worker->Failed);
    // The PDF rendered beside the failed output is not put in place.
    EXPECT_EQ(testsupport::readFile(project.PDFFile), QByteArray("%PDF old"));
    // The message names the document, not its working copy that is gone now.
    EXPECT_EQ(worker->ErrorMsg, QStringLiteral("failed in convert1 reading ") + project.SourceFile);
    EXPECT_EQ(worker->TaskType, 1);
    EXPECT_LT(worker->Position - worker->TaskPos, 33);
    EXPECT_EQ(outputs->calls.last(), QStringLiteral("quit")); // the engine is quit after a failure too
    EXPECT_FALSE(QFileInfo::exists(Tbuild::WorkingCopyName(project.SourceFile)));
    EXPECT_TRUE(QFileInfo::exists(project.SourceFile));

    // A failure stops the PDF output still running beside it; its own
    // failure is not the one reported.
    auto stopping = makeWorker();
    outputs->failAt = QStringLiteral("webhelp");
    outputs->pdfWaitsForStop = true;
    stopping->Execute();
    EXPECT_TRUE(stopping->Failed);
    EXPECT_TRUE(outputs->pdfStopped);
    EXPECT_EQ(stopping->ErrorMsg, QStringLiteral("failed in webhelp reading ") + project.SourceFile);
    EXPECT_EQ(stopping->TaskType, 2);
    EXPECT_EQ(testsupport::readFile(project.PDFFile), QByteArray("%PDF old"));

    // A compile that fails while the WebHelp is made is reported on the
    // HTML Help, at the place in it where the compile started.
    auto compiling = makeWorker();
    outputs->failAt = QStringLiteral("compile");
    compiling->Execute();
    EXPECT_TRUE(compiling->Failed);
    EXPECT_TRUE(outputs->calls.contains(QStringLiteral("webhelp")));
    EXPECT_EQ(compiling->TaskType, 1);
    EXPECT_EQ(compiling->Position - compiling->TaskPos, 31); // 95 % of the HTML Help's 33
}

// Running out of memory ends the build with a message naming the document,
// and the build cleans up as after any failure.
TEST_F(BuildFixture, OutOfMemoryBecomesAMessageNamingTheDocument)
{
    auto worker = makeWorker();
    outputs->outOfMemoryAt = QStringLiteral("split");
    worker->Execute();
    EXPECT_TRUE(worker->Failed);
    EXPECT_TRUE(worker->ErrorMsg.contains(u'"' + project.SourceFile + u'"')) << worker->ErrorMsg.toStdString();
    EXPECT_TRUE(worker->ErrorMsg.contains(QStringLiteral("memory"))) << worker->ErrorMsg.toStdString();
    EXPECT_EQ(outputs->calls.last(), QStringLiteral("quit"));
    EXPECT_FALSE(QFileInfo::exists(Tbuild::WorkingCopyName(project.SourceFile)));
    EXPECT_EQ(ExceptionText(std::bad_alloc()), QStringLiteral("There is not enough memory for this work."));
}

TEST_F(BuildFixture, TheWorkingCopyIsFreshAndGoesAway)
{
    const QString copy = Tbuild::WorkingCopyName(project.SourceFile);
    EXPECT_EQ(copy, dir.file(QStringLiteral("~~$doc.docx")));
    testsupport::writeFile(copy, "stale copy of an earlier run");
    auto worker = makeWorker();
    worker->Execute();
    EXPECT_FALSE(worker->Failed);
    EXPECT_EQ(outputs->workingCopySeen, copy);
    EXPECT_TRUE(outputs->workingCopyExisted);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(testsupport::readFile(project.SourceFile), QByteArray("document bytes"));
}

TEST_F(BuildFixture, AMissingSourceFailsBeforeTheEngineStarts)
{
    QFile::remove(project.SourceFile);
    auto worker = makeWorker();
    worker->Execute();
    EXPECT_TRUE(worker->Failed);
    EXPECT_TRUE(worker->ErrorMsg.contains(project.SourceFile)) << worker->ErrorMsg.toStdString();
    EXPECT_TRUE(outputs->calls.isEmpty()); // neither started nor quit
}

TEST_F(BuildFixture, HtmlHelpGetsTitleAndProjectSetFolder)
{
    project.WebHelpOutput = project.PDFOutput = false;
    project.Title = QStringLiteral("Project title");
    project.HtmlHelpTitle = QStringLiteral("Own title");
    project.HtmlHelpTitleSame = false;
    project.HtmlHelpOutputContext = true;
    auto worker = makeWorker();
    worker->Execute();
    EXPECT_EQ(project.CHMSetting.Title, QStringLiteral("Own title"));
    EXPECT_TRUE(outputs->projectFolder.startsWith(GetSafeTempFolder())) << outputs->projectFolder.toStdString();
    EXPECT_TRUE(outputs->projectFolder.endsWith(QStringLiteral("/~marrowby/")));
    EXPECT_TRUE(outputs->calls.contains(QStringLiteral("context")));

    project.HtmlHelpTitleSame = true;
    project.OutputHHP = true;
    project.HHPFolder = dir.file(QStringLiteral("hhp"));
    auto again = makeWorker();
    again->Execute();
    EXPECT_EQ(project.CHMSetting.Title, QStringLiteral("Project title"));
    EXPECT_EQ(outputs->projectFolder, project.RealPath(5));
}

// Two builds at once must not share the project set's folder; it goes away
// with its build, failed or not.
TEST_F(BuildFixture, EachBuildHasItsOwnProjectSetFolder)
{
    project.WebHelpOutput = project.PDFOutput = false;
    auto first = makeWorker();
    first->Execute();
    const QString firstFolder = outputs->projectFolder;
    auto second = makeWorker();
    second->Execute();
    ASSERT_FALSE(first->Failed || second->Failed);
    EXPECT_NE(outputs->projectFolder, firstFolder);
    const auto scratchOf = [](const QString &folder) { return QDir::cleanPath(folder + QStringLiteral("..")); };
    for (const QString &folder : {firstFolder, outputs->projectFolder}) {
        EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
        EXPECT_FALSE(QFileInfo::exists(scratchOf(folder)));
    }

    auto failing = makeWorker();
    outputs->failAt = QStringLiteral("compile");
    failing->Execute();
    ASSERT_TRUE(failing->Failed);
    EXPECT_FALSE(QFileInfo::exists(scratchOf(outputs->projectFolder)));

    auto failingEarly = makeWorker();
    outputs->failAt = QStringLiteral("context");
    project.HtmlHelpOutputContext = true;
    failingEarly->Execute();
    ASSERT_TRUE(failingEarly->Failed);
    EXPECT_FALSE(QFileInfo::exists(scratchOf(outputs->projectFolder)));
}

TEST_F(BuildFixture, ProgressReachesTheMainThreadWhileTheWorkerWaits)
{
    project.WebHelpOutput = project.PDFOutput = false;
    auto worker = makeWorker();
    const QThread *mainThread = QCoreApplication::instance()->thread();
    bool allOnMain = true;
    worker->FOnUpdate = [&](Tbuild *sender) {
        allOnMain = allOnMain && QThread::currentThread() == mainThread;
        positions << sender->Position;
    };
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    EXPECT_TRUE(allOnMain);
    EXPECT_EQ(positions.last(), 100);
    EXPECT_FALSE(worker->Failed);
}

TEST(BuildRounding, NearestHalvesToEven)
{
    EXPECT_EQ(Tbuild::Nearest(2.5), 2);
    EXPECT_EQ(Tbuild::Nearest(1.65), 2);
    EXPECT_EQ(Tbuild::Nearest(16.5), 16);
    EXPECT_EQ(Tbuild::Nearest(85.5), 86);
}

// Builds with the real engine, converter and writers.
namespace {
struct RealBuild : ::testing::Test {
    ScratchDir dir;
    TProject project;
    void SetUp() override
    {
        project.RootDir = dir.path() + u'/';
        project.SourceFile = QStringLiteral("manual.docx");
        project.CompiledFile = QStringLiteral("帮助/Справка.chm");
        project.WebHelpOutputFolder = QStringLiteral("web/");
        project.PDFFile = QStringLiteral("pdf/help.pdf");
        project.HtmlHelpOutput = true;
        project.WebHelpOutput = project.PDFOutput = false;
    }
};
} // namespace

// A document without headings builds every output: the PDF whole, the help
// formats without topics; the build says why they are empty, naming the
// document rather than its working copy. The compiled file reaches a folder
// whose name the help's code page cannot hold.
TEST_F(RealBuild, ADocumentWithoutHeadingsBuildsEveryOutputAndSaysSo)
{
    if (!word::lo::IsAvailable())
        GTEST_SKIP() << "soffice is not installed";
    testsupport::DocxBuilder()
        .body("<w:p><w:r><w:t>Plain text without any heading.</w:t></w:r></w:p>")
        .write(project.RealPath(0));
    project.WebHelpOutput = project.PDFOutput = true;
    Tbuild worker(project);
    worker.Execute();
    ASSERT_FALSE(worker.Failed) << worker.ErrorMsg.toStdString();
    EXPECT_GT(QFileInfo(project.RealPath(1)).size(), 0);
    EXPECT_TRUE(QFileInfo::exists(project.RealPath(2) + QStringLiteral("index.htm"))
                || QFileInfo::exists(project.RealPath(2) + QStringLiteral("index.html")));
    EXPECT_TRUE(testsupport::readFile(project.RealPath(3)).startsWith("%PDF"));
    ASSERT_EQ(worker.Notes.size(), 1) << worker.Notes.join(u'\n').toStdString();
    EXPECT_EQ(worker.Notes[0], QStringLiteral("The document \"%1\" has no headings (paragraphs with an outline level "
                                              "from 1 to 9): the HTML Help and WebHelp have no topics, and its text "
                                              "(5 words) is left out of them.")
                                   .arg(project.RealPath(0)));
}

// The working copy keeps the document's permissions, so a read-only document
// is refused as such and stays as it was.
TEST_F(RealBuild, AReadOnlyDocumentIsRefused)
{
    testsupport::DocxBuilder()
        .body("<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr><w:r><w:t>Topic</w:t></w:r></w:p>")
        .write(project.RealPath(0));
    const QByteArray bytes = testsupport::readFile(project.RealPath(0));
    ASSERT_TRUE(QFile::setPermissions(project.RealPath(0), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    Tbuild worker(project);
    worker.Execute();
    EXPECT_TRUE(worker.Failed);
    EXPECT_EQ(worker.ErrorMsg, QStringLiteral("Cannot process Read-only document."));
    EXPECT_EQ(testsupport::readFile(project.RealPath(0)), bytes);
    EXPECT_FALSE(QFileInfo::exists(Tbuild::WorkingCopyName(project.RealPath(0))));
}
