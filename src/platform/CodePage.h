#pragma once
// Windows code pages on Linux: text is converted between bytes and QString
// through glibc iconv, addressed by the Windows code-page number (1252, 932,
// 65001 ...). The conversions behave as Windows' own do: a character that the
// target code page cannot hold becomes "?", and bytes that do not decode are
// replaced (U+FFFD) without losing the text after them. A code page that
// iconv here lacks throws Exception naming it.
#include <QByteArray>
#include <QList>
#include <QString>

namespace CodePage {

// The iconv name of a Windows code page; empty when the number is not one
// this layer knows (whether iconv provides it is asked by isAvailable).
QByteArray iconvName(int codePage);

// True when text can be converted in this code page here.
bool isAvailable(int codePage);

// Throws Exception naming the code page when isAvailable(codePage) is false.
void requireAvailable(int codePage);

// True when the code page is available and writes every printable ASCII
// character as that same byte, so that markup written in it (HTML tags, a
// charset declaration) stays readable to anything that scans bytes. UTF-7
// and UTF-16, for instance, do not.
bool keepsAscii(int codePage);

// Every Windows code-page number this layer maps to an iconv name, ascending.
QList<int> knownCodePages();

// Decodes every byte of bytes (zero bytes included) from the code page.
// Throws Exception when the code page is not available.
QString toUnicode(const QByteArray &bytes, int codePage);

// Encodes text into the code page; characters the code page cannot hold
// become "?". Throws Exception when the code page is not available.
QByteArray fromUnicode(const QString &text, int codePage);

} // namespace CodePage
