#include "chmimport/OutputWord.h"

#include "foundation/Paths.h"
#include "platform/Prompt.h"

#include <QCoreApplication>
#include <QEventLoop>

TOutputWord::TOutputWord() : Chm2DocPDF(std::make_unique<TChmToDocPDF>())
{
    Chm2DocPDF->FOnChange = [this](const QString &text, int percent) { Chm2WordOnChange(text, percent); };
    Chm2DocPDF->FOnDenied = [this](const QString &file) { ChmToDocPDF_OnDenied(file); };
    Chm2DocPDF->FOnMsg = [this](const QString &text) { ChmToDocPDF_OnMsg(text); };
    Chm2DocPDF->FOnError = [this](const QString &text) { ChmToDocPDF_OnError(text); };
}

TOutputWord::~TOutputWord()
{
    wait();
}

void TOutputWord::run()
{
    Execute();
}

void TOutputWord::Execute()
{
    TChmToDocPDF &c = *Chm2DocPDF;
    try {
        c.LoadFromCHM(chm);
        c.rootFolder = UniqueTempFolderName();
        DeleteFolder(c.rootFolder);
        c.UpdateSettings();
        c.decompile();
        c.Execute();
        // What the user should know before the document is built, in one box.
        if (!c.Notes.isEmpty() && c.FOnMsg)
            c.FOnMsg(c.Notes.join(QLatin1Char('\n')));
    } catch (const std::exception &e) {
        const QString message = dynamic_cast<const Exception *>(&e) ? static_cast<const Exception &>(e).message()
                                                                     : QString::fromUtf8(e.what());
        try {
            if (c.FOnChange)
                c.FOnChange(QStringLiteral("Failed."), 0);
        } catch (...) {
        }
        c.Failed = true;
        if (c.FOnError)
            c.FOnError(message);
        try {
            if (!c.rootFolder.isEmpty())
                DeleteFolder(c.rootFolder);
        } catch (...) {
        }
        return;
    }
    c.OutputWord();
}

void TOutputWord::StopIt()
{
    WantToExit = true;
    if (isFinished() || !isRunning())
        return;
    QEventLoop loop;
    connect(this, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!isFinished())
        loop.exec();
    wait();
}

void TOutputWord::onMainThread(const std::function<void()> &fn)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void TOutputWord::Chm2WordOnChange(const QString &Info, int Persent)
{
    if (Persent != 0)
        position = Persent;
    if (!Info.isEmpty())
        info = Info;
    onMainThread([this] { UpdateProgress(); });
    if (WantToExit)
        throw EUserCancel();
}

void TOutputWord::ChmToDocPDF_OnDenied(const QString &FileName)
{
    DeniedFile = FileName;
    onMainThread([this] { AskDeniedFile(); });
}

void TOutputWord::ChmToDocPDF_OnError(const QString &Text)
{
    ErrorMsg = Text;
    onMainThread([this] { UpdateProgress(); });
}

void TOutputWord::ChmToDocPDF_OnMsg(const QString &Text)
{
    Msg = Text;
    onMainThread([this] { UpdateProgress(); });
}

void TOutputWord::UpdateProgress()
{
    if (!Msg.isEmpty()) {
        const QString text = Msg;
        Msg.clear();
        ShowMessage(MessageKind::Confirmation, text, ButtonOk);
    }
    if (!ErrorMsg.isEmpty()) {
        const QString text = ErrorMsg;
        ErrorMsg.clear();
        ShowMessage(MessageKind::Error, text, ButtonOk);
    }
    if (FOnUpdate)
        FOnUpdate(this);
}

void TOutputWord::AskDeniedFile()
{
    const PromptButton answer =
        ShowMessage(MessageKind::Error,
                    QLatin1Char('"') + DeniedFile
                        + QStringLiteral("\" access denied! It probably has been opened. Please close it and retry."),
                    ButtonAbort | ButtonRetry);
    if (answer == ButtonAbort)
        Chm2DocPDF->Abort = true;
}
