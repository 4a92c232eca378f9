#include "foundation/functions.h"

#include "IsolatedUser.h"
#include "platform/Exception.h"
#include "platform/Prompt.h"
#include "support/RunOnWorker.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using testsupport::readFile;
using testsupport::writeFile;

namespace {

const QString kCyrillic = QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442, \u043C\u0438\u0440");
const QString kJapanese = QStringLiteral("\u65E5\u672C\u8A9E\u306E\u30DA\u30FC\u30B8");
const QString kChinese = QStringLiteral("\u4E2D\u6587\u5E2E\u52A9");
const QString kMixed = QStringLiteral("Caf\u00E9 \u20AC \U0001F600 \u4E2D\r\nline 2");

QString page(const QString &charset, const QString &body)
{
    return QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=")
           + charset + QStringLiteral("\"></head><body>") + body + QStringLiteral("</body></html>");
}

} // namespace

TEST(TextFileEncodings, EveryEncodingCodeRoundTripsThroughAFile)
{
    IsolatedUser user("ru_RU.UTF-8"); // ANSI code page 1251
    const QString f = user.work(QStringLiteral("t.txt"));

    SaveTextFile(kMixed, f, TextEncodingUtf8);
    QByteArray bytes = readFile(f);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bytes.mid(3), kMixed.toUtf8());
    // The mark decides, whatever code page the caller names.
    EXPECT_EQ(LoadTextFile(f, QString()), kMixed);
    EXPECT_EQ(LoadTextFile(f, QStringLiteral("1251")), kMixed);

    SaveTextFile(kMixed, f, TextEncodingUtf16);
    bytes = readFile(f);
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(bytes.size(), 2 + 2 * kMixed.size());
    EXPECT_EQ(bytes.mid(2, 2), QByteArray("C\0", 2));
    EXPECT_EQ(LoadTextFile(f, QString()), kMixed);
    EXPECT_EQ(LoadTextFile(f, QStringLiteral("932")), kMixed);
    // A trailing odd byte is dropped.
    writeFile(f, bytes + 'x');
    EXPECT_EQ(LoadTextFile(f, QString()), kMixed);

    SaveTextFile(kCyrillic, f, TextEncodingAnsi);
    EXPECT_EQ(readFile(f), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0"));
    EXPECT_EQ(LoadTextFile(f, QString()), kCyrillic);
    SaveTextFile(kCyrillic, f, -3);
    EXPECT_EQ(readFile(f).size(), kCyrillic.size());

    SaveTextFile(kCyrillic, f, 1251);
    EXPECT_EQ(LoadTextFile(f, QStringLiteral("1251")), kCyrillic);

    SaveTextFile(kJapanese, f, 932);
    EXPECT_EQ(readFile(f).size(), 2 * kJapanese.size());
    EXPECT_EQ(LoadTextFile(f, QStringLiteral("932")), kJapanese);

    SaveTextFile(kChinese, f, 936);
    EXPECT_EQ(readFile(f).size(), 2 * kChinese.size());
    EXPECT_EQ(LoadTextFile(f, QStringLiteral(" 936")), kChinese);

    SaveTextFile(kMixed, f, 65001);
    EXPECT_EQ(readFile(f), kMixed.toUtf8());
    EXPECT_EQ(LoadTextFile(f, QStringLiteral("65001")), kMixed);
}

TEST(TextFileEncodings, ShortStreamsAndBadCodePages)
{
    IsolatedUser user;
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    EXPECT_EQ(LoadTextFromStream(buffer, QString()), QString());
    buffer.write("A");
    EXPECT_EQ(LoadTextFromStream(buffer, QString()), QStringLiteral("A"));
    buffer.buffer() = QByteArray("\xEF\xBB");
    EXPECT_EQ(LoadTextFromStream(buffer, QString()), QString());
    // The stream is read from its start wherever it stands.
    buffer.buffer() = QByteArray("\xEF\xBB\xBFok");
    buffer.seek(4);
    EXPECT_EQ(LoadTextFromStream(buffer, QStringLiteral("1252")), QStringLiteral("ok"));

    buffer.buffer() = QByteArray("plain");
    EXPECT_THROW(LoadTextFromStream(buffer, QStringLiteral("abc")), Exception);

    EXPECT_EQ(LoadTextFile(user.work(QStringLiteral("missing.htm")), QString()), QString());
    const QString f = user.work(QStringLiteral("arabic.txt"));
    writeFile(f, "text");
    try {
        LoadTextFile(f, QStringLiteral("720"));
        FAIL() << "code page 720 is not available here";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(f)) << e.message().toStdString();
    }
}

