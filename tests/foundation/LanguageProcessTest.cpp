#include "foundation/LanguageProcess.h"
#include "platform/Exception.h"
#include "platform/word/HtmlExport.h"

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

namespace {

// Every row as the help-language table is specified, in list order: the
// main window's language list indexes it, and each row's code page decides
// how that language's help files are written.
struct LanguageRow {
    const char *id;
    const char *name;
    int codePage;
    const char *dictionary;
};

const LanguageRow kExpectedLanguages[] = {
    {"0x0436", "Afrikaans", 1252, "en_US"}, {"0x041C", "Albanian", 1250, "en_US"},
    {"0x0001", "Arabic", 1256, "en_US"}, {"0x0401", "Arabic (Saudi Arabia)", 1256, "en_US"},
    {"0x0801", "Arabic (Iraq)", 1256, "en_US"}, {"0x0C01", "Arabic (Egypt)", 1256, "en_US"},
    {"0x1001", "Arabic (Libya)", 1256, "en_US"}, {"0x1401", "Arabic (Algeria)", 1256, "en_US"},
    {"0x1801", "Arabic (Morocco)", 1256, "en_US"}, {"0x1C01", "Arabic (Tunisia)", 1256, "en_US"},
    {"0x2001", "Arabic (Oman)", 1256, "en_US"}, {"0x2401", "Arabic (Yemen)", 1256, "en_US"},
    {"0x2801", "Arabic (Syria)", 1256, "en_US"}, {"0x2C01", "Arabic (Jordan)", 1256, "en_US"},
    {"0x3001", "Arabic (Lebanon)", 1256, "en_US"}, {"0x3401", "Arabic (Kuwait)", 1256, "en_US"},
    {"0x3801", "Arabic (U.A.E.)", 1256, "en_US"}, {"0x3C01", "Arabic (Bahrain)", 1256, "en_US"},
    {"0x4001", "Arabic (Qatar)", 1256, "en_US"}, {"0x042D", "Basque", 1252, "en_US"},
    {"0x0402", "Bulgarian", 1251, "en_US"}, {"0x0423", "Belarusian", 1251, "en_US"},
    {"0x0403", "Catalan", 1252, "en_US"}, {"0x0004", "Chinese", 936, "en_US"},
    {"0x0404", "Chinese (Taiwan)", 950, "en_US"}, {"0x0804", "Chinese (China)", 936, "en_US"},
    {"0x0C04", "Chinese (Hong Kong SAR)", 950, "en_US"}, {"0x1004", "Chinese (Singapore)", 936, "en_US"},
    {"0x041A", "Croatian", 1250, "en_US"}, {"0x0405", "Czech", 1250, "en_US"},
    {"0x0406", "Danish", 1252, "en_US"}, {"0x0413", "Dutch (Netherlands)", 1252, "en_US"},
    {"0x0813", "Dutch (Belgium)", 1252, "en_US"}, {"0x0009", "English", 1252, "en_US"},
    {"0x0409", "English (United States)", 1252, "en_US"}, {"0x0809", "English (United Kingdom)", 1252, "en_GB"},
    {"0x0C09", "English (Australia)", 1252, "en_US"}, {"0x1009", "English (Canada)", 1252, "en_US"},
    {"0x1409", "English (New Zealand)", 1252, "en_US"}, {"0x1809", "English (Ireland)", 1252, "en_US"},
    {"0x1C09", "English (South Africa)", 1252, "en_US"}, {"0x2009", "English (Jamaica)", 1252, "en_US"},
    {"0x2809", "English (Belize)", 1252, "en_US"}, {"0x2C09", "English (Trinidad)", 1252, "en_US"},
    {"0x0425", "Estonian", 1257, "en_US"}, {"0x0438", "Faeroese", 1252, "en_US"},
    {"0x0429", "Farsi", 1256, "en_US"}, {"0x040B", "Finnish", 1252, "en_US"},
    {"0x040C", "French (France)", 1252, "fr_FR"}, {"0x080C", "French (Belgium)", 1252, "fr_FR"},
    {"0x0C0C", "French (Canada)", 1252, "fr_FR"}, {"0x100C", "French (Switzerland)", 1252, "fr_FR"},
    {"0x140C", "French (Luxembourg)", 1252, "fr_FR"}, {"0x043C", "Gaelic", 1252, "en_US"},
    {"0x0407", "German (Germany)", 1252, "de_DE"}, {"0x0807", "German (Switzerland)", 1252, "de_DE"},
    {"0x0C07", "German (Austria)", 1252, "de_DE"}, {"0x1007", "German (Luxembourg)", 1252, "de_DE"},
    {"0x1407", "German (Liechtenstein)", 1252, "de_DE"}, {"0x0408", "Greek", 1253, "en_US"},
    {"0x040D", "Hebrew", 1255, "en_US"}, {"0x040E", "Hungarian", 1250, "en_US"},
    {"0x040F", "Icelandic", 1252, "en_US"}, {"0x0421", "Indonesian", 1252, "en_US"},
    {"0x0410", "Italian (Italy)", 1252, "it_IT"}, {"0x0810", "Italian (Switzerland)", 1252, "it_IT"},
    {"0x0411", "Japanese", 932, "en_US"}, {"0x0412", "Korean", 949, "en_US"},
    {"0x0426", "Latvian", 1257, "en_US"}, {"0x0427", "Lithuanian", 1257, "en_US"},
    {"0x042F", "FYRO Macedonian", 1251, "en_US"}, {"0x043E", "Malay (Malaysia)", 1252, "en_US"},
    {"0x043A", "Maltese", 1254, "en_US"}, {"0x0450", "Mongolian (Cyrillic)", 1251, "en_US"},
    {"0x0414", "Norwegian (Bokmal)", 1252, "en_US"}, {"0x0814", "Norwegian (Nynorsk)", 1252, "en_US"},
    {"0x0415", "Polish", 1250, "en_US"}, {"0x0416", "Portuguese (Brazil)", 1252, "pt_PT"},
    {"0x0816", "Portuguese (Portugal)", 1252, "pt_PT"}, {"0x0417", "Rhaeto-Romanic", 1252, "en_US"},
    {"0x0418", "Romanian", 1250, "en_US"}, {"0x0818", "Romanian (Moldova)", 1250, "en_US"},
    {"0x0419", "Russian", 1251, "ru_RU"}, {"0x0819", "Russian (Moldova)", 1251, "ru_RU"},
    {"0x0C1A", "Serbian (Cyrillic)", 1251, "en_US"}, {"0x081A", "Serbian (Latin)", 1252, "en_US"},
    {"0x041B", "Slovak", 1250, "en_US"}, {"0x0424", "Slovenian", 1250, "en_US"},
    {"0x042E", "Sorbian", 1252, "en_US"}, {"0x040A", "Spanish (Traditional Sort)", 1252, "es_ES"},
    {"0x080A", "Spanish (Mexico)", 1252, "es_ES"}, {"0x0C0A", "Spanish (International Sort)", 1252, "es_ES"},
    {"0x100A", "Spanish (Guatemala)", 1252, "es_ES"}, {"0x140A", "Spanish (Costa Rica)", 1252, "es_ES"},
    {"0x180A", "Spanish (Panama)", 1252, "es_ES"}, {"0x1C0A", "Spanish (Dominican Republic)", 1252, "es_ES"},
    {"0x200A", "Spanish (Venezuela)", 1252, "es_ES"}, {"0x240A", "Spanish (Colombia)", 1252, "es_ES"},
    {"0x280A", "Spanish (Peru)", 1252, "es_ES"}, {"0x2C0A", "Spanish (Argentina)", 1252, "es_ES"},
    {"0x300A", "Spanish (Ecuador)", 1252, "es_ES"}, {"0x340A", "Spanish (Chile)", 1252, "es_ES"},
    {"0x380A", "Spanish (Uruguay)", 1252, "es_ES"}, {"0x3C0A", "Spanish (Paraguay)", 1252, "es_ES"},
    {"0x400A", "Spanish (Bolivia)", 1252, "es_ES"}, {"0x440A", "Spanish (El Salvador)", 1252, "es_ES"},
    {"0x480A", "Spanish (Honduras)", 1252, "es_ES"}, {"0x4C0A", "Spanish (Nicaragua)", 1252, "es_ES"},
    {"0x500A", "Spanish (Puerto Rico)", 1252, "es_ES"}, {"0x0430", "Sutu", 1252, "en_US"},
    {"0x041D", "Swedish", 1252, "en_US"}, {"0x081D", "Swedish (Finland)", 1252, "en_US"},
    {"0x041E", "Thai", 874, "en_US"}, {"0x0431", "Tsonga", 1252, "en_US"},
    {"0x0432", "Tswana", 1252, "en_US"}, {"0x041F", "Turkish", 1254, "en_US"},
    {"0x0422", "Ukrainian", 1251, "en_US"}, {"0x0420", "Urdu", 1256, "en_US"},
    {"0x042A", "Vietnamese", 1258, "en_US"}, {"0x0434", "Xhosa", 1252, "en_US"},
    {"0x043D", "Yiddish", 1252, "en_US"}, {"0x0435", "Zulu", 1252, "en_US"},
};

} // namespace

