// Text routines of the WebHelp output: escapes for its scripts, the search
// text of a page and the edits made to every page and skeleton.
#include "builder/Webhelp.h"
#include "foundation/HTMLProcess.h"

#include <QSet>

namespace {

const QString kWebMark = QStringLiteral("<!-- saved from url=(0014)about:internet -->");

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Every "</script" (any case) as "<\/script": it would end an inline script.
QString breakScriptEnds(const QString &S)
{
    static const QString end = QStringLiteral("</script");
    QString out = S;
    for (qsizetype at = out.indexOf(end, 0, Qt::CaseInsensitive); at >= 0;
         at = out.indexOf(end, at + end.size() + 1, Qt::CaseInsensitive))
        out.insert(at + 1, u'\\');
    return out;
}

} // namespace

QStringList ParseInterfaceNames(const QString &Text)
{
    QStringList names;
    for (const QString &line : Text.split(u'\n')) {
        const qsizetype open = line.indexOf(QStringLiteral("[\""));
        const qsizetype close = line.indexOf(QStringLiteral("\"]"));
        if (open < 0 || close < 0 || close < open)
            continue;
        const QString name = line.mid(open + 2, close - open - 2).trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

// ---- Text routines ------------------------------------------------------------------

QString EscapeJSString(const QString &S)
{
    QString out = S;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'`', QStringLiteral("\\n"));
    out.replace(u'\r', QStringLiteral("\\n"));
    out.replace(u'\n', QStringLiteral("\\r"));
    out.replace(u'"', QStringLiteral("\\\""));
    out.replace(u'\'', QStringLiteral("\\'"));
    return breakScriptEnds(out);
}

QString EscapeJSText(const QString &S)
{
    QString out;
    out.reserve(S.size());
    for (qsizetype i = 0; i < S.size(); ++i) {
        const QChar c = S[i];
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '"': out += QStringLiteral("\\\""); break;
        case '\'': out += QStringLiteral("\\'"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case 0x2028: out += QStringLiteral("\\u2028"); break;
        case 0x2029: out += QStringLiteral("\\u2029"); break;
        default: out += c;
        }
    }
    return breakScriptEnds(out);
}

QString EscapeIndexText(const QString &S)
{
    QString out = EscapeHtml(S);
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'\'', QStringLiteral("\\'"));
    out.replace(u'\r', QStringLiteral("\\r"));
    out.replace(u'\n', QStringLiteral("\\n"));
    return out;
}

QString GetSearchText(const QString &Html)
{
    static const QSet<QString> hidden{QStringLiteral("script"), QStringLiteral("title"), QStringLiteral("style")};
    static const QSet<QString> breaks{QStringLiteral("p"),  QStringLiteral("br"),  QStringLiteral("ul"),
                                      QStringLiteral("ol"), QStringLiteral("/li"), QStringLiteral("td")};
    QString out;
    out.reserve(Html.size());
    QString tagName;
    bool inText = true;
    bool inTagName = false;
    bool keep = false; // text before the first tag is dropped
    bool lastWasBreak = false;
    for (const QChar c : Html) {
        if (c == u'<') {
            tagName.clear();
            inTagName = true;
            inText = false;
        } else if (c == u'>') {
            inText = true;
            inTagName = false;
            const QString name = tagName.toLower();
            keep = !hidden.contains(name);
            if (breaks.contains(name) && !lastWasBreak) {
                out += u'`';
                lastWasBreak = true;
            }
        } else if (inText) {
            if (!keep)
                continue;
            if (c == u'\r' || c == u'\n' || c == u' ') {
                if (!lastWasBreak)
                    out += u' ';
            } else {
                out += c;
                lastWasBreak = false;
            }
        } else if (inTagName) {
            // Word breaks long tags across lines, so any blank ends the name.
            if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')
                inTagName = false;
            else
                tagName += c;
        }
    }
    return CollapseWhitespace(UnescapeHtml(out));
}

// ---- Page text routines ---------------------------------------------------------------

QString ChangeHtmExtension(const QString &Text)
{
    static const QString htm = QStringLiteral(".htm");
    QString out;
    out.reserve(Text.size() + 16);
    qsizetype done = 0;
    for (qsizetype at = Text.indexOf(htm, 0, Qt::CaseInsensitive); at >= 0;
         at = Text.indexOf(htm, at + htm.size(), Qt::CaseInsensitive)) {
        const qsizetype end = at + htm.size();
        if (end < Text.size() && isNameChar(Text[end]))
            continue; // ".html", ".htmx": not a ".htm" link
        out += QStringView(Text).mid(done, at - done);
        out += QStringLiteral(".html");
        done = end;
    }
    out += QStringView(Text).mid(done);
    return out;
}

QString InsertAfterBodyTag(const QString &Page, const QString &Script)
{
    const qsizetype n = Page.size();
    for (qsizetype at = Page.indexOf(u'<'); at >= 0; at = Page.indexOf(u'<', at + 1)) {
        QString name;
        qsizetype j = at + 1;
        for (; j < n && name != u"!--"; ++j) {
            const QChar c = Page[j];
            if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'>')
                break;
            name += c;
        }
        if (name.compare(QStringLiteral("body"), Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype gt = Page.indexOf(u'>', j);
        if (gt < 0)
            break;
        return Page.left(gt + 1) + Script + Page.mid(gt + 1);
    }
    return Script + Page;
}

QString AddDocTypeAndWebMark(const QString &Page)
{
    const QString tag = GetFirstTag(Page, QStringLiteral("!DOCTYPE"));
    if (tag.isEmpty())
        return QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n") + kWebMark +
               QStringLiteral("\r\n") + Page;
    return QString(Page).replace(tag, tag + QStringLiteral("\r\n") + kWebMark, Qt::CaseInsensitive);
}

