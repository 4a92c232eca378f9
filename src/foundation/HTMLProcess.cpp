#include "foundation/HTMLProcess.h"
#include "platform/LinkScheme.h"

#include <QRegularExpression>

namespace {

// A named reference is given up once its name has grown past this length.
constexpr qsizetype MaxEntityName = 10;

bool isSpace(QChar c) { return HtmlSpaceChars.contains(c); }

bool isAsciiAlnum(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// Ends a tag name in the scanners that stop names at TAB, CR, LF, space and ">".
bool endsTagName(QChar c) { return isSpace(c) || c == u'>'; }

bool sameName(QStringView a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Rewrites every occurrence of each marker, in any case, to its lower-case spelling.
QString lowerMarkers(QString text, std::initializer_list<const char *> markers)
{
    for (const char *marker : markers) {
        const QString lower = QString::fromLatin1(marker);
        text.replace(lower, lower, Qt::CaseInsensitive);
    }
    return text;
}

// Decodes the decimal reference "&#..." at amp. Returns where the scan goes on;
// the character that ended the reference is left for the caller unless it is ";".
qsizetype decodeNumeric(const QString &text, qsizetype amp, QString &out)
{
    const qsizetype n = text.size();
    const qsizetype first = amp + 2;
    qsizetype end = first;
    quint64 value = 0;
    bool tooLarge = false;
    while (end < n && text[end] >= u'0' && text[end] <= u'9') {
        if (!tooLarge) {
            value = value * 10 + (text[end].unicode() - u'0');
            tooLarge = value > 0x10FFFF;
        }
        ++end;
    }
    if (end == first) {
        out += QLatin1String("&#");
        return end;
    }
    // Ended directly by "&", a reference is left as written; so is one that
    // names no character.
    if ((end < n && text[end] == u'&') || tooLarge || value == 0) {
        out += QStringView(text).mid(amp, end - amp);
        return end;
    }
    const char32_t code = char32_t(value);
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
    return (end < n && text[end] == u';') ? end + 1 : end;
}

// Decodes the named reference at amp. A whole name closed by ";" wins;
// otherwise the shortest name that the text begins with is taken, and a ";"
// right after it is dropped by the caller (justDecoded).
qsizetype decodeNamed(const QString &text, qsizetype amp, QString &out, bool &justDecoded)
{
    const qsizetype n = text.size();
    const QStringView view(text);
    qsizetype end = amp + 1;
    while (end < n && end - amp - 1 < MaxEntityName && isAsciiAlnum(text[end]))
        ++end;
    if (end < n && end > amp + 1 && text[end] == u';') {
        const int code = HtmlEntityCode(view.mid(amp + 1, end - amp - 1));
        if (code >= 0) {
            out += QChar(char16_t(code));
            return end + 1;
        }
    }
    for (qsizetype len = 1;; ++len) {
        const qsizetype pos = amp + len;
        if (pos >= n) {
            out += view.mid(amp);
            return n;
        }
        if (text[pos] == u'&') {
            out += view.mid(amp, pos - amp);
            return pos;
        }
        if (len > MaxEntityName) {
            out += view.mid(amp, pos - amp + 1);
            return pos + 1;
        }
        const int code = HtmlEntityCode(view.mid(amp + 1, len));
        if (code >= 0) {
            out += QChar(char16_t(code));
            justDecoded = true;
            return pos + 1;
        }
    }
}

struct HeadPositions {
    QString page;       // the page with "<head" and "</head" lower-cased
    qsizetype gt = -1;  // the ">" ending the head start tag
    qsizetype end = -1; // the "<" of "</head"
    bool found() const { return gt >= 0; }
};

HeadPositions findHead(const QString &page)
{
    HeadPositions h;
    h.page = lowerMarkers(page, {"<head", "</head"});
    const qsizetype s = h.page.indexOf(QLatin1String("<head"));
    const qsizetype e = h.page.indexOf(QLatin1String("</head"));
    if (s < 0 || e < 0)
        return h;
    const qsizetype g = h.page.indexOf(u'>', s);
    if (g >= 0 && g < e) {
        h.gt = g;
        h.end = e;
    }
    return h;
}

// Removes each stretch from a start marker through the next end marker
// (markers matched with case) when the filter is empty or the stretch holds it
// (without regard to case). A stretch without end marker is kept.
QString removeBlocks(const QString &text, const QString &startMarker, const QString &endMarker,
                     const QString &filter)
{
    if (startMarker.isEmpty() || endMarker.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype start = text.indexOf(startMarker, pos);
        const qsizetype end = start < 0 ? -1 : text.indexOf(endMarker, start + startMarker.size());
        if (end < 0) {
            out += QStringView(text).mid(pos);
            return out;
        }
        const qsizetype blockEnd = end + endMarker.size();
        const QStringView block = QStringView(text).mid(start, blockEnd - start);
        const bool remove = filter.isEmpty() || block.contains(filter, Qt::CaseInsensitive);
        out += QStringView(text).mid(pos, (remove ? start : blockEnd) - pos);
        pos = blockEnd;
    }
}

// The end of a closing "</script" at pos: the position after its ">", which
// may follow the name after whitespace; -1 when it is not a closing tag.
qsizetype closingScriptEnd(const QString &text, qsizetype pos)
{
    qsizetype i = pos + 8; // length of "</script"
    while (i < text.size() && isSpace(text[i]))
        ++i;
    return (i < text.size() && text[i] == u'>') ? i + 1 : -1;
}

// Lower-cases ASCII letters only.
QString asciiLower(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return out;
}

} // namespace

QString EscapeHtml(const QString &text)
{
    QString out = text;
    out.replace(u'&', QLatin1String("&amp;"));
    out.replace(u'"', QLatin1String("&quot;"));
    out.replace(u'<', QLatin1String("&lt;"));
    out.replace(u'>', QLatin1String("&gt;"));
    out.replace(QChar(0x00A9), QLatin1String("&copy;"));
    return out;
}

QString UnescapeHtml(const QString &text)
{
    const qsizetype n = text.size();
    QString out;
    out.reserve(n);
    bool justDecoded = false;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c != u'&') {
            if (c != u';' || !justDecoded)
                out += c;
            justDecoded = false;
            ++i;
            continue;
        }
        justDecoded = false;
        if (i + 1 < n && text[i + 1] == u'#')
            i = decodeNumeric(text, i, out);
        else
            i = decodeNamed(text, i, out, justDecoded);
    }
    return out;
}

