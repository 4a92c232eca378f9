#include "platform/word/HtmlExport.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QHash>
#include <QStringEncoder>

namespace word {

// The page reader finds a page's code page by this name, so each code page
// that a charset name of the program leads to is written under a name that
// leads back to it (euc-jp is 20932, x-euc-jp 51932, koi8-ru 21866).
QString HtmlCharsetName(int codePage)
{
    static const QHash<int, const char *> names = {
        {874, "windows-874"},      {932, "shift_jis"},       {936, "gb2312"},
        {949, "ks_c_5601-1987"},   {950, "big5"},            {1200, "unicode"},
        {1201, "unicodeFFFE"},     {1361, "Johab"},          {10000, "macintosh"},
        {20127, "us-ascii"},       {20866, "koi8-r"},        {20932, "euc-jp"},
        {21866, "koi8-ru"},        {28591, "iso-8859-1"},    {28592, "iso-8859-2"},
        {28593, "iso-8859-3"},     {28594, "iso-8859-4"},    {28595, "iso-8859-5"},
        {28596, "iso-8859-6"},     {28597, "iso-8859-7"},    {28598, "iso-8859-8"},
        {28599, "iso-8859-9"},     {28603, "iso-8859-13"},   {28605, "iso-8859-15"},
        {38598, "iso-8859-8-i"},   {50220, "iso-2022-jp"},   {50221, "csISO2022JP"},
        {50222, "_iso-2022-jp$SIO"}, {50225, "iso-2022-kr"}, {51932, "x-euc-jp"},
        {51949, "euc-kr"},         {52936, "hz-gb-2312"},    {54936, "gb18030"},
        {65000, "csUnicode11UTF7"}, {65001, "utf-8"},        {437, "ibm437"},
        {708, "ASMO-708"},         {720, "DOS-720"},
        {737, "ibm737"},           {775, "ibm775"},          {850, "ibm850"},
        {852, "ibm852"},           {855, "IBM855"},          {857, "ibm857"},
        {858, "IBM00858"},         {860, "IBM860"},          {861, "ibm861"},
        {862, "DOS-862"},          {863, "IBM863"},          {864, "IBM864"},
        {865, "IBM865"},           {866, "cp866"},           {869, "ibm869"}};
    if (const char *n = names.value(codePage))
        return QLatin1String(n);
    return QStringLiteral("windows-%1").arg(codePage);
}

namespace {

void appendReference(QString &out, char32_t cp)
{
    out += QLatin1String("&#") + QString::number(uint(cp)) + QLatin1Char(';');
}

} // namespace

QByteArray EncodeHtml(const QString &html, int codePage)
{
    if (codePage == 65001)
        return html.toUtf8();
    if (codePage == 1200) {
        QStringEncoder enc(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        return enc.encode(html);
    }
    CodePage::requireAvailable(codePage);
    // Each distinct character outside ASCII is tried once: it stays when it
    // comes back unchanged from the code page, else it becomes a reference.
    QHash<char32_t, bool> fits;
    QString text;
    text.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c.unicode() < 0x80) {
            text += c;
            continue;
        }
        char32_t cp = c.unicode();
        QString one(c);
        if (c.isHighSurrogate() && i + 1 < html.size() && html[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(c, html[i + 1]);
            one += html[i + 1];
            ++i;
        }
        auto it = fits.constFind(cp);
        if (it == fits.constEnd())
            it = fits.insert(cp, CodePage::toUnicode(CodePage::fromUnicode(one, codePage), codePage)
                                     == one);
        if (*it)
            text += one;
        else
            appendReference(text, cp);
    }
    return CodePage::fromUnicode(text, codePage);
}

} // namespace word
