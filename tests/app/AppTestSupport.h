#pragma once
// A prompt that answers from a script and records every question, and a
// scratch project for main-window tests.
#include "app/WidgetPrompt.h"
#include "app/whelp.h"

#include <QEventLoop>
#include <QMutex>
#include <QTimer>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

class ScriptedPrompt : public AppPrompt {
public:
    std::deque<PromptButton> answers;            // next answers to message boxes
    std::deque<QString> files;    // next answers to file and folder dialogs (a null text cancels)
    QStringList messages;                        // texts asked, oldest first
    QStringList captions;

    PromptButton message(const MessageRequest &request) override
    {
        messages << request.text;
        captions << request.caption;
        if (answers.empty())
            return request.defaultButton != ButtonNone ? request.defaultButton : ButtonOk;
        const PromptButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<QString> nextFile()
    {
        if (files.empty())
            return std::nullopt;
        const QString f = files.front();
        files.pop_front();
        if (f.isNull())
            return std::nullopt;
        return f;
    }
    std::optional<QString> saveFileName(const SaveFileRequest &request) override
    {
        lastProposal = request.fileName;
        return nextFile();
    }
    std::optional<QString> chooseFolder(const FolderRequest &request) override
    {
        lastProposal = request.startFolder;
        return nextFile();
    }
    std::optional<QString> openFileName(const OpenFileRequest &request) override
    {
        lastProposal = request.fileName;
        return nextFile();
    }
    bool needsMainThread() const override { return false; }

    QString lastProposal;
};

// The main window as the program starts it: on the project file named (or
// the newest recent project when none is), with the command-line switch.
inline std::unique_ptr<TfrmMain> OpenMainWindow(const QString &projectFile, const QString &sw = QString())
{
    TStartup startup;
    startup.ProjectFile = projectFile;
    startup.Switch = sw;
    auto window = std::make_unique<TfrmMain>(startup);
    window->FormCreate();
    return window;
}

// Sets an environment variable for the duration of a test, then restores it.
struct EnvOverride {
    QByteArray name, old;
    bool had;
    EnvOverride(const char *variable, const QString &value)
        : name(variable), old(qgetenv(variable)), had(qEnvironmentVariableIsSet(variable))
    {
        qputenv(variable, value.toUtf8());
    }
    ~EnvOverride()
    {
        if (had)
            qputenv(name.constData(), old);
        else
            qunsetenv(name.constData());
    }
};

// Points the program's folder at a scratch folder for the duration of a test.
struct ProgramFolderOverride : EnvOverride {
    explicit ProgramFolderOverride(const QString &folder) : EnvOverride("QUILLCRAFT_PROGRAM_DIR", folder) {}
};

// Runs the event loop until done() holds, or for ten seconds at most.
inline void WaitUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
}