bool IsEntityEncoded(const QString &text)
{
    bool inReference = false;
    int run = 0;
    int ends = 0;
    for (QChar c : text) {
        if (c == u'&') {
            inReference = true;
            run = 0;
        } else if (c == u';' || c == u' ') {
            inReference = false;
            run = 0;
            ++ends;
        } else if (inReference) {
            if (++run > 6) {
                inReference = false;
                run = 0;
                ++ends;
            }
        } else if (c.unicode() > 127) {
            return false;
        }
    }
    return ends >= 2;
}

QString GetHtmlTitle(const QString &page)
{
    const QString t = lowerMarkers(page, {"<title>", "</title>"});
    const qsizetype s = t.indexOf(QLatin1String("<title>"));
    const qsizetype e = t.indexOf(QLatin1String("</title>"));
    if (s < 0 || e < 0 || s > e)
        return QString();
    QString title = t.mid(s + 7, e - s - 7);
    title.remove(u'\r');
    title.remove(u'\n');
    return UnescapeHtml(title);
}

QString SetHtmlTitle(const QString &page, const QString &title)
{
    const QString escaped = EscapeHtml(title);
    QString t = lowerMarkers(page, {"<title>", "</title>"});
    const qsizetype s = t.indexOf(QLatin1String("<title>"));
    const qsizetype e = t.indexOf(QLatin1String("</title>"));
    if (s >= 0 && e >= 0 && s < e)
        return t.left(s + 7) + escaped + t.mid(e);
    t = lowerMarkers(t, {"<head>"});
    t.replace(QLatin1String("<head>"),
              QLatin1String("<head>\r\n<title>") + escaped + QLatin1String("</title>\r\n"));
    return t;
}

QString GetHtmlHead(const QString &page)
{
    const HeadPositions h = findHead(page);
    return h.found() ? h.page.mid(h.gt + 1, h.end - h.gt - 1) : QString();
}

THtmlHeadSplit SplitHtmlHead(const QString &page)
{
    const HeadPositions h = findHead(page);
    if (!h.found())
        return {page, QString()};
    return {h.page.left(h.gt + 1) + HeadPlaceholder + h.page.mid(h.end),
            h.page.mid(h.gt + 1, h.end - h.gt - 1)};
}

THtmlBodySplit SplitHtmlBody(const QString &page)
{
    const qsizetype n = page.size();
    qsizetype nameStart = -1; // inside a tag name when >= 0
    bool bodySeen = false;
    qsizetype gt = -1;
    for (qsizetype i = 0; i < n && gt < 0; ++i) {
        const QChar c = page[i];
        if (nameStart >= 0 && endsTagName(c)) {
            bodySeen = bodySeen || sameName(QStringView(page).mid(nameStart, i - nameStart), QStringLiteral("body"));
            nameStart = -1;
        }
        if (c == u'<')
            nameStart = i + 1;
        else if (c == u'>' && bodySeen)
            gt = i;
    }
    if (gt < 0)
        return {QString(), page, QString()};

    THtmlBodySplit split;
    split.BeforeBody = page.left(gt + 1);
    const QLatin1String closing("</body");
    qsizetype last = page.lastIndexOf(closing, -1, Qt::CaseInsensitive);
    if (last <= gt)
        last = n;
    split.Body = page.mid(gt + 1, last - gt - 1);
    split.AfterBody = page.mid(last);
    const qsizetype first = split.Body.indexOf(closing, 0, Qt::CaseInsensitive);
    if (first >= 0)
        split.Body.truncate(first);
    return split;
}

