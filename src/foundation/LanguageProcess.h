#pragma once
// Help languages, Windows code pages, HTML charset names and font character
// sets, and the conversions built on them. The tables are literal data built
// before main() runs and only read afterwards, so any thread may read them.
#include <QByteArray>
#include <QChar>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One help language: the languages a project may choose for its HTML Help
// output, each with the Windows code page its pages are written in.
class TLanguage {
public:
    QString Name;       // display name, e.g. "English (United States)"
    QString Id;         // Windows language identifier as text, e.g. "0x0409"
    int CodePage = 0;   // Windows code page, e.g. 1252
    QString Dictionary; // locale code such as "en_US"
};

// The help-language table, in the order of the main window's language list:
// an index into that list is an index into Languages.
class TLanguages {
public:
    TLanguages(); // builds the table from its literal rows

    int GetCount() const;
    // The language at a 0-based index; throws Exception when out of range.
    const TLanguage &GetItem(int Index) const;

    // Lookups by Id, compared without regard to case (the Id is not trimmed);
    // the first equal row decides.
    int GetCodepageById(const QString &Id) const;         // 0 when none
    int GetIndexById(const QString &Id) const;            // -1 when none
    QString GetNameById(const QString &Id) const;         // empty when none
    QString GetDictionaryById(const QString &Id) const;   // empty when none

    // Appends every language's Name, in table order.
    void NameToStringLists(QStringList &List) const;

    QList<TLanguage> Languages;
};

// The one help-language table (122 languages).
extern const TLanguages HelpLanguages;

// A charset name as it stands in a page's meta tag or the project's output
// charset, with its Windows code page.
struct TCharsetCodePage {
    QString Name;
    int CodePage;
};

// The 150 known charset names, unsorted; names match without regard to case.
extern const QList<TCharsetCodePage> CharsetCodePages;

// The output charsets a project offers for its HTML Help pages, in list
// order: 27 items, each a display name, ";" and a charset name of
// CharsetCodePages.
extern const QStringList OutputCharsets;

// The code page in which help pages declared in Charset are written: its
// code page when this system converts text to it and markup written in it
// stays plain ASCII; 0 for an empty name and for "unicode" (UTF-16 pages
// with a byte-order mark). Throws Exception naming the charset for an
// unknown name or a code page pages cannot be written in (UTF-7, the ISO-2022
// charsets, or one this system lacks).
int PageCodePage(const QString &Charset);

// Character-to-ASCII transliteration (560 rows), matched exactly.
extern const QHash<QChar, QString> AsciiMap;

// The code page of a charset name (trimmed, without regard to case); 0 when
// the name is unknown.
int CharsetToCodePage(const QString &Charset);

// Writes the HTML charset name of 14 code pages; leaves Charset unchanged for
// any other.
void CodePageToHtmlCharset(int CodePage, QString &Charset);

// Writes the font character-set number as decimal text; "0" for any code
// page outside the table.
void CodePageToFontCharset(int CodePage, QString &Charset);

// Decodes 8-bit text in a code page (0: the ANSI code page). The bytes end
// at the first zero byte, as for a C string. Bytes that do not decode become
// U+FFFD. Throws Exception for a code page that is not available here.
QString AnsiToUnicodeCP(const QByteArray &Bytes, int CodePage);

// Encodes text into a code page (0: the ANSI code page); characters the code
// page cannot hold become "?". Throws Exception for a code page that is not
// available here.
QByteArray UnicodeToAnsiCP(const QString &Text, int CodePage);

// Takes the low byte of each character of Text as one byte and decodes the
// byte string with AnsiToUnicodeCP.
QString DecodeByteChars(const QString &Text, int CodePage);

// Transliterates a heading into plain ASCII letters, digits and spaces:
// trimmed, each character replaced through AsciiMap, others dropped.
QString AsciiName(const QString &Text);

// The system's default language and ANSI code page, from the locale
// environment (LC_ALL, else LC_CTYPE, else LANG), read at each call.

// The locale name the environment sets, e.g. "de_DE.UTF-8"; empty when none.
QString SystemLocaleName();
// The Windows language identifier of a POSIX locale name ("de_DE.UTF-8" ->
// 0x0407, "sr_RS@latin" -> 0x081A, "de_BE" -> 0x0407); 0 when no help
// language matches it.
int LocaleToLanguageId(const QString &Locale);
// The code page of that language; 1252 when no help language matches.
int LocaleAnsiCodePage(const QString &Locale);
// The system's default language identifier; 0x0409 (English (United
// States)) when the locale names no help language.
int SystemDefaultLangID();
// "0x" and four upper-case hexadecimal digits, e.g. "0x0409".
QString LanguageIdToText(int LangId);
// The ANSI code page: the code page of the system's default language.
int AnsiCodePage();
