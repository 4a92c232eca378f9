#include "foundation/LanguageProcess.h"
#include "platform/Exception.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Sets locale variables for one test and restores them afterwards.
class LocaleEnvironment {
public:
    LocaleEnvironment()
    {
        for (const char *name : kNames)
            saved_[name] = qgetenv(name);
        for (const char *name : kNames)
            qunsetenv(name);
    }
    ~LocaleEnvironment()
    {
        for (const auto &[name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.c_str());
            else
                qputenv(name.c_str(), value);
        }
    }
    void set(const char *name, const char *value) { qputenv(name, value); }

private:
    static constexpr const char *kNames[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::map<std::string, QByteArray> saved_;
};

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

TEST(LanguageTable, HoldsTheHelpLanguagesInListOrder)
{
    ASSERT_EQ(HelpLanguages.GetCount(), 122);
    const TLanguage &first = HelpLanguages.GetItem(0);
    EXPECT_EQ(first.Id, QStringLiteral("0x0436"));
    EXPECT_EQ(first.Name, QStringLiteral("Afrikaans"));
    EXPECT_EQ(first.CodePage, 1252);
    EXPECT_EQ(first.Dictionary, QStringLiteral("en_US"));
    EXPECT_EQ(HelpLanguages.GetItem(121).Name, QStringLiteral("Zulu"));
    EXPECT_THROW(HelpLanguages.GetItem(122), Exception);
    EXPECT_THROW(HelpLanguages.GetItem(-1), Exception);

    const QRegularExpression idForm(QStringLiteral("^0x[0-9A-F]{4}$"));
    QSet<QString> ids;
    int spanish = 0;
    for (const TLanguage &language : HelpLanguages.Languages) {
        EXPECT_TRUE(idForm.match(language.Id).hasMatch()) << language.Id.toStdString();
        EXPECT_FALSE(language.Name.isEmpty());
        EXPECT_GT(language.CodePage, 0);
        ids.insert(language.Id.toLower());
        if (language.Name.startsWith(QStringLiteral("Spanish"))) {
            ++spanish;
            EXPECT_EQ(language.Dictionary, QStringLiteral("es_ES"));
        }
    }
    EXPECT_EQ(ids.size(), 122) << "Ids must be unique without regard to case";
    EXPECT_EQ(spanish, 20);

    QStringList names(QStringLiteral("kept"));
    HelpLanguages.NameToStringLists(names);
    ASSERT_EQ(names.size(), 123);
    EXPECT_EQ(names.at(1), QStringLiteral("Afrikaans"));
    EXPECT_EQ(names.indexOf(QStringLiteral("English (United States)")),
              HelpLanguages.GetIndexById(QStringLiteral("0x0409")) + 1);
}

TEST(LanguageTable, LooksUpIdsWithoutRegardToCase)
{
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x0409")), 1252);
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0X0409")), 1252);
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x0c1a")), 1251);
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral(" 0x0409")), 0);
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x9999")), 0);
    EXPECT_EQ(HelpLanguages.GetCodepageById(QString()), 0);
    EXPECT_EQ(HelpLanguages.GetIndexById(QStringLiteral("0x0436")), 0);
    EXPECT_EQ(HelpLanguages.GetIndexById(QStringLiteral("0x9999")), -1);
    EXPECT_EQ(HelpLanguages.GetNameById(QStringLiteral("0x0411")), QStringLiteral("Japanese"));
    EXPECT_TRUE(HelpLanguages.GetNameById(QStringLiteral("0x9999")).isEmpty());
    EXPECT_EQ(HelpLanguages.GetDictionaryById(QStringLiteral("0x080c")), QStringLiteral("fr_FR"));
    EXPECT_EQ(HelpLanguages.GetDictionaryById(QStringLiteral("0x0809")), QStringLiteral("en_GB"));
    EXPECT_TRUE(HelpLanguages.GetDictionaryById(QStringLiteral("x")).isEmpty());
    // Values kept exactly as the table has them.
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x043A")), 1254); // Maltese
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x081A")), 1252); // Serbian (Latin)
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x041E")), 874);  // Thai
    EXPECT_EQ(HelpLanguages.GetCodepageById(QStringLiteral("0x0C04")), 950);  // Hong Kong
}

