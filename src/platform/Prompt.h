#pragma once
// The one way the system asks the user something: a message box of four
// kinds, a Save-file dialog and a folder picker. Code below the interface
// calls the free functions at the end of this header from any thread; they
// go to the process-wide current Prompt. The interface plugs in a widget-based
// Prompt at start-up; batch runs and tests keep the NonInteractivePrompt,
// which answers at once and never blocks.
#include <QMutex>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QObject;

enum class MessageKind { Information, Confirmation, Warning, Error };

// Buttons of a message box; a set of them is an or-ed PromptButtons value.
enum PromptButton : unsigned {
    ButtonNone = 0,
    ButtonOk = 0x01,
    ButtonCancel = 0x02,
    ButtonYes = 0x04,
    ButtonNo = 0x08,
    ButtonAbort = 0x10,
    ButtonRetry = 0x20,
    ButtonIgnore = 0x40,
};
using PromptButtons = unsigned;

struct MessageRequest {
    MessageKind kind = MessageKind::Information;
    QString text;
    QString caption;                      // empty: the kind's usual caption
    PromptButtons buttons = ButtonOk;
    PromptButton defaultButton = ButtonNone; // ButtonNone: the first button shown
    QObject *owner = nullptr;              // the window that asks, when there is one
};

struct SaveFileRequest {
    QString caption;
    QString fileName;         // proposed name (with its folder)
    QString filter;           // "Pages (*.htm *.html)" style, ";;"-separated
    QString defaultSuffix;    // appended when the user types a name without one
    bool confirmOverwrite = true;
    QObject *owner = nullptr;
};

struct FolderRequest {
    QString caption;
    QString startFolder;      // the folder shown first
    QString rootFolder;       // empty: the whole file system
    unsigned flags = 0;       // the caller's picker options, passed through
    QObject *owner = nullptr;
};

// The caption a message box of that kind gets when the caller gives none.
QString DefaultMessageCaption(MessageKind kind);

class Prompt {
public:
    virtual ~Prompt();
    // The button the user pressed (one of request.buttons).
    virtual PromptButton message(const MessageRequest &request) = 0;
    // The chosen file name, or nothing when the dialog was cancelled.
    virtual std::optional<QString> saveFileName(const SaveFileRequest &request) = 0;
    // The chosen folder, or nothing when the picker was cancelled.
    virtual std::optional<QString> chooseFolder(const FolderRequest &request) = 0;
    // True when questions must be asked on the main thread (windows); a worker
    // then waits while the main thread asks. False lets any thread ask directly.
    virtual bool needsMainThread() const { return true; }
};

// Answers without a user: messages go to standard error and are kept for the
// caller, questions get their default answer (never Retry, which would loop),
// Save dialogs and folder pickers are cancelled. Safe on any thread.
class NonInteractivePrompt : public Prompt {
public:
    explicit NonInteractivePrompt(bool echoToStandardError = true);
    PromptButton message(const MessageRequest &request) override;
    std::optional<QString> saveFileName(const SaveFileRequest &request) override;
    std::optional<QString> chooseFolder(const FolderRequest &request) override;
    bool needsMainThread() const override { return false; }

    // The messages shown so far ("Caption: text"), oldest first; clears the list.
    QStringList takeMessages();
    // The answer a message box gets without a user.
    static PromptButton defaultAnswer(const MessageRequest &request);

private:
    bool echo_;
    QMutex mutex_;
    QStringList messages_;
};

// The process-wide Prompt (a NonInteractivePrompt until one is set).
std::shared_ptr<Prompt> CurrentPrompt();
// Installs a Prompt; a null pointer restores the non-interactive one.
// Returns the one that was current.
std::shared_ptr<Prompt> SetCurrentPrompt(std::shared_ptr<Prompt> prompt);

// Sets a Prompt for the lifetime of the object, then puts the previous back.
class ScopedPrompt {
public:
    explicit ScopedPrompt(std::shared_ptr<Prompt> prompt);
    ~ScopedPrompt();
    ScopedPrompt(const ScopedPrompt &) = delete;
    ScopedPrompt &operator=(const ScopedPrompt &) = delete;

private:
    std::shared_ptr<Prompt> previous_;
};

// Ask through the current Prompt from any thread. On a worker thread, when the
// Prompt needs the main thread, the main thread asks while the worker waits
// for the answer; the main thread must therefore keep its event loop running
// while it waits for a worker.
PromptButton ShowMessage(const MessageRequest &request);
PromptButton ShowMessage(MessageKind kind, const QString &text,
                         PromptButtons buttons = ButtonOk,
                         PromptButton defaultButton = ButtonNone,
                         const QString &caption = QString());
std::optional<QString> AskSaveFileName(const SaveFileRequest &request);
std::optional<QString> AskFolder(const FolderRequest &request);
