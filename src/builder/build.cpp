#include "builder/build.h"

#include "builder/HtmlHelpOutput.h"
#include "builder/PDFOutput.h"
#include "builder/Webhelp.h"
#include "builder/WordDoc.h"

#include "foundation/OLEMessageFilter.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/word/Document.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <new>

TBuildOutputs::~TBuildOutputs() = default;

QString ExceptionText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return own->message();
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return QStringLiteral("There is not enough memory for this work.");
    return QString::fromLocal8Bit(error.what());
}

namespace {

// The real build: one document engine instance for the whole build, a fresh
// converter and topic list per HTML output, and the output writers.
class TWordBuildOutputs : public TBuildOutputs {
public:
    explicit TWordBuildOutputs(TProject &project) : Project(project) {}

    void StartWord() override { WordApplication = std::make_unique<word::Application>(); }
    void QuitWord() override
    {
        FreeOutput();
        if (!WordApplication)
            return;
        try {
            WordApplication->Quit(0);
        } catch (...) {
            // Quitting only closes documents without saving; nothing is lost.
        }
        WordApplication.reset();
    }
    void Convert(int outputType, const QString &workingCopy, const std::function<void(int)> &progress) override
    {
        FreeOutput();
        Contents = std::make_unique<TContentsItems>();
        Contents->Project = &Project;
        Word = std::make_unique<TWordDoc>(&Project, WordApplication.get(), workingCopy,
                                          [progress](TWordDoc *sender) { progress(sender->Position); }, outputType);
        Word->DoCreate(workingCopy);
    }
    void SplitTopics() override { Word->ToContentsItems(*Contents); }
    QString SplitNote() const override { return Word ? Word->SplitNote() : QString(); }
    void HtmlHelpPages(const QString &projectFolder) override
    {
        Maker = std::make_unique<THtmlHelpMaker>();
        Maker->Project = &Project;
        Maker->Contents = Contents.get();
        Maker->Word = Word.get();
        Maker->ProjectFolder = projectFolder;
        Maker->Output();
    }
    void HtmlHelpContextFile() override { Maker->OutputContextFile(); }
    void HtmlHelpCompile() override
    {
        QString log; // the compiler's failures arrive as exceptions
        Maker->Make(log);
    }
    void WebHelp() override
    {
        TWebHelp writer(&Project, Contents.get(), Word.get());
        QString indexPage; // the build opens nothing afterwards
        writer.Output(indexPage);
    }
    void FreeOutput() override
    {
        if (Word)
            for (const QString &note : std::as_const(Word->Notes))
                if (!CollectedNotes.contains(note))
                    CollectedNotes << note;
        Maker.reset();
        Word.reset();
        Contents.reset();
    }
    void Pdf(const QString &workingCopy, const QString &pdfFile, const std::function<void(int)> &progress) override
    {
        TPDF pdf;
        pdf.WordApplication = WordApplication.get();
        pdf.Project = &Project;
        pdf.FOnProcess = [progress](TPDF *sender) { progress(sender->Position); };
        pdf.Build(workingCopy, pdfFile);
    }
    QStringList Notes() const override { return CollectedNotes; }

private:
    TProject &Project;
    std::unique_ptr<word::Application> WordApplication;
    std::unique_ptr<TContentsItems> Contents;
    std::unique_ptr<TWordDoc> Word;
    std::unique_ptr<THtmlHelpMaker> Maker;
    QStringList CollectedNotes;
};

} // namespace

std::unique_ptr<TBuildOutputs> CreateBuildOutputs(TProject &project)
{
    return std::make_unique<TWordBuildOutputs>(project);
}

Tbuild::Tbuild(TProject &project, std::unique_ptr<TBuildOutputs> outputs, QObject *parent)
    : QThread(parent), Project(project), Outputs(std::move(outputs))
{
    if (!Outputs)
        Outputs = CreateBuildOutputs(project);
}

Tbuild::~Tbuild()
{
    wait();
}

QString Tbuild::WorkingCopyName(const QString &source)
{
    const QFileInfo info(source);
    QString folder = info.path();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("~~$") + info.fileName();
}

int Tbuild::Nearest(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode halves to even
}

void Tbuild::run()
{
    Execute();
}

void Tbuild::UpdateIt()
{
    if (!FOnUpdate)
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        FOnUpdate(this);
        return;
    }
    QMetaObject::invokeMethod(app, [this] { FOnUpdate(this); }, Qt::BlockingQueuedConnection);
}

void Tbuild::SetPosition(int Percent, int NPercent)
{
    CurrentPercent = Percent;
    NextPercent = NPercent;
    Position = Nearest(double(ValuePerTask) * Percent / 100.0) + TaskPos;
    UpdateIt();
}

void Tbuild::WordDocEvent(int ConverterPosition)
{
    const double inStep = double(ConverterPosition) / 100.0 * (NextPercent - CurrentPercent) + CurrentPercent;
    Position = Nearest(inStep / 100.0 * ValuePerTask) + TaskPos;
    UpdateIt();
}

void Tbuild::OnProcess(int PdfPosition)
{
    Position = Nearest(double(PdfPosition) / 100.0 * ValuePerTask) + TaskPos;
    UpdateIt();
}

// Both HTML outputs split the same document: its note is told once, naming
// the source document rather than the working copy.
void Tbuild::TakeSplitNote()
{
    QString note = Outputs->SplitNote();
    if (note.isEmpty())
        return;
    note.replace(WorkingCopyName(Project.RealPath(0)), Project.RealPath(0));
    if (!Notes.contains(note))
        Notes.append(note);
}

