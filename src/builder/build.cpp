#include "builder/build.h"

#include "builder/BuildLock.h"
#include "builder/HtmlHelpOutput.h"
#include "builder/OutputGuard.h"
#include "builder/PDFOutput.h"
#include "builder/Webhelp.h"
#include "builder/WordDoc.h"

#include "foundation/OLEMessageFilter.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "platform/FileErrors.h"
#include "platform/StopRequest.h"
#include "platform/word/Document.h"
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cmath>
#include <new>
#include <optional>

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
        Current = outputType == 1 ? 0 : 1;
        Output &out = Outputs[Current];
        out = Output();
        out.Contents = std::make_unique<TContentsItems>();
        out.Contents->Project = &Project;
        out.Word = std::make_unique<TWordDoc>(&Project, WordApplication.get(), workingCopy,
                                              [progress](TWordDoc *sender) { progress(sender->Position); },
                                              outputType);
        out.Word->DoCreate(workingCopy);
    }
    void SplitTopics() override { Outputs[Current].Word->ToContentsItems(*Outputs[Current].Contents); }
    QString SplitNote() const override
    {
        return Outputs[Current].Word ? Outputs[Current].Word->SplitNote() : QString();
    }
    void HtmlHelpPages(const QString &projectFolder) override
    {
        Output &out = Outputs[0];
        out.Maker = std::make_unique<THtmlHelpMaker>();
        out.Maker->Project = &Project;
        out.Maker->Contents = out.Contents.get();
        out.Maker->Word = out.Word.get();
        out.Maker->ProjectFolder = projectFolder;
        out.Maker->Output();
    }
    void HtmlHelpContextFile() override { Outputs[0].Maker->OutputContextFile(); }
    void HtmlHelpCompile() override
    {
        QString log; // the compiler's failures arrive as exceptions
        Outputs[0].Maker->Make(log);
    }
    void WebHelp() override
    {
        TWebHelp writer(&Project, Outputs[1].Contents.get(), Outputs[1].Word.get());
        QString indexPage; // the build opens nothing afterwards
        writer.Output(indexPage);
    }
    void FreeOutput() override
    {
        for (const Output &out : Outputs)
            if (out.Word)
                for (const QString &note : std::as_const(out.Word->Notes))
                    if (!CollectedNotes.contains(note))
                        CollectedNotes << note;
        Outputs[0] = Output();
        Outputs[1] = Output();
    }
    void Pdf(const QString &workingCopy, const QString &pdfFile, const std::function<void(int)> &progress) override
    {
        // An engine instance of its own: the PDF is made on another thread
        // than the conversions.
        word::Application application;
        TPDF pdf;
        pdf.WordApplication = &application;
        pdf.Project = &Project;
        pdf.FOnProcess = [progress](TPDF *sender) { progress(sender->Position); };
        try {
            pdf.Build(workingCopy, pdfFile);
        } catch (...) {
            application.Quit(0);
            throw;
        }
        application.Quit(0);
    }
    QStringList Notes() const override { return CollectedNotes; }

private:
    // The converter, topic list and writer of one HTML output. The HTML Help
    // keeps its own while the WebHelp is converted beside its compile.
    struct Output {
        std::unique_ptr<TContentsItems> Contents;
        std::unique_ptr<TWordDoc> Word;
        std::unique_ptr<THtmlHelpMaker> Maker;
        Output() = default;
        Output(Output &&) = default;
        Output &operator=(Output &&other) noexcept
        {
            // The writer refers to the topic list and converter: it goes first.
            Maker = std::move(other.Maker);
            Word = std::move(other.Word);
            Contents = std::move(other.Contents);
            return *this;
        }
    };
    TProject &Project;
    std::unique_ptr<word::Application> WordApplication;
    Output Outputs[2]; // HTML Help, WebHelp
    int Current = 0;
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
    return TWorkingCopy::NameFor(source);
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
    note.replace(WorkingCopy, Project.RealPath(0));
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
    // The compiler runs while the WebHelp is made; FinishHtmlHelp waits for it.
    CompileTaskPos = TaskPos;
    CompilePosition = Position;
    Compiling = RunAside([this] { Outputs->HtmlHelpCompile(); });
    SetPosition(100, 1);
    TaskPos = Position;
}

void Tbuild::FinishHtmlHelp()
{
    if (!Compiling.valid())
        return;
    try {
        Compiling.get(); // throws the compile's failure
    } catch (...) {
        ReportCompileFailure();
        throw;
    }
    Outputs->FreeOutput();
}

void Tbuild::ReportCompileFailure()
{
    TaskType = 1;
    TaskPos = CompileTaskPos;
    Position = CompilePosition;
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
    if (!Compiling.valid()) // else the compile still needs the HTML Help's converter
        Outputs->FreeOutput();
    SetPosition(100, 1);
    TaskPos = Position;
}

