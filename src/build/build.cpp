#include "build/build.h"

#include "foundation/OLEMessageFilter.h"
#include "foundation/Paths.h"
#include "platform/Exception.h"
#include "project/ProjectSetting.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cmath>

TBuildOutputs::~TBuildOutputs() = default;

QString ExceptionText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const Exception *>(&error))
        return own->message();
    return QString::fromLocal8Bit(error.what());
}

namespace {

// Stands in while the converter and the writers are not part of the program:
// every build fails at once with a message saying so, before anything is written.
class TMissingOutputs : public TBuildOutputs {
public:
    void StartWord() override
    {
        throw Exception(QStringLiteral("The document converter is not available in this program."));
    }
    void QuitWord() override {}
    void Convert(int, const QString &, const std::function<void(int)> &) override {}
    void SplitTopics() override {}
    void HtmlHelpPages(const QString &) override {}
    void HtmlHelpContextFile() override {}
    void HtmlHelpCompile() override {}
    void WebHelp() override {}
    void FreeOutput() override {}
    void Pdf(const QString &, const QString &, const std::function<void(int)> &) override {}
};

} // namespace

std::unique_ptr<TBuildOutputs> CreateBuildOutputs(TProject &)
{
    return std::make_unique<TMissingOutputs>();
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

void Tbuild::BuildHtmlHelp(const QString &workingCopy)
{
    TaskType = 1;
    Outputs->Convert(1, workingCopy, [this](int p) { WordDocEvent(p); });
    SetPosition(35, 60);
    Outputs->SplitTopics();
    SetPosition(60, 1);
    Project.CHMSetting.Title = Project.HtmlHelpTitleSame ? Project.Title : Project.HtmlHelpTitle;
    SetPosition(70, 1);
    const QString folder = Project.OutputHHP ? Project.RealPath(5)
                                             : GetSafeTempFolder() + QStringLiteral("~marrowby/");
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
    TaskPos = 0;
    TaskType = 0;
    const int outputs = int(Project.HtmlHelpOutput) + int(Project.WebHelpOutput) + int(Project.PDFOutput);
    ValuePerTask = outputs > 0 ? 100 / outputs : 0;

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
    } catch (const std::exception &e) {
        Failed = true;
        ErrorMsg = ExceptionText(e);
    } catch (...) {
        Failed = true;
        ErrorMsg = QStringLiteral("Unknown error.");
    }
    try {
        Outputs->FreeOutput();
    } catch (...) {
    }
    if (!workingCopy.isEmpty() && QFileInfo::exists(workingCopy))
        QFile::remove(workingCopy);
    if (wordStarted)
        Outputs->QuitWord();
    if (filterRegistered)
        IOleMessageFilter::RevokeFilter();
    if (!Failed)
        Position = 100;
    UpdateIt();
}
