#include "chmimport/ExtractContent.h"

#include "foundation/HTMLProcess.h"
#include "foundation/HtmlTables.h"

namespace {

bool isSpace(QChar c) { return HtmlSpaceChars.contains(c); }

// Folds the element at index c into the one below it.
void foldInto(THtmlTag &p, const THtmlTag &c, bool whole)
{
    p.InnerText += c.InnerText;
    p.Inner += whole ? c.Start + c.Inner + c.Tail : c.Inner;
    p.Blocks += c.Blocks;
    p.CharCount = p.Hide ? 0 : p.CharCount + c.CharCount;
}

QString normalisedBlock(const QString &text) { return TrimWhitespace(UnescapeHtml(CollapseWhitespace(text))); }

} // namespace

bool IsSimilarTitle(const QString &A, const QString &B)
{
    if (A.compare(B, Qt::CaseInsensitive) == 0)
        return true;
    const qsizetype M = std::max(A.size(), B.size());
    const qsizetype m = std::min(A.size(), B.size());
    if (double(M - m) / double(M) >= 0.4)
        return false;
    if (A.size() == B.size())
        return B.contains(A, Qt::CaseInsensitive);
    return A.size() > B.size() ? A.contains(B, Qt::CaseInsensitive) : B.contains(A, Qt::CaseInsensitive);
}

QString BalanceTableFragment(const QString &Html)
{
    QString before, after;
    // The last tag's name.
    const qsizetype gt = Html.lastIndexOf(QLatin1Char('>'));
    if (gt >= 0) {
        const qsizetype lt = Html.lastIndexOf(QLatin1Char('<'), gt);
        if (lt >= 0) {
            qsizetype k = lt + 1;
            if (k < Html.size() && Html.at(k) == QLatin1Char('/'))
                ++k;
            QString name;
            while (k < gt && !isSpace(Html.at(k)) && Html.at(k) != QLatin1Char('>'))
                name += Html.at(k++);
            if (name.compare(QLatin1String("tr"), Qt::CaseInsensitive) == 0)
                after = QStringLiteral("</table>");
            else if (name.compare(QLatin1String("td"), Qt::CaseInsensitive) == 0)
                after = QStringLiteral("</tr></table>");
        }
    }
    const qsizetype lt = Html.indexOf(QLatin1Char('<'));
    if (lt >= 0) {
        qsizetype k = lt + 1;
        if (k < Html.size() && Html.at(k) == QLatin1Char('/'))
            ++k;
        QString name;
        while (k < Html.size() && !isSpace(Html.at(k)) && Html.at(k) != QLatin1Char('>'))
            name += Html.at(k++);
        if (name.compare(QLatin1String("tr"), Qt::CaseInsensitive) == 0)
            before = QStringLiteral("<table>");
        else if (name.compare(QLatin1String("td"), Qt::CaseInsensitive) == 0)
            before = QStringLiteral("<table><tr>");
    }
    return before + Html + after;
}

int SumOpenCharCount(const THtmlTags &Tags)
{
    int sum = 0;
    for (int k = 0; k < Tags.TagCount(); ++k)
        sum += Tags.TagAt(k)->CharCount;
    return sum;
}

QString ExtractMainContent(const QString &Html, const QString &Title, qsizetype TitleFrom)
{
    THtmlTags tags;
    THtmlTag *root = tags.Add();
    root->Name = QStringLiteral("Root");
    bool firstBlock = true;
    THtmlTag *titleHolder = nullptr;
    bool titleDropped = false;
    QString block;
    // Where the current block began: its position, and the innermost element
    // with the length of its Inner then (valid while that element is open).
    qsizetype blockFrom = 0;
    int markDepth = 0;
    qsizetype markLength = 0;
    bool markValid = true;

    bool inTag = false, collectingName = false;
    QString tagText, name;

    for (qsizetype at = 0; at < Html.size(); ++at) {
        const QChar ch = Html.at(at);
        THtmlTag *top = tags.TagAt(tags.TagCount() - 1);
        if (!inTag && ch == QLatin1Char('<')) {
            top->Inner += tagText;
            tagText = QStringLiteral("<");
            name.clear();
            inTag = true;
            collectingName = true;
            continue;
        }
        if (inTag && ch != QLatin1Char('>')) {
            tagText += ch;
            if (collectingName) {
                if (isSpace(ch))
                    collectingName = false;
                else
                    name += ch;
            }
            continue;
        }
        if (inTag) { // ">"
            tagText += ch;
            inTag = false;
            bool endTag = false;
            if (name.startsWith(QLatin1Char('/'))) {
                endTag = true;
                name.remove(0, 1);
            }
            const bool blockTag = IsBlockTag(name);
            if (blockTag) {
                const QString text = normalisedBlock(block);
                // The first block of the piece (after what it takes from
                // before its anchor) goes when it repeats the entry's title;
                // any other first block is the page's own text.
                if (!text.isEmpty() && firstBlock && blockFrom >= TitleFrom) {
                    if (IsSimilarTitle(text, Title) && markValid && markDepth == tags.TagCount() - 1) {
                        top->Inner.truncate(markLength);
                        titleHolder = top;
                        titleDropped = true;
                    }
                    firstBlock = false;
                }
                block.clear();
            }
            if (!endTag && IsEmptyTag(name)) {
                top->Inner += tagText;
            } else if (!endTag) {
                THtmlTag *e = tags.Add();
                e->Name = name;
                e->Start = tagText;
                e->Block = IsBlockTag(name);
                e->NonDoc = top->NonDoc || IsNonTextTag(name);
            } else {
                int d = -1;
                for (int k = tags.TagCount() - 1; k >= 1; --k)
                    if (tags.TagAt(k)->Name.compare(name, Qt::CaseInsensitive) == 0) {
                        d = k;
                        break;
                    }
                if (d >= 0) {
                    tags.TagAt(d)->Tail = tagText;
                    for (int k = tags.TagCount() - 1; k >= d; --k) {
                        THtmlTag *c = tags.TagAt(k);
                        // The element that held the title leaves no empty
                        // shell; what it holds besides stays.
                        const bool emptyTitle = c == titleHolder && TrimWhitespace(c->Inner).isEmpty();
                        if (c == titleHolder)
                            titleHolder = nullptr;
                        if (!emptyTitle)
                            foldInto(*tags.TagAt(k - 1), *c, true);
                    }
                    tags.TruncateTo(d);
                    if (d <= markDepth)
                        markValid = false;
                }
            }
            if (blockTag) {
                blockFrom = at + 1;
                markDepth = tags.TagCount() - 1;
                markLength = tags.TagAt(markDepth)->Inner.size();
                markValid = true;
            }
            tagText.clear();
            continue;
        }
        top->InnerText += ch;
        top->Inner += ch;
        if (!top->NonDoc) {
            block += ch;
            if (!isSpace(ch))
                top->CharCount += 1;
        }
    }
    // What is left open is folded down to the root.
    for (int k = tags.TagCount() - 1; k >= 1; --k)
        foldInto(*tags.TagAt(k - 1), *tags.TagAt(k), true);
    // The whole piece stays: the largest element alone would lose the text
    // beside it.
    QString result = root->Inner;
    if (TrimWhitespace(result).isEmpty() && !titleDropped)
        result = Html;
    return BalanceTableFragment(result);
}
