#pragma once
// The import worker: reads, unpacks and distills a compiled help file and
// builds the Word document on a thread of its own. Every progress report,
// message and question of the converter goes to the main thread, where the
// worker waits for it; a stop asked by the user ends the import at its next
// progress report.
#include "chmimport/ToDocPDF.h"
#include "platform/Exception.h"

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class EUserCancel : public Exception {
public:
    EUserCancel() : Exception(QStringLiteral("User canceled!")) {}
};

class TOutputWord : public QThread {
public:
    TOutputWord();
    ~TOutputWord() override;

    std::unique_ptr<TChmToDocPDF> Chm2DocPDF;
    QString Msg;
    QString ErrorMsg;
    QString chm;
    int position = 0;
    QString info;
    std::atomic<bool> WantToExit{false};
    QString DeniedFile;

    // Shows position, info and (once the converter's OK is set) the end of
    // the run; called on the main thread by UpdateProgress.
    std::function<void(TOutputWord *)> FOnUpdate;

    // The whole import; run() calls it on the worker's thread, a program
    // without a window may call it on its own thread.
    void Execute();
    // Asks the worker to stop and waits for it, serving its calls onto the
    // main thread meanwhile.
    void StopIt();

    void Chm2WordOnChange(const QString &Info, int Persent);
    void ChmToDocPDF_OnDenied(const QString &FileName);
    void ChmToDocPDF_OnError(const QString &Text);
    void ChmToDocPDF_OnMsg(const QString &Text);
    // Main thread: shows a waiting message or error, then the progress.
    void UpdateProgress();
    // Main thread: asks about a target in use; Abort gives up.
    void AskDeniedFile();

protected:
    void run() override;

private:
    // Runs fn on the main thread and waits for it (directly when there is no
    // application or this is the main thread).
    void onMainThread(const std::function<void()> &fn);
};
