#include "platform/Prompt.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <cstdio>

Prompt::~Prompt() = default;

QString DefaultMessageCaption(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information: return QStringLiteral("Information");
    case MessageKind::Confirmation: return QStringLiteral("Confirm");
    case MessageKind::Warning: return QStringLiteral("Warning");
    case MessageKind::Error: return QStringLiteral("Error");
    }
    return QString();
}

namespace {

// The order in which buttons stand in a box: the first one shown is the
// default when the caller names none.
constexpr PromptButton kButtonOrder[] = {ButtonOk,    ButtonYes,   ButtonNo, ButtonAbort,
                                         ButtonRetry, ButtonIgnore, ButtonCancel};

PromptButton firstShown(PromptButtons buttons)
{
    for (PromptButton b : kButtonOrder)
        if (buttons & b)
            return b;
    return ButtonOk;
}

QString captionOf(const MessageRequest &request)
{
    return request.caption.isEmpty() ? DefaultMessageCaption(request.kind) : request.caption;
}

} // namespace

NonInteractivePrompt::NonInteractivePrompt(bool echoToStandardError)
    : echo_(echoToStandardError)
{
}

PromptButton NonInteractivePrompt::defaultAnswer(const MessageRequest &request)
{
    const PromptButtons buttons = request.buttons ? request.buttons : PromptButtons(ButtonOk);
    PromptButton answer = request.defaultButton != ButtonNone && (buttons & request.defaultButton)
                              ? request.defaultButton
                              : firstShown(buttons);
    if (answer != ButtonRetry)
        return answer;
    // Nobody can fix the cause between two tries: retrying would loop forever.
    for (PromptButton b : {ButtonCancel, ButtonAbort, ButtonIgnore, ButtonNo, ButtonOk})
        if (buttons & b)
            return b;
    return answer;
}

PromptButton NonInteractivePrompt::message(const MessageRequest &request)
{
    const QString line = captionOf(request) + QStringLiteral(": ") + request.text;
    {
        QMutexLocker lock(&mutex_);
        messages_.append(line);
    }
    if (echo_) {
        const QByteArray bytes = line.toLocal8Bit() + '\n';
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    return defaultAnswer(request);
}

std::optional<QString> NonInteractivePrompt::saveFileName(const SaveFileRequest &)
{
    return std::nullopt;
}

std::optional<QString> NonInteractivePrompt::chooseFolder(const FolderRequest &)
{
    return std::nullopt;
}

QStringList NonInteractivePrompt::takeMessages()
{
    QMutexLocker lock(&mutex_);
    QStringList taken;
    taken.swap(messages_);
    return taken;
}

namespace {

QMutex currentMutex;

std::shared_ptr<Prompt> &currentSlot()
{
    static std::shared_ptr<Prompt> current = std::make_shared<NonInteractivePrompt>();
    return current;
}

// Runs the question on the thread the Prompt needs and returns its answer.
// A worker thread blocks until the main thread has answered.
template <typename Result, typename Ask>
Result ask(Ask askPrompt)
{
    const std::shared_ptr<Prompt> prompt = CurrentPrompt();
    QCoreApplication *app = QCoreApplication::instance();
    if (!prompt->needsMainThread() || !app || QThread::currentThread() == app->thread())
        return askPrompt(*prompt);
    Result result{};
    QMetaObject::invokeMethod(
        app, [&] { result = askPrompt(*prompt); }, Qt::BlockingQueuedConnection);
    return result;
}

} // namespace

std::shared_ptr<Prompt> CurrentPrompt()
{
    QMutexLocker lock(&currentMutex);
    return currentSlot();
}

std::shared_ptr<Prompt> SetCurrentPrompt(std::shared_ptr<Prompt> prompt)
{
    if (!prompt)
        prompt = std::make_shared<NonInteractivePrompt>();
    QMutexLocker lock(&currentMutex);
    std::shared_ptr<Prompt> previous = std::move(currentSlot());
    currentSlot() = std::move(prompt);
    return previous;
}

ScopedPrompt::ScopedPrompt(std::shared_ptr<Prompt> prompt)
    : previous_(SetCurrentPrompt(std::move(prompt)))
{
}

ScopedPrompt::~ScopedPrompt()
{
    SetCurrentPrompt(std::move(previous_));
}

PromptButton ShowMessage(const MessageRequest &request)
{
    return ask<PromptButton>([&](Prompt &p) { return p.message(request); });
}

PromptButton ShowMessage(MessageKind kind, const QString &text, PromptButtons buttons,
                         PromptButton defaultButton, const QString &caption)
{
    MessageRequest request;
    request.kind = kind;
    request.text = text;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    request.caption = caption;
    return ShowMessage(request);
}

std::optional<QString> AskSaveFileName(const SaveFileRequest &request)
{
    return ask<std::optional<QString>>([&](Prompt &p) { return p.saveFileName(request); });
}

std::optional<QString> AskFolder(const FolderRequest &request)
{
    return ask<std::optional<QString>>([&](Prompt &p) { return p.chooseFolder(request); });
}
