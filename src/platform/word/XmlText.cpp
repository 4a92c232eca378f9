#include "platform/word/XmlText.h"

namespace word {

namespace {

bool allowed(const QString &text, qsizetype i, bool keepBreaks)
{
    const char16_t c = text.at(i).unicode();
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r' || (keepBreaks && (c == u'\v' || c == u'\f'));
    if (c == 0xFFFE || c == 0xFFFF)
        return false;
    if (QChar::isHighSurrogate(c))
        return i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return i > 0 && text.at(i - 1).isHighSurrogate();
    return true;
}

} // namespace

QString XmlText(const QString &text, bool keepBreaks)
{
    qsizetype i = 0;
    while (i < text.size() && allowed(text, i, keepBreaks))
        ++i;
    if (i == text.size())
        return text;
    QString out = text.left(i);
    for (; i < text.size(); ++i)
        if (allowed(text, i, keepBreaks))
            out += text.at(i);
    return out;
}

QByteArray XmlUtf8(const QString &text)
{
    return XmlText(text).toUtf8();
}

} // namespace word