std::future<void> Tbuild::RunAside(std::function<void()> job)
{
    return std::async(std::launch::async, [this, job = std::move(job)] {
        stoprequest::Watch watch(&Stop);
        job();
    });
}

void Tbuild::StartPdf(const QString &workingCopy)
{
    {
        std::lock_guard<std::mutex> lock(PdfMutex);
        PdfPositions.clear();
    }
    // The PDF is rendered into a scratch folder and put in place by
    // BuildPdf, once the outputs before it have succeeded: a failed build
    // leaves an earlier PDF as it was.
    PdfScratch = UniqueTempFolderName();
    const QString pdfFile = PdfScratch + QFileInfo(Project.RealPath(3)).fileName();
    Rendering = RunAside([this, workingCopy, pdfFile] {
        if (!QDir().mkpath(PdfScratch))
            throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(PdfScratch));
        Outputs->Pdf(workingCopy, pdfFile, [this](int p) {
            std::lock_guard<std::mutex> lock(PdfMutex);
            PdfPositions << p;
        });
    });
}

void Tbuild::BuildPdf(const QString &workingCopy)
{
    if (!Rendering.valid())
        StartPdf(workingCopy);
    TaskType = 3;
    // The writer's positions are reported here, in the outputs' order.
    auto report = [this] {
        QList<int> positions;
        {
            std::lock_guard<std::mutex> lock(PdfMutex);
            positions.swap(PdfPositions);
        }
        for (int p : positions)
            OnProcess(p);
    };
    while (Rendering.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        report();
    report();
    Rendering.get(); // throws the PDF output's failure
    const QString pdfFile = Project.RealPath(3);
    CheckOutputFileMayBeWritten(pdfFile, Project, 3);
    PlaceFileCopy(PdfScratch + QFileInfo(pdfFile).fileName(), pdfFile);
    SetPosition(100, 1);
}

void Tbuild::StopJobs()
{
    Stop = true;
    for (std::future<void> *job : {&Compiling, &Rendering})
        if (job->valid()) {
            try {
                job->get();
            } catch (...) {
                // Stopped on purpose: the build's own failure is the one reported.
            }
        }
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
    WorkingCopy.clear();
    Stop = false;
    std::optional<TWorkingCopy> copy;
    bool wordStarted = false;
    bool filterRegistered = false;
    QString workingCopy;
    try {
        if (outputs == 0)
            throw Exception(QStringLiteral("No output is chosen."));
        // A copy of this build's own: builds of projects that share the
        // document may run at once.
        copy.emplace(Project.RealPath(0));
        workingCopy = copy->FileName();
        WorkingCopy = workingCopy;

        IOleMessageFilter::RegisterFilter();
        filterRegistered = true;
        Outputs->StartWord();
        wordStarted = true;
        SetPosition(5, 35);

        // LibreOffice renders the PDF from the working copy, which the
        // conversions leave as it is, while the HTML outputs are made.
        if (Project.PDFOutput)
            StartPdf(workingCopy);
        if (Project.HtmlHelpOutput)
            BuildHtmlHelp(workingCopy);
        if (Project.WebHelpOutput)
            BuildWebHelp(workingCopy);
        FinishHtmlHelp();
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
        // A compile that had already failed when a later output failed is
        // reported first, as the outputs come in that order.
        if (TaskType > 1 && Compiling.valid()
            && Compiling.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            try {
                Compiling.get();
            } catch (const std::exception &compileError) {
                ErrorMsg = ExceptionText(compileError);
                ReportCompileFailure();
            } catch (...) {
            }
        }
    } catch (...) {
        Failed = true;
        ErrorMsg = QStringLiteral("Unknown error.");
    }
    StopJobs();
    if (!PdfScratch.isEmpty()) {
        if (Failed)
            ErrorMsg.replace(PdfScratch + QFileInfo(Project.RealPath(3)).fileName(), Project.RealPath(3));
        try {
            DeleteFolder(PdfScratch);
        } catch (...) {
        }
        PdfScratch.clear();
    }
    // The working copy is gone after the build and is a byte copy of the
    // document: the message names the document the writer knows (unless
    // something removed the copy during the build: then it names the copy,
    // never the document, as missing).
    if (copy && Failed && QFileInfo::exists(workingCopy))
        ErrorMsg.replace(workingCopy, Project.RealPath(0));
    try {
        Outputs->FreeOutput();
        for (const QString &note : Outputs->Notes())
            if (!Notes.contains(note))
                Notes << note;
    } catch (...) {
    }
    copy.reset();
    // The project set's scratch folder goes with the build, failed or not: a
    // failed compile's message quotes the compiler instead of its log there.
    if (!ProjectSetScratch.isEmpty()) {
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
