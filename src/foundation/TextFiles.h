#pragma once
// Text files in several encodings. Readers find the encoding from a
// byte-order mark, a code page the caller names, or the page's own
// "charset=" declaration; writers take an encoding code:
//   1            UTF-8 with the mark EF BB BF
//   2            UTF-16 little-endian with the mark FF FE
//   0 or less    the ANSI code page, no mark
//   other        that Windows code page, no mark (65001: UTF-8 without mark)
// A code page is given to readers as decimal text; empty text gives none.
#include <QString>

class QIODevice;

constexpr int TextEncodingAnsi = 0;
constexpr int TextEncodingUtf8 = 1;
constexpr int TextEncodingUtf16 = 2;

// Decodes the whole stream, read from its start. Throws Exception when the
// stream cannot be read, the code-page text is not a number or the code page
// cannot be converted.
QString LoadTextFromStream(QIODevice &stream, const QString &codePage);
// The same for a file; empty text when the file does not exist.
QString LoadTextFile(const QString &fileName, const QString &codePage);
// LoadTextFile that reports a failure to the user (error box) instead of
// throwing and then gives empty text; when asked, the message goes to error
// too (empty after success). A file in use is read through a copy.
QString LoadTextFileSafe(const QString &fileName, const QString &codePage,
                         QString *error = nullptr);

// The encoding code for saving a page, from its charset declaration.
int GetHtmlEncoding(const QString &page);

// Writes the text from the stream's start and cuts off what stood beyond.
// Throws Exception when the stream cannot be written.
void SaveTextToStream(const QString &text, int encoding, QIODevice &stream);
// Replaces the file with the text; does nothing at all for empty text. Throws
// Exception naming the file when it cannot be written; the old file is then
// left as it was.
void SaveTextFile(const QString &text, const QString &fileName, int encoding);
// Writes the file in place, without the replace-and-sync of SaveTextFile:
// for scratch files and generated pages, which a failed write may leave
// incomplete. Does nothing for empty text; throws Exception naming the file.
void WriteTextFile(const QString &text, const QString &fileName, int encoding);
// Saves a page in the encoding its charset names. When that fails the user
// is told and asked for another name; false when the user gave up (the
// message goes to error too, when asked).
bool SaveHtmlFile(const QString &page, const QString &fileName, QString *error = nullptr);

// A page to be written with the encoding code: characters that an 8-bit code
// page cannot hold become numeric character references ("&#8364;"), so that
// nothing is lost to "?". UTF-8 and UTF-16 pages come back unchanged.
QString ReferenceUnencodable(const QString &page, int encoding);

// The lower-cased value of the page's first "charset=", or empty.
QString GetHtmlCharset(const QString &page);
// The page with that charset declared: the first "charset=" value replaced,
// or a Content-Type meta added after each "<head>" when there is none.
QString SetHtmlCharset(const QString &page, const QString &charset);

// One-line form of a multi-line value: CR as "`13", LF as "`10".
QString EncodeLineBreaks(const QString &text);
QString DecodeLineBreaks(const QString &text);

// The output charset of a new project.
QString DefaultHtmlCharset();