QString RemoveScripts(const QString &text)
{
    const QString t = lowerMarkers(text, {"<script", "</script"});
    QString out;
    out.reserve(t.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype start = t.indexOf(QLatin1String("<script"), pos);
        if (start < 0) {
            out += QStringView(t).mid(pos);
            break;
        }
        out += QStringView(t).mid(pos, start - pos);
        qsizetype end = -1;
        qsizetype close = t.indexOf(QLatin1String("</script"), start + 7);
        while (close >= 0 && (end = closingScriptEnd(t, close)) < 0)
            close = t.indexOf(QLatin1String("</script"), close + 8);
        if (end < 0)
            break; // an unclosed script runs to the end of the text
        pos = end;
    }
    return out;
}

QString RemoveBetween(const QString &text, const QString &startMarker, const QString &endMarker)
{
    return removeBlocks(text, startMarker, endMarker, QString());
}

QString RemoveMarkedBlocks(const QString &text, const QString &startMarker,
                           const QString &endMarker, const QString &filter)
{
    if (startMarker.isEmpty() || endMarker.isEmpty())
        return text;
    const QString start = startMarker.toLower();
    const QString end = endMarker.toLower();
    QString t = text;
    t.replace(start, start, Qt::CaseInsensitive);
    t.replace(end, end, Qt::CaseInsensitive);
    return removeBlocks(t, start, end, filter);
}

QString GetTagAttribute(const QString &tag, const QString &attributeName)
{
    enum { Skip, Name, ValueStart, Quoted, Bare } state = Skip;
    QString name;
    QString value;
    QChar quote;
    bool wanted = false;
    for (QChar c : tag) {
        switch (state) {
        case Skip: // the tag name, or the rest of a quoted value
            if (isSpace(c)) {
                state = Name;
                name.clear();
            }
            break;
        case Name:
            if (isSpace(c)) {
                name.clear();
            } else if (c == u'=') {
                wanted = name.compare(attributeName, Qt::CaseInsensitive) == 0;
                value.clear();
                state = ValueStart;
            } else {
                name += c;
            }
            break;
        case ValueStart:
            if (c == u'"' || c == u'\'') {
                quote = c;
                state = Quoted;
            } else if (isSpace(c) || (c == u'>' && wanted)) {
                if (wanted)
                    return QString();
                state = Name;
                name.clear();
            } else {
                value += c;
                state = Bare;
            }
            break;
        case Quoted:
            if (c == quote || (c == u'>' && wanted)) {
                if (wanted)
                    return value;
                state = Skip;
            } else {
                value += c;
            }
            break;
        case Bare:
            if (isSpace(c) || (c == u'>' && wanted)) {
                if (wanted)
                    return value;
                state = Name;
                name.clear();
            } else {
                value += c;
            }
            break;
        }
    }
    return QString();
}

QString GetFirstTag(const QString &text, const QString &tagName)
{
    const QString needle = QLatin1Char('<') + tagName;
    for (qsizetype start = text.indexOf(needle, 0, Qt::CaseInsensitive); start >= 0;
         start = text.indexOf(needle, start + 1, Qt::CaseInsensitive)) {
        const qsizetype after = start + needle.size();
        // "<a" must not find "<abbr": the name has to end there.
        if (after < text.size() && !endsTagName(text[after]) && text[after] != u'/')
            continue;
        const qsizetype gt = text.indexOf(u'>', after);
        return gt < 0 ? QString() : text.mid(start, gt - start + 1);
    }
    return QString();
}

QString CompactTagMarkup(const QString &text, const QString &tagName)
{
    enum { Text, TagName, InTag } state = Text;
    QString out;
    out.reserve(text.size());
    qsizetype nameStart = 0;
    bool inRun = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        switch (state) {
        case Text:
            out += c;
            if (c == u'<') {
                state = TagName;
                nameStart = i + 1;
            }
            break;
        case TagName:
            if (c == u'<') {
                out += c;
                nameStart = i + 1;
            } else if (c == u'>') {
                out += c;
                state = Text;
            } else if (isSpace(c)) {
                if (sameName(QStringView(text).mid(nameStart, i - nameStart), tagName)) {
                    out += u' ';
                    inRun = true;
                    state = InTag;
                } else {
                    out += c;
                    state = Text;
                }
            } else {
                out += c;
            }
            break;
        case InTag:
            if (isSpace(c)) {
                if (!inRun)
                    out += u' ';
                inRun = true;
            } else {
                out += c;
                inRun = false;
                if (c == u'>')
                    state = Text;
            }
            break;
        }
    }
    return out;
}

