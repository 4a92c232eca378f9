#pragma once
// Text as an XML 1.0 document can hold it. XML forbids the control
// characters below U+0020 other than tab, line feed and carriage return, and
// U+FFFE, U+FFFF and lone surrogates, even written as character references:
// a part holding one is not well-formed, and Word and LibreOffice refuse the
// whole document. Every text that enters a document passes through here.
#include <QByteArray>
#include <QString>

namespace word {

// The text without the characters XML forbids. keepBreaks keeps the
// vertical tab and the form feed that a range's text holds for line and
// page breaks, which become elements of their own.
QString XmlText(const QString &text, bool keepBreaks = false);
// The same, as UTF-8 for the XML tree.
QByteArray XmlUtf8(const QString &text);

} // namespace word
