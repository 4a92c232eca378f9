#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Characters of many scripts: each code page can hold some of them.
QString sampleText()
{
    return QStringLiteral("Plain ASCII 0123 ~!@#$%^&*()_+{}|:<>? \t\r\n") +
           QString::fromUtf8("àéîõüçñßøåÆŒœŠšŽžŁłŐőĞğİı€‚„…†‡‰‹›‘’“”•–—™ ©®°±µ¶·¿×÷") +
           QString::fromUtf8("ΑΒΓΔαβγδάέ ПриветЁёЇїЎў אבגדה ابتثج กขคง ỆếởữẤ") +
           QString::fromUtf8("日本語テキストｶﾀｶﾅ 中文简体繁體字 한국어텍스트 😀");
}

QString viaFile(const QString &text, int codePage)
{
    testsupport::ScratchDir dir;
    const QString path = dir.file(QStringLiteral("text.txt"));
    testsupport::writeFile(path, CodePage::fromUnicode(text, codePage));
    return CodePage::toUnicode(testsupport::readFile(path), codePage);
}

} // namespace

TEST(CodePage, EveryAvailableCodePageRoundTripsThroughAFile)
{
    const QString text = sampleText();
    int available = 0;
    for (int codePage : CodePage::knownCodePages()) {
        if (!CodePage::isAvailable(codePage))
            continue;
        ++available;
        SCOPED_TRACE(codePage);
        // Converting the whole text gives what converting each character
        // alone gives: no shift state or buffer boundary loses anything.
        QString expected;
        int held = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
            const QString one = text.mid(i, pair ? 2 : 1);
            const QString back = CodePage::toUnicode(CodePage::fromUnicode(one, codePage), codePage);
            expected += back;
            if (one.at(0).unicode() > 0x7F && back == one)
                ++held;
            i += pair ? 1 : 0;
        }
        EXPECT_EQ(viaFile(text, codePage), expected);
        if (codePage != 20127) {
            EXPECT_GT(held, 0) << "no character beyond ASCII survives";
        }
        EXPECT_EQ(viaFile(QStringLiteral("Plain ASCII text."), codePage),
                  QStringLiteral("Plain ASCII text."));
    }
    EXPECT_GT(available, 40);
}

TEST(CodePage, SingleByteCodePagesKeepEveryByte)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    for (int codePage : {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874, 866, 20866,
                         28591, 28595}) {
        SCOPED_TRACE(codePage);
        const QString text = CodePage::toUnicode(all, codePage);
        ASSERT_EQ(text.size(), 256);
        QByteArray back = CodePage::fromUnicode(text, codePage);
        // Bytes without a character come back as "?"; every other byte is kept.
        for (int b = 0; b < 256; ++b)
            if (text.at(b).unicode() != 0xFFFD) {
                EXPECT_EQ(uchar(back.at(b)), b) << "byte " << b;
            }
    }
    // As on Windows, 1252's unassigned bytes are the C1 controls of the same number.
    EXPECT_EQ(CodePage::toUnicode("\x81\x8D\x8F\x90\x9D", 1252),
              QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    EXPECT_EQ(CodePage::toUnicode("\x80", 1252), QString::fromUtf16(u"\u20AC"));
    // No composition across bytes: a base letter and a combining mark stay two.
    EXPECT_EQ(CodePage::toUnicode("A\xEC", 1258).size(), 2);
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(CodePage::fromUnicode(QString::fromUtf8("Привет!"), 1252), QByteArray(6, '?') + '!');
    EXPECT_EQ(CodePage::fromUnicode(QString::fromUtf8("a中b"), 1251), QByteArray("a?b"));
    // A character outside the BMP is two UTF-16 units, so two marks.
    EXPECT_EQ(CodePage::fromUnicode(QString::fromUtf8("x😀y"), 936), QByteArray("x??y"));
    // Stateful encodings leave their shifted state before the mark.
    EXPECT_EQ(CodePage::toUnicode(CodePage::fromUnicode(QString::fromUtf8("日€本"), 50220), 50220),
              QString::fromUtf8("日?本"));
    // Wide encodings write the mark in their own width.
    EXPECT_EQ(CodePage::fromUnicode(QString(QChar(0xD800)) + QLatin1Char('x'), 1200),
              QByteArray("?\0x\0", 4));
    // A lone surrogate at the very end.
    EXPECT_EQ(CodePage::fromUnicode(QStringLiteral("ab") + QChar(0xD83D), 932), QByteArray("ab?"));
}