QString CollapseWhitespace(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (QChar c : text) {
        if (isSpace(c)) {
            pendingSpace = !out.isEmpty();
        } else {
            if (pendingSpace)
                out += u' ';
            pendingSpace = false;
            out += c;
        }
    }
    return out;
}

QString TrimWhitespace(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isSpace(text[first]))
        ++first;
    while (last > first && isSpace(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

QString CollapseNbsp(const QString &text)
{
    QString out = text;
    qsizetype length;
    do {
        length = out.size();
        out.replace(QLatin1String("&nbsp; "), QLatin1String("&nbsp;"), Qt::CaseInsensitive);
        out.replace(QLatin1String("&nbsp;&nbsp;"), QLatin1String("&nbsp;"), Qt::CaseInsensitive);
    } while (out.size() != length);
    return out;
}

bool IsBlankText(const QString &text)
{
    for (QChar c : text)
        if (!isSpace(c))
            return false;
    return true;
}

bool IsBlankHtml(const QString &html)
{
    QString t = html;
    t.replace(QLatin1String("&nbsp;"), QLatin1String(" "), Qt::CaseInsensitive);
    bool inTag = false;
    qsizetype nameStart = -1; // inside a tag name when >= 0
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (nameStart >= 0 && endsTagName(c)) {
            if (sameName(QStringView(t).mid(nameStart, i - nameStart), QStringLiteral("img")))
                return false;
            nameStart = -1;
        }
        if (c == u'<') {
            inTag = true;
            nameStart = i + 1;
        } else if (c == u'>') {
            inTag = false;
        } else if (!inTag && !isSpace(c)) {
            return false;
        }
    }
    return true;
}

bool IsSimilarText(const QString &text1, const QString &text2)
{
    return IsSimilarLowerText(asciiLower(text1), asciiLower(text2));
}

QString SimilarityKey(const QString &text)
{
    return asciiLower(text);
}

bool IsSimilarLowerText(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a == b)
        return true;
    if (a.size() < 5 || b.size() < 5 || qAbs(a.size() - b.size()) > kSimilarLengthSpread)
        return false;
    const QString &s = b.size() < a.size() ? b : a;
    const QString &l = b.size() < a.size() ? a : b;

    // Walk the shorter text through the longer one; a character of the
    // shorter one that is nowhere ahead in the longer one is skipped, and the
    // search goes on after the last match.
    qsizetype p = 0, i = 0, resume = 0;
    qsizetype run = 0, total = 0;
    while (p < s.size()) {
        if (i >= l.size()) {
            ++p;
            i = resume;
            continue;
        }
        if (s[p] == l[i]) {
            ++run;
            ++p;
            ++i;
            resume = i;
        } else {
            if (run >= 3)
                total += run;
            run = 0;
            ++i;
        }
    }
    if (run >= 3)
        total += run;
    return double(total) / double(s.size()) > 0.8;
}

QString DecodeAttributeValue(const QString &value)
{
    static const QRegularExpression hex(QStringLiteral("&#[xX]([0-9A-Fa-f]{1,6});?"));
    QString text;
    qsizetype copied = 0;
    for (auto it = hex.globalMatch(value); it.hasNext();) {
        const auto m = it.next();
        const char32_t code = char32_t(m.captured(1).toUInt(nullptr, 16));
        text += QStringView(value).mid(copied, m.capturedStart() - copied);
        if (code == 0 || code > 0x10FFFF)
            text += m.captured();
        else
            text += QString::fromUcs4(&code, 1);
        copied = m.capturedEnd();
    }
    text += QStringView(value).mid(copied);
    return UnescapeHtml(text);
}

bool IsScriptLink(const QString &href)
{
    QString address = DecodeAttributeValue(href);
    // Browsers drop tabs and line breaks anywhere in a URL and blanks and
    // control characters around it; none belongs in a scheme either way.
    // Names of HTML5 that the entity table lacks but browsers decode.
    address.remove(QStringLiteral("&Tab;")).remove(QStringLiteral("&NewLine;"));
    address.replace(QStringLiteral("&colon;"), QStringLiteral(":"));
    const QString scheme = LinkScheme(address);
    return scheme == u"javascript" || scheme == u"vbscript" || scheme == u"data";
}