TEST(CharsetTable, MapsCharsetNamesToCodePages)
{
    ASSERT_EQ(CharsetCodePages.size(), 150);
    QSet<QString> names;
    for (const TCharsetCodePage &row : CharsetCodePages) {
        EXPECT_EQ(row.Name, row.Name.trimmed());
        names.insert(row.Name.toLower());
    }
    EXPECT_EQ(names.size(), 150) << "names must be unique without regard to case";

    EXPECT_EQ(CharsetToCodePage(QStringLiteral("  UTF-8 ")), 65001);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("\tShift_JIS\r\n")), 932);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("iso-8859-1")), 28591);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("ISO-8859-9")), 1254);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("_iso-2022-jp$ESC")), 50221);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("ISO-8859-8 Visual")), 28598);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("hz-gb-2312")), 52936);
    EXPECT_EQ(CharsetToCodePage(QString()), 0);
    EXPECT_EQ(CharsetToCodePage(QStringLiteral("utf-16")), 0);
}

TEST(CharsetTable, NamesTheHtmlAndFontCharsetsOfCodePages)
{
    const std::map<int, const char *> fonts = {
        {874, "222"},  {932, "128"},  {936, "134"},  {949, "129"},  {950, "136"},
        {1250, "238"}, {1251, "204"}, {1252, "0"},   {1253, "161"}, {1254, "162"},
        {1255, "177"}, {1256, "180"}, {1257, "186"}, {1258, "163"}};
    for (const auto &[codePage, font] : fonts) {
        SCOPED_TRACE(codePage);
        QString charset;
        CodePageToHtmlCharset(codePage, charset);
        ASSERT_FALSE(charset.isEmpty());
        // The charset written into a page reads back as its code page
        // (1252 is written as "iso-8859-1", which reads as 28591).
        EXPECT_EQ(CharsetToCodePage(charset), codePage == 1252 ? 28591 : codePage);
        QString number(QStringLiteral("x"));
        CodePageToFontCharset(codePage, number);
        EXPECT_EQ(number, QLatin1String(font));
    }
    QString charset(QStringLiteral("as it was"));
    CodePageToHtmlCharset(65001, charset);
    EXPECT_EQ(charset, QStringLiteral("as it was"));
    CodePageToHtmlCharset(0, charset);
    EXPECT_EQ(charset, QStringLiteral("as it was"));
    CodePageToFontCharset(65001, charset);
    EXPECT_EQ(charset, QStringLiteral("0"));
    CodePageToHtmlCharset(1251, charset);
    EXPECT_EQ(charset, QStringLiteral("Windows-1251"));
    CodePageToHtmlCharset(1252, charset);
    EXPECT_EQ(charset, QStringLiteral("iso-8859-1"));

    // Every help language's code page has a page charset and can be converted.
    for (const TLanguage &language : HelpLanguages.Languages) {
        QString html;
        CodePageToHtmlCharset(language.CodePage, html);
        EXPECT_FALSE(html.isEmpty()) << language.Name.toStdString();
        EXPECT_NO_THROW(UnicodeToAnsiCP(language.Name, language.CodePage));
    }
}

TEST(AsciiNames, TransliterateHeadings)
{
    EXPECT_EQ(AsciiMap.size(), 560);
    EXPECT_EQ(AsciiName(u8("  Ünïcode – Test_1 ")), QStringLiteral("Unicode  Test 1"));
    EXPECT_EQ(AsciiName(u8("Привет")), QStringLiteral("Privet"));
    EXPECT_EQ(AsciiName(u8("Щука и ёж")), QStringLiteral("Schuka i ezh"));
    EXPECT_EQ(AsciiName(u8("Объект")), QStringLiteral("Obekt")) << "hard and soft signs vanish";
    EXPECT_EQ(AsciiName(u8("Αθήνα")), QStringLiteral("Athina"));
    EXPECT_EQ(AsciiName(u8("Œuvre façade Straße")), QStringLiteral("Oeuvre facade StraSe"));
    EXPECT_EQ(AsciiName(u8("Łódź-Kraków")), QStringLiteral("Lodz Krakow"));
    EXPECT_EQ(AsciiName(u8("Tiếng Việt")), QStringLiteral("Tieng Viet"));
    EXPECT_EQ(AsciiName(u8("中文 Test 😀")), QStringLiteral(" Test "));
    EXPECT_EQ(AsciiName(QStringLiteral("???")), QString());
    EXPECT_EQ(AsciiName(QStringLiteral("\t\r\n")), QString());
    EXPECT_EQ(AsciiName(QStringLiteral("a.b,c(d)")), QStringLiteral("abcd"));
    // Rows that keep their own character, and the table's odd ones.
    EXPECT_EQ(AsciiName(u8("ƒΤίẀẁẂẃẄẅ")), u8("ƒΤίẀẁẂẃẄẅ"));
    EXPECT_EQ(AsciiName(u8("ỤủỨ")), QStringLiteral("OoO"));
    EXPECT_EQ(AsciiName(u8("Яя")), QStringLiteral("yaya"));
    EXPECT_EQ(AsciiName(u8("ΐŭĞğūŪ")), QStringLiteral("lUgU"));
    // A non-breaking space is not trimmed and has no row.
    EXPECT_EQ(AsciiName(QString(QChar(0xA0)) + QLatin1Char('x')), QStringLiteral("x"));
}