TEST(TextFileEncodings, PageCharsetDecidesHowAPageIsRead)
{
    IsolatedUser user; // ANSI code page 1252
    const QString f = user.work(QStringLiteral("p.htm"));
    const QByteArray head = "<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=windows-1251\">";
    writeFile(f, head + "</head><body>\xCF\xF0\xE8\xE2\xE5\xF2</body></html>");
    EXPECT_TRUE(LoadTextFile(f, QString()).contains(QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442")));
    // A code page from the caller wins over the page's declaration.
    EXPECT_TRUE(LoadTextFile(f, QStringLiteral("1252")).contains(QStringLiteral("\u00CF\u00F0\u00E8\u00E2\u00E5\u00F2")));

    writeFile(f, "<meta charset=\"x-unknown\"><p>caf\xE9</p>");
    EXPECT_TRUE(LoadTextFile(f, QString()).contains(QStringLiteral("caf\u00E9")));
    writeFile(f, "<p>caf\xE9</p>");
    EXPECT_TRUE(LoadTextFile(f, QString()).contains(QStringLiteral("caf\u00E9")));
    writeFile(f, "<meta charset=shift_jis><p>\x93\xFA\x96\x7B</p>");
    EXPECT_TRUE(LoadTextFile(f, QString()).contains(QStringLiteral("\u65E5\u672C")));
}

TEST(TextFileEncodings, SaveHtmlFileWritesWhatThePageDeclares)
{
    IsolatedUser user; // ANSI code page 1252
    ScopedPrompt batch(std::make_shared<NonInteractivePrompt>(false));
    const QString f = user.work(QStringLiteral("page.htm"));
    const struct {
        QString charset;
        QString body;
        QByteArray start;
        int code;
    } cases[] = {
        {QStringLiteral("UTF-8"), kMixed, QByteArray("\xEF\xBB\xBF"), 1},
        {QStringLiteral("unicode"), kMixed, QByteArray("\xFF\xFE"), 2},
        {QStringLiteral("shift_jis"), kJapanese, QByteArray("<html>"), 932},
        {QStringLiteral("windows-1251"), kCyrillic, QByteArray("<html>"), 1251},
        {QStringLiteral("gb2312"), kChinese, QByteArray("<html>"), 936},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.charset.toStdString());
        const QString text = page(c.charset, c.body);
        EXPECT_EQ(GetHtmlEncoding(text), c.code);
        ASSERT_TRUE(SaveHtmlFile(text, f));
        EXPECT_TRUE(readFile(f).startsWith(c.start));
        QString error = QStringLiteral("stale");
        EXPECT_EQ(LoadTextFileSafe(f, QString(), &error), text);
        EXPECT_TRUE(error.isEmpty());
    }
    const QString noCharset = QStringLiteral("<html><body>caf\u00E9</body></html>");
    EXPECT_EQ(GetHtmlEncoding(noCharset), 0);
    ASSERT_TRUE(SaveHtmlFile(noCharset, f));
    EXPECT_EQ(readFile(f), QByteArray("<html><body>caf\xE9</body></html>"));

    // Characters the declared code page cannot hold survive as references.
    const QString latin1 = page(QStringLiteral("iso-8859-1"),
                                QStringLiteral("caf\u00E9 \u20AC 5 \U0001F600"));
    ASSERT_TRUE(SaveHtmlFile(latin1, f));
    EXPECT_TRUE(readFile(f).endsWith(QByteArray("caf\xE9 &#8364; 5 &#128512;</body></html>")));
}

TEST(TextFileEncodings, WritingLeavesNoStaleBytesAndEmptyTextWritesNothing)
{
    IsolatedUser user;
    const QString f = user.work(QStringLiteral("long.txt"));
    writeFile(f, "a much longer earlier content");
    QFile file(f);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    SaveTextToStream(QStringLiteral("short"), 1252, file);
    file.close();
    EXPECT_EQ(readFile(f), QByteArray("short"));

    QBuffer buffer;
    buffer.setData("0123456789");
    buffer.open(QIODevice::ReadWrite);
    buffer.seek(7);
    SaveTextToStream(QStringLiteral("ab"), TextEncodingUtf8, buffer);
    EXPECT_EQ(buffer.data(), QByteArray("\xEF\xBB\xBF" "ab"));

    SaveTextFile(QString(), f, TextEncodingUtf8);
    EXPECT_EQ(readFile(f), QByteArray("short"));
    const QString missing = user.work(QStringLiteral("never.txt"));
    SaveTextFile(QString(), missing, TextEncodingUtf8);
    EXPECT_FALSE(QFile::exists(missing));

    // A conversion that fails leaves the old file as it was.
    EXPECT_THROW(SaveTextFile(QStringLiteral("x"), f, 720), Exception);
    EXPECT_EQ(readFile(f), QByteArray("short"));
    try {
        SaveTextFile(QStringLiteral("x"), user.work(QStringLiteral("no/such/folder/x.txt")), 1);
        FAIL() << "a file in a missing folder cannot be written";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("no/such/folder/x.txt")));
    }
}