void Tbuild::BuildHtmlHelp(const QString &workingCopy)
{
    TaskType = 1;
    Outputs->Convert(1, workingCopy, [this](int p) { WordDocEvent(p); });
    SetPosition(35, 60);
    Outputs->SplitTopics();
    TakeSplitNote();
    SetPosition(60, 1);
    Project.CHMSetting.Title = Project.HtmlHelpTitleSame ? Project.Title : Project.HtmlHelpTitle;
    SetPosition(70, 1);
    // Without a kept project set, the set goes to "~marrowby" inside a
    // scratch folder of this build alone: two builds at once (a window and a
    // batch, or two batches) would otherwise empty each other's pages.
    if (!Project.OutputHHP)
        ProjectSetScratch = UniqueTempFolderName();
    const QString folder = Project.OutputHHP ? Project.RealPath(5) : ProjectSetScratch + QStringLiteral("~marrowby/");
    SetPosition(80, 1);
    Outputs->HtmlHelpPages(folder);
    SetPosition(95, 1);
    if (Project.HtmlHelpOutputContext)
        Outputs->HtmlHelpContextFile();
    Outputs->HtmlHelpCompile();
    Outputs->FreeOutput();
    SetPosition(100, 1);
    TaskPos = Position;
}

void Tbuild::BuildWebHelp(const QString &workingCopy)
{
    TaskType = 2;
    SetPosition(25, 50);
    Outputs->Convert(2, workingCopy, [this](int p) { WordDocEvent(p); });
    SetPosition(50, 80);
    Outputs->SplitTopics();
    TakeSplitNote();
    SetPosition(80, 1);
    Outputs->WebHelp();
    SetPosition(95, 1);
    Outputs->FreeOutput();
    SetPosition(100, 1);
    TaskPos = Position;
}

void Tbuild::BuildPdf(const QString &workingCopy)
{
    TaskType = 3;
    Outputs->Pdf(workingCopy, Project.RealPath(3), [this](int p) { OnProcess(p); });
    SetPosition(100, 1);
}

void Tbuild::Execute()
{
    Failed = false;
    ErrorMsg.clear();
    Notes.clear();
    TaskPos = 0;
    TaskType = 0;
    const int outputs = int(Project.HtmlHelpOutput) + int(Project.WebHelpOutput) + int(Project.PDFOutput);
    ValuePerTask = outputs > 0 ? 100 / outputs : 0;

    ProjectSetScratch.clear();
    bool copied = false;
    bool wordStarted = false;
    bool filterRegistered = false;
    QString workingCopy;
    try {
        if (outputs == 0)
            throw Exception(QStringLiteral("No output is chosen."));
        const QString source = Project.RealPath(0);
        workingCopy = WorkingCopyName(source);
        // A stale copy of an earlier run must never be converted in place of
        // the document: the copy has to succeed for the build to go on.
        if (QFileInfo::exists(workingCopy) && !QFile::remove(workingCopy))
            throw Exception(QStringLiteral("Cannot replace the working copy \"%1\".").arg(workingCopy));
        QFile sourceFile(source);
        if (!sourceFile.copy(workingCopy))
            throw Exception(QStringLiteral("Cannot copy \"%1\" to \"%2\": %3")
                                .arg(source, workingCopy, sourceFile.errorString()));
        copied = true;
        // The copy keeps the document's permission bits, so that the
        // converter refuses a read-only document. The "user" flags describe
        // who runs the build (root may write anything) and are left out.
        constexpr QFileDevice::Permissions bits =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
            | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
            | QFileDevice::ExeOther;
        QFile::setPermissions(workingCopy, QFileInfo(source).permissions() & bits);

        IOleMessageFilter::RegisterFilter();
        filterRegistered = true;
        Outputs->StartWord();
        wordStarted = true;
        SetPosition(5, 35);

        if (Project.HtmlHelpOutput)
            BuildHtmlHelp(workingCopy);
        if (Project.WebHelpOutput)
            BuildWebHelp(workingCopy);
        if (Project.PDFOutput)
            BuildPdf(workingCopy);
    } catch (const std::bad_alloc &) {
        Failed = true;
        ErrorMsg = QStringLiteral("The document \"%1\" needs more memory than there is to build it; the build "
                                  "was stopped.")
                       .arg(Project.RealPath(0));
    } catch (const std::exception &e) {
        Failed = true;
        ErrorMsg = ExceptionText(e);
        // The working copy is gone after the build and is a byte copy of the
        // document: the message names the document the writer knows.
        if (copied)
            ErrorMsg.replace(workingCopy, Project.RealPath(0));
    } catch (...) {
        Failed = true;
        ErrorMsg = QStringLiteral("Unknown error.");
    }
    try {
        Outputs->FreeOutput();
        for (const QString &note : Outputs->Notes())
            if (!Notes.contains(note))
                Notes << note;
    } catch (...) {
    }
    if (!workingCopy.isEmpty() && QFileInfo::exists(workingCopy))
        QFile::remove(workingCopy);
    // The project set's scratch folder stays only when the failure names a
    // file in it (the compiler's log).
    if (!ProjectSetScratch.isEmpty() && !(Failed && ErrorMsg.contains(ProjectSetScratch))) {
        try {
            DeleteFolder(ProjectSetScratch);
        } catch (...) {
        }
    }
    if (wordStarted)
        Outputs->QuitWord();
    if (filterRegistered)
        IOleMessageFilter::RevokeFilter();
    if (!Failed)
        Position = 100;
    UpdateIt();
}
