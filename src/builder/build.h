#pragma once
// The build worker: turns the project's source document into the outputs the
// project asks for, in the order HTML Help, WebHelp, PDF, on a thread of its
// own, reporting one progress value from 0 to 100 for the whole build.
// The outside programs work side by side with it: LibreOffice renders the
// PDF from the start, and the HTML Help compiler runs while the WebHelp is
// made. Results are still checked and reported in the outputs' order, and a
// failure stops every outside program still running.
//
// The worker works on a copy of the source document of its own ("~~$" + its
// name, in the same folder), starts one document engine instance for the whole build and
// drives the converter and the output writers through TBuildOutputs. Progress
// reaches the main thread through FOnUpdate, which the worker waits for.
#include <QString>
#include <QStringList>
#include <QThread>
#include <QList>
#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>

class TProject;

// The message of an error: an Exception's own text, else what() of it.
QString ExceptionText(const std::exception &error);

// The steps of a build that need the document engine, the converter and the
// output writers. The worker calls them in order and reports progress between
// them; any failure is an Exception.
class TBuildOutputs {
public:
    virtual ~TBuildOutputs();
    // Starts the one engine instance of the build.
    virtual void StartWord() = 0;
    // Quits the instance without saving; must not throw.
    virtual void QuitWord() = 0;
    // Creates a fresh topic list and converter for outputType (1 HTML Help,
    // 2 WebHelp) and converts the working copy; progress gives the converter's
    // position (0 to 100) after each of its steps.
    virtual void Convert(int outputType, const QString &workingCopy,
                         const std::function<void(int)> &progress) = 0;
    // Cuts the converted document into the topic list.
    virtual void SplitTopics() = 0;
    // What the writer should hear about the last split (no headings, text
    // before the first heading); empty when nothing.
    virtual QString SplitNote() const { return QString(); }
    // The HTML Help writer: renders the pages into projectFolder, then the
    // optional context-ID file, then the project set and the compile. The
    // compile runs on a thread of its own, beside Convert, SplitTopics and
    // WebHelp of the WebHelp output, and needs the HTML Help's topic list
    // and converter until it ends.
    virtual void HtmlHelpPages(const QString &projectFolder) = 0;
    virtual void HtmlHelpContextFile() = 0;
    virtual void HtmlHelpCompile() = 0;
    // The WebHelp writer.
    virtual void WebHelp() = 0;
    // Frees the converters, topic lists and writers; called while no step runs.
    virtual void FreeOutput() = 0;
    // Exports the working copy as the PDF file; progress gives the writer's
    // position (0 to 100). Runs on a thread of its own, beside every other
    // step, with the working copy left as it is.
    virtual void Pdf(const QString &workingCopy, const QString &pdfFile,
                     const std::function<void(int)> &progress) = 0;
    // What the outputs so far left out of the help and why, one line each,
    // each line once.
    virtual QStringList Notes() const { return {}; }
};

// The outputs of a real build (the document engine, converter and writers).
std::unique_ptr<TBuildOutputs> CreateBuildOutputs(TProject &project);

class Tbuild : public QThread {
    Q_OBJECT
public:
    explicit Tbuild(TProject &project, std::unique_ptr<TBuildOutputs> outputs = nullptr,
                    QObject *parent = nullptr);
    ~Tbuild() override;

    // The build itself; run() calls it on the worker thread. Tests may call
    // it on the main thread, where UpdateIt then calls FOnUpdate directly.
    void Execute();

    // Progress of the step now running: Percent and NPercent in percent of
    // the current output.
    void SetPosition(int Percent, int NPercent);
    // The converter's progress mapped into the current step.
    void WordDocEvent(int ConverterPosition);
    // The PDF writer's progress mapped into the PDF output.
    void OnProcess(int PdfPosition);
    // Calls FOnUpdate on the main thread and waits for it.
    void UpdateIt();

    // Called on the main thread after every change of Position.
    std::function<void(Tbuild *)> FOnUpdate;

    int TaskType = 0;       // 0 none yet, 1 HTML Help, 2 WebHelp, 3 PDF
    int TaskPos = 0;        // overall progress at the start of the current output
    int CurrentPercent = 0;
    int NextPercent = 0;
    bool Failed = false;
    QString ErrorMsg;
    QStringList Notes;      // what the build tells the writer besides its result
    int Position = 0;       // overall progress, 0 to 100
    int ValuePerTask = 0;   // 100 div the number of outputs chosen

    // The working copy of source: its folder, "~~$" and its file name (the
    // first build's; a build of the same document running at the same time
    // takes another, see TWorkingCopy).
    static QString WorkingCopyName(const QString &source);
    // Nearest whole number, halves to even.
    static int Nearest(double value);

protected:
    void run() override;

private:
    void BuildHtmlHelp(const QString &workingCopy);
    void BuildWebHelp(const QString &workingCopy);
    void BuildPdf(const QString &workingCopy);
    void TakeSplitNote();
    // Starts the PDF output beside the others; BuildPdf reports its progress and result.
    void StartPdf(const QString &workingCopy);
    // Waits for the HTML Help compile and reports its result.
    void FinishHtmlHelp();
    // Puts the report back on the HTML Help output, where a compile that
    // failed while later outputs were made stood.
    void ReportCompileFailure();
    // Runs job on a thread of its own that watches Stop.
    std::future<void> RunAside(std::function<void()> job);
    // Stops every outside program still running and waits for the jobs.
    void StopJobs();

    TProject &Project;
    std::unique_ptr<TBuildOutputs> Outputs;
    QString ProjectSetScratch; // this build's scratch folder of the project set, if any
    QString WorkingCopy;       // this build's working copy of the document
    std::atomic<bool> Stop{false}; // set on failure: the jobs aside end their programs
    std::future<void> Compiling;   // the HTML Help compile
    int CompileTaskPos = 0, CompilePosition = 0; // TaskPos and Position when the compile started
    std::future<void> Rendering;   // the PDF output
    QString PdfScratch;            // the folder the PDF is rendered into before it is put in place
    std::mutex PdfMutex;
    QList<int> PdfPositions;       // the PDF writer's positions not yet reported
};