TEST(LanguageTable, HoldsEveryHelpLanguageWithItsCodePageInListOrder)
{
    ASSERT_EQ(HelpLanguages.GetCount(), int(std::size(kExpectedLanguages)));
    for (int i = 0; i < HelpLanguages.GetCount(); ++i) {
        const LanguageRow &row = kExpectedLanguages[i];
        const TLanguage &language = HelpLanguages.GetItem(i);
        SCOPED_TRACE(row.name);
        EXPECT_EQ(language.Id, QLatin1String(row.id));
        EXPECT_EQ(language.Name, QLatin1String(row.name));
        EXPECT_EQ(language.CodePage, row.codePage);
        EXPECT_EQ(language.Dictionary, QLatin1String(row.dictionary));
        EXPECT_EQ(HelpLanguages.GetCodepageById(QLatin1String(row.id)), row.codePage);
    }
    EXPECT_THROW(HelpLanguages.GetItem(122), Exception);
    EXPECT_THROW(HelpLanguages.GetItem(-1), Exception);

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

// Help pages can be written in every code page a charset name leads to, and
// read back by the name the document engine declares for it; the few that
// cannot carry pages are refused with a message naming the charset. Every
// item of the output-charset list but the two ISO-2022 ones (which the
// HTML Help compiler misreads) is one that pages are written in.
TEST(CharsetTable, PagesReadBackFromEveryCharsetOrAreRefused)
{
    QSet<int> refused;
    for (const TCharsetCodePage &row : CharsetCodePages) {
        SCOPED_TRACE(row.Name.toStdString());
        try {
            const int codePage = PageCodePage(row.Name);
            EXPECT_EQ(codePage, row.CodePage);
            EXPECT_EQ(CharsetToCodePage(word::HtmlCharsetName(codePage)), codePage)
                << word::HtmlCharsetName(codePage).toStdString();
        } catch (const Exception &e) {
            EXPECT_TRUE(e.message().contains(u'"' + row.Name + u'"')) << e.message().toStdString();
            refused.insert(row.CodePage);
        }
    }
    EXPECT_EQ(refused, QSet<int>({720, 50000, 50001, 50220, 50221, 50222, 50225, 50932, 50949, 52936, 65000}));
    EXPECT_EQ(PageCodePage(QString()), 0);
    EXPECT_EQ(PageCodePage(QStringLiteral(" Unicode ")), 0);
    EXPECT_THROW(PageCodePage(QStringLiteral("utf8")), Exception);

    ASSERT_EQ(OutputCharsets.size(), 27);
    QStringList refusedItems;
    for (const QString &item : OutputCharsets) {
        const QString charset = item.section(u';', 1).trimmed();
        try {
            EXPECT_GT(PageCodePage(charset), 0) << item.toStdString();
        } catch (const Exception &) {
            refusedItems << charset;
        }
    }
    EXPECT_EQ(refusedItems, (QStringList{QStringLiteral("iso-2022-jp"), QStringLiteral("ISO-2022-KR")}));
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