TEST(HtmlCharset, ReadAndDeclare)
{
    EXPECT_EQ(GetHtmlCharset(page(QStringLiteral("Windows-1252"), QString())), QStringLiteral("windows-1252"));
    EXPECT_EQ(GetHtmlCharset(QStringLiteral("<meta CharSet='UTF-8'>")), QStringLiteral("utf-8"));
    EXPECT_EQ(GetHtmlCharset(QStringLiteral("<meta content=\"text/html; charset=utf-8;\">")), QStringLiteral("utf-8;"));
    EXPECT_EQ(GetHtmlCharset(QStringLiteral("<p>charset=big5")), QStringLiteral("big5"));
    EXPECT_EQ(GetHtmlCharset(QStringLiteral("<p>none</p>")), QString());
    EXPECT_EQ(GetHtmlEncoding(QStringLiteral("<meta charset=utf-8;>")), 0);

    EXPECT_EQ(SetHtmlCharset(page(QStringLiteral("windows-1252"), QStringLiteral("x")), QStringLiteral("utf-8")),
              page(QStringLiteral("utf-8"), QStringLiteral("x")));
    EXPECT_EQ(SetHtmlCharset(QStringLiteral("<meta CHARSET='windows-1252'>"), QStringLiteral("utf-8")),
              QStringLiteral("<meta charset='utf-8'>"));
    EXPECT_EQ(SetHtmlCharset(QStringLiteral("<meta charset=big5>"), QStringLiteral("gb2312")),
              QStringLiteral("<meta charset=gb2312>"));
    // An unclosed quote: the value is still replaced after the opening quote.
    EXPECT_EQ(SetHtmlCharset(QStringLiteral("<meta charset=\"big5>"), QStringLiteral("utf-8")),
              QStringLiteral("<meta charset=\"utf-8>"));

    const QString meta = QStringLiteral("<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
    EXPECT_EQ(SetHtmlCharset(QStringLiteral("<HEAD></head><p>x</p><head>"), QStringLiteral("utf-8")),
              meta + QStringLiteral("</head><p>x</p>") + meta);
    EXPECT_EQ(SetHtmlCharset(QStringLiteral("<head id=h><p>x</p>"), QStringLiteral("utf-8")),
              QStringLiteral("<head id=h><p>x</p>"));
    EXPECT_EQ(DefaultHtmlCharset(), QStringLiteral("UTF-8"));
}

TEST(LineBreakEscapes, EncodeAndDecode)
{
    EXPECT_EQ(EncodeLineBreaks(QStringLiteral("a\r\nb")), QStringLiteral("a`13`10b"));
    EXPECT_EQ(DecodeLineBreaks(QStringLiteral("a`13`10b")), QStringLiteral("a\r\nb"));
    EXPECT_EQ(DecodeLineBreaks(EncodeLineBreaks(QStringLiteral("x\ny\rz"))), QStringLiteral("x\ny\rz"));
    EXPECT_EQ(DecodeLineBreaks(QStringLiteral("`1`0 `13")), QStringLiteral("`1`0 \r"));
}

TEST(SafeTextFiles, FailuresAreReportedWithoutBlocking)
{
    IsolatedUser user;
    auto batch = std::make_shared<NonInteractivePrompt>(false);
    ScopedPrompt scoped(batch);

    const QString f = user.work(QStringLiteral("p.htm"));
    writeFile(f, "<p>x</p>");
    QString error;
    EXPECT_EQ(LoadTextFileSafe(f, QStringLiteral("abc"), &error), QString());
    EXPECT_FALSE(error.isEmpty());
    ASSERT_EQ(batch->takeMessages().size(), 1);
    EXPECT_EQ(LoadTextFileSafe(user.work(QStringLiteral("missing.htm")), QString(), &error), QString());
    EXPECT_TRUE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(user.work(QStringLiteral("missing.htm"))));

    const QString target = user.work(QStringLiteral("gone/out.htm"));
    EXPECT_FALSE(SaveHtmlFile(page(QStringLiteral("utf-8"), QStringLiteral("x")), target, &error));
    EXPECT_TRUE(error.contains(target)) << error.toStdString();
    const QStringList messages = batch->takeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Error: ")));
}