TEST(CodePageText, ConvertsThroughCodePages)
{
    const QString chinese = u8("中文字");
    EXPECT_EQ(UnicodeToAnsiCP(chinese, 65001).size(), 9);
    EXPECT_EQ(UnicodeToAnsiCP(chinese, 936).size(), 6);
    EXPECT_EQ(AnsiToUnicodeCP(UnicodeToAnsiCP(chinese, 950), 950), chinese);
    EXPECT_EQ(UnicodeToAnsiCP(u8("Grüße €"), 1252), QByteArray("Gr\xFC\xDF" "e \x80"));
    EXPECT_EQ(UnicodeToAnsiCP(u8("Ω"), 1252), QByteArray("?"));
    // Bytes end at the first zero byte, as for a C string.
    EXPECT_EQ(AnsiToUnicodeCP(QByteArray("abc\0def", 7), 1252), QStringLiteral("abc"));
    EXPECT_EQ(AnsiToUnicodeCP(QByteArray("\xCF\xF0\xE8", 3), 1251), u8("При"));
    EXPECT_THROW(AnsiToUnicodeCP(QByteArray("x"), 720), Exception);
    EXPECT_THROW(UnicodeToAnsiCP(QStringLiteral("x"), 52936), Exception);

    // Each character's low byte is one byte of the text.
    QString byteChars;
    for (uchar b : {0xC7, 0xE1, 0x20, 0x41})
        byteChars += QChar(b);
    EXPECT_EQ(DecodeByteChars(byteChars, 1256), u8("ال A"));
    EXPECT_EQ(DecodeByteChars(QString(QChar(0x04CF)), 1251), u8("П"));
}

TEST(CodePageText, AnsiCodePageFollowsTheLocale)
{
    LocaleEnvironment env;
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("de_DE.UTF-8")), 0x0407);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("ru_RU")), 0x0419);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("pt_BR.utf8")), 0x0416);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("sr_RS@latin")), 0x081A);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("sr_RS")), 0x0C1A);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("de_DE@euro")), 0x0407);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("de_BE.UTF-8")), 0x0407);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("zh-TW")), 0x0404);
    EXPECT_EQ(LocaleToLanguageId(QStringLiteral("ja")), 0x0411);
    for (const char *none : {"", "C", "C.UTF-8", "POSIX", "xx_YY", "_"})
        EXPECT_EQ(LocaleToLanguageId(QLatin1String(none)), 0) << none;
    EXPECT_EQ(LocaleAnsiCodePage(QStringLiteral("ja_JP.UTF-8")), 932);
    EXPECT_EQ(LocaleAnsiCodePage(QStringLiteral("el_GR")), 1253);
    EXPECT_EQ(LocaleAnsiCodePage(QStringLiteral("C")), 1252);
    EXPECT_EQ(LanguageIdToText(0x81A), QStringLiteral("0x081A"));

    EXPECT_EQ(SystemDefaultLangID(), 0x0409);
    EXPECT_EQ(AnsiCodePage(), 1252);
    env.set("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(AnsiCodePage(), 1251);
    EXPECT_EQ(UnicodeToAnsiCP(u8("Да"), 0), QByteArray("\xC4\xE0"));
    EXPECT_EQ(AnsiToUnicodeCP(QByteArray("\xC4\xE0"), 0), u8("Да"));
    env.set("LC_CTYPE", "ko_KR.UTF-8");
    EXPECT_EQ(SystemDefaultLangID(), 0x0412);
    EXPECT_EQ(AnsiCodePage(), 949);
    env.set("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(SystemLocaleName(), QStringLiteral("de_DE.UTF-8"));
    EXPECT_EQ(AnsiCodePage(), 1252);
    env.set("LC_ALL", "tlh_QO");
    EXPECT_EQ(SystemDefaultLangID(), 0x0409);
}
