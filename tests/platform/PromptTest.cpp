#include "platform/Prompt.h"

#include "support/RunOnWorker.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

namespace {

// A prompt that wants the main thread, as a window-based one does; it notes
// the thread each question arrives on and answers as told.
class RecordingPrompt : public Prompt {
public:
    PromptButton message(const MessageRequest &request) override
    {
        threads.append(QThread::currentThread());
        texts.append(request.text);
        return answer;
    }
    std::optional<QString> saveFileName(const SaveFileRequest &request) override
    {
        threads.append(QThread::currentThread());
        return request.fileName + QStringLiteral(".new");
    }
    std::optional<QString> chooseFolder(const FolderRequest &) override
    {
        threads.append(QThread::currentThread());
        return std::nullopt;
    }

    PromptButton answer = ButtonYes;
    QList<QThread *> threads;
    QStringList texts;
};

} // namespace

TEST(NonInteractivePrompt, AnswersWithoutBlockingAndKeepsTheMessages)
{
    auto prompt = std::make_shared<NonInteractivePrompt>(false);
    ScopedPrompt scoped(prompt);

    EXPECT_EQ(ShowMessage(MessageKind::Error, QStringLiteral("disk full")), ButtonOk);
    EXPECT_EQ(ShowMessage(MessageKind::Confirmation, QStringLiteral("Continue?"),
                          ButtonYes | ButtonNo, ButtonNo),
              ButtonNo);
    // Without a named default the first button shown answers.
    EXPECT_EQ(ShowMessage(MessageKind::Warning, QStringLiteral("w"), ButtonYes | ButtonNo | ButtonCancel),
              ButtonYes);
    // Retry would only loop: the other way out is taken.
    EXPECT_EQ(ShowMessage(MessageKind::Error, QStringLiteral("locked"), ButtonAbort | ButtonRetry, ButtonRetry),
              ButtonAbort);
    EXPECT_EQ(ShowMessage(MessageKind::Error, QStringLiteral("locked"), ButtonRetry | ButtonCancel),
              ButtonCancel);

    SaveFileRequest save;
    save.fileName = QStringLiteral("/x/page.htm");
    EXPECT_FALSE(AskSaveFileName(save).has_value());
    EXPECT_FALSE(AskFolder(FolderRequest()).has_value());

    const QStringList messages = prompt->takeMessages();
    ASSERT_EQ(messages.size(), 5);
    EXPECT_EQ(messages.at(0), QStringLiteral("Error: disk full"));
    EXPECT_EQ(messages.at(1), QStringLiteral("Confirm: Continue?"));
    EXPECT_TRUE(prompt->takeMessages().isEmpty());
}

TEST(NonInteractivePrompt, IsTheDefaultAndComesBackWhenCleared)
{
    auto custom = std::make_shared<RecordingPrompt>();
    std::shared_ptr<Prompt> before = SetCurrentPrompt(custom);
    EXPECT_EQ(CurrentPrompt(), custom);
    SetCurrentPrompt(nullptr);
    EXPECT_NE(dynamic_cast<NonInteractivePrompt *>(CurrentPrompt().get()), nullptr);
    SetCurrentPrompt(before);
}

TEST(PromptHandOff, WorkerQuestionIsAskedOnTheMainThreadAndTheAnswerReturns)
{
    auto prompt = std::make_shared<RecordingPrompt>();
    prompt->answer = ButtonRetry;
    ScopedPrompt scoped(prompt);

    PromptButton seen = ButtonNone;
    std::optional<QString> saved;
    QThread *workerThread = nullptr;
    testsupport::runOnWorker([&] {
        workerThread = QThread::currentThread();
        seen = ShowMessage(MessageKind::Error, QStringLiteral("from worker"), ButtonRetry | ButtonCancel);
        SaveFileRequest request;
        request.fileName = QStringLiteral("/out/a.htm");
        saved = AskSaveFileName(request);
    });

    EXPECT_EQ(seen, ButtonRetry);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, QStringLiteral("/out/a.htm.new"));
    ASSERT_EQ(prompt->threads.size(), 2);
    for (QThread *t : prompt->threads) {
        EXPECT_EQ(t, QCoreApplication::instance()->thread());
        EXPECT_NE(t, workerThread);
    }

    // On the main thread the question is asked directly.
    ShowMessage(MessageKind::Information, QStringLiteral("direct"));
    EXPECT_EQ(prompt->threads.last(), QThread::currentThread());
}

TEST(PromptHandOff, NonInteractiveAnswersOnTheWorkerEvenWhileTheMainThreadWaits)
{
    auto prompt = std::make_shared<NonInteractivePrompt>(false);
    ScopedPrompt scoped(prompt);
    std::atomic<int> answer{ButtonNone};
    // The main thread blocks in wait() without an event loop: a hand-off
    // would never return here.
    QThread *worker = QThread::create([&] {
        answer = ShowMessage(MessageKind::Error, QStringLiteral("batch"), ButtonOk);
    });
    worker->start();
    ASSERT_TRUE(worker->wait(QDeadlineTimer(60000)));
    delete worker;
    EXPECT_EQ(answer.load(), int(ButtonOk));
}