TEST(SafeTextFiles, AFileInUseIsReadThroughACopyThatIsRemoved)
{
    IsolatedUser user;
    ScopedPrompt scoped(std::make_shared<NonInteractivePrompt>(false));
    const QString f = user.work(QStringLiteral("open.htm"));
    writeFile(f, "\xEF\xBB\xBF<p>in use</p>");
    writeFile(user.work(QStringLiteral(".~lock.open.htm#")), "x");
    ASSERT_TRUE(IsFileInUse(f));
    EXPECT_EQ(LoadTextFileSafe(f, QString()), QStringLiteral("<p>in use</p>"));
    EXPECT_TRUE(IsFolderEmpty(GetTempFolder()));
}

namespace {

// Answers the Save dialog with another name, as a user would, on the main thread.
class RenamingPrompt : public Prompt {
public:
    explicit RenamingPrompt(QString other) : other_(std::move(other)) {}
    PromptButton message(const MessageRequest &request) override
    {
        errorsOnMainThread += QThread::currentThread() == QCoreApplication::instance()->thread();
        lastText = request.text;
        return ButtonOk;
    }
    std::optional<QString> saveFileName(const SaveFileRequest &request) override
    {
        proposed = request.fileName;
        return other_;
    }
    std::optional<QString> chooseFolder(const FolderRequest &) override { return std::nullopt; }

    int errorsOnMainThread = 0;
    QString lastText, proposed;

private:
    QString other_;
};

} // namespace

TEST(SafeTextFiles, AWorkerSavesUnderTheNameTheUserGaveOnTheMainThread)
{
    IsolatedUser user;
    const QString other = user.work(QStringLiteral("saved.htm"));
    auto prompt = std::make_shared<RenamingPrompt>(other);
    ScopedPrompt scoped(prompt);
    const QString bad = user.work(QStringLiteral("missing/first.htm"));
    const QString text = page(QStringLiteral("utf-8"), kMixed);

    bool saved = false;
    testsupport::runOnWorker([&] { saved = SaveHtmlFile(text, bad); });

    EXPECT_TRUE(saved);
    EXPECT_EQ(prompt->errorsOnMainThread, 1);
    EXPECT_TRUE(prompt->lastText.contains(bad));
    EXPECT_EQ(prompt->proposed, bad);
    EXPECT_EQ(LoadTextFile(other, QString()), text);
}

// A full disk (a 64 KB memory file system, where this test may mount one):
// the message names the file and the full disk, and the old file stays whole.
TEST(SafeTextFiles, AFullDiskIsNamedAndTheOldFileKept)
{
    IsolatedUser user;
    const QString disk = user.work(QStringLiteral("small"));
    const testsupport::SmallDisk small(disk);
    if (!small.mounted())
        GTEST_SKIP() << "no small file system can be mounted here";
    const QString page = disk + QStringLiteral("/page.htm");
    writeFile(page, "old page");
    try {
        SaveTextFile(QString(200000, u'x'), page, TextEncodingUtf8);
        ADD_FAILURE() << "the full disk was not reported";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot write the file \"%1\": there is no space left on the disk").arg(page));
    }
    EXPECT_EQ(readFile(page), QByteArray("old page"));
    // A short text, held in the write buffer until the file is closed, on a
    // disk that is all but full.
    writeFile(disk + QStringLiteral("/filler"), QByteArray(56 * 1024, 'f'));
    EXPECT_THROW(SaveTextFile(QString(12000, u'y'), page, TextEncodingUtf8), Exception);
    EXPECT_EQ(readFile(page), QByteArray("old page"));
}