TEST(CodePage, UndecodableBytesKeepTheRestOfTheText)
{
    const QChar bad(0xFFFD);
    EXPECT_EQ(CodePage::toUnicode("a\xFF" "b", 65001), QStringLiteral("a") + bad + QStringLiteral("b"));
    EXPECT_EQ(CodePage::toUnicode("ab\x82", 932), QStringLiteral("ab") + bad);
    EXPECT_EQ(CodePage::toUnicode("\x82\xFF" "after", 932).right(5), QStringLiteral("after"));
    EXPECT_EQ(CodePage::toUnicode("\xAA" "after", 1253), bad + QStringLiteral("after"));
    EXPECT_EQ(CodePage::toUnicode(QByteArray("a\0b\0c", 5), 1200), QStringLiteral("ab") + bad);
    // Zero bytes are text here; they do not end it.
    EXPECT_EQ(CodePage::toUnicode(QByteArray("a\0b", 3), 1252).size(), 3);
    // A UTF-8 byte-order mark stays, as Windows leaves it.
    EXPECT_EQ(CodePage::toUnicode("\xEF\xBB\xBF" "a", 65001), QString(QChar(0xFEFF)) + QLatin1Char('a'));
    EXPECT_TRUE(CodePage::toUnicode(QByteArray(), 936).isEmpty());
    EXPECT_TRUE(CodePage::fromUnicode(QString(), 50225).isEmpty());
}

TEST(CodePage, LongTextsGrowTheirBuffers)
{
    QString text;
    for (int i = 0; i < 50000; ++i)
        text += QString::fromUtf8(i % 2 ? "中" : "a");
    for (int codePage : {65000, 936, 54936, 50220, 1200, 12000}) {
        SCOPED_TRACE(codePage);
        EXPECT_EQ(CodePage::toUnicode(CodePage::fromUnicode(text, codePage), codePage), text);
    }
}

TEST(CodePage, MissingCodePagesFailWithTheirNumber)
{
    for (int codePage : {720, 52936, 50000, 12345, 0}) {
        SCOPED_TRACE(codePage);
        EXPECT_FALSE(CodePage::isAvailable(codePage));
        try {
            CodePage::toUnicode("x", codePage);
            ADD_FAILURE() << "no exception";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(QString::number(codePage))) << e.what();
        }
        EXPECT_THROW(CodePage::fromUnicode(QStringLiteral("x"), codePage), Exception);
        EXPECT_THROW(CodePage::requireAvailable(codePage), Exception);
    }
    EXPECT_TRUE(CodePage::iconvName(720).isEmpty());
    EXPECT_EQ(CodePage::iconvName(1252), QByteArray("CP1252"));
    EXPECT_TRUE(CodePage::knownCodePages().contains(720));
}

TEST(CodePage, ThreadsConvertAtOnceFromTheFirstUse)
{
    // Run alone (as CTest runs each case), this is the first use of the
    // tables: several threads build and read them at the same moment.
    const QString text = QString::fromUtf8("Grüße, Привет, 日本語");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < 50; ++round)
                for (int codePage : {1252, 1251, 932, 65001, 28595}) {
                    const QString back = CodePage::toUnicode(CodePage::fromUnicode(text, codePage), codePage);
                    if (back.size() != text.size())
                        ++wrong;
                }
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
