#include "builder/TagScan.h"

#include <QStringList>

#include <algorithm>

namespace tagscan {

std::vector<Attribute> attributes(const QString &tag)
{
    std::vector<Attribute> result;
    const int n = int(tag.size());
    int i = 1;
    while (i < n && !isBlank(tag[i]) && tag[i] != u'>' && tag[i] != u'/')
        ++i; // the tag name
    while (i < n) {
        while (i < n && (isBlank(tag[i]) || tag[i] == u'/'))
            ++i;
        if (i >= n || tag[i] == u'>')
            break;
        Attribute a;
        a.nameStart = i;
        while (i < n && !isBlank(tag[i]) && tag[i] != u'=' && tag[i] != u'>')
            ++i;
        a.name = tag.mid(a.nameStart, i - a.nameStart);
        int j = i;
        while (j < n && isBlank(tag[j]))
            ++j;
        if (j < n && tag[j] == u'=') {
            ++j;
            while (j < n && isBlank(tag[j]))
                ++j;
            if (j < n && (tag[j] == u'"' || tag[j] == u'\'')) {
                a.quote = tag[j];
                const int close = int(tag.indexOf(a.quote, j + 1));
                a.valueStart = j + 1;
                a.valueEnd = close < 0 ? n : close;
                i = close < 0 ? n : close + 1;
            } else {
                a.valueStart = j;
                while (j < n && !isBlank(tag[j]) && tag[j] != u'>')
                    ++j;
                a.valueEnd = j;
                i = j;
            }
        }
        result.push_back(a);
    }
    return result;
}

QString startTagName(const QString &text, int lt)
{
    const int n = int(text.size());
    int i = lt + 1;
    if (i >= n || !text[i].isLetter())
        return QString();
    while (i < n && !isBlank(text[i]) && text[i] != u'>' && text[i] != u'/')
        ++i;
    return text.mid(lt + 1, i - lt - 1);
}

int tagEnd(const QString &text, int lt)
{
    const int n = int(text.size());
    const int plainEnd = int(text.indexOf(u'>', lt));
    bool afterEquals = false;
    for (int i = lt + 1; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'>')
            return i + 1;
        if (c == u'=') {
            afterEquals = true;
            continue;
        }
        if (afterEquals && (c == u'"' || c == u'\'')) {
            const int close = int(text.indexOf(c, i + 1));
            // An unbalanced quote must not swallow the page: fall back to
            // the first ">".
            if (close < 0)
                return plainEnd < 0 ? n : plainEnd + 1;
            i = close;
        }
        if (!isBlank(c))
            afterEquals = false;
    }
    return n;
}

QString rewriteStartTags(const QString &text, const QStringList &names,
                         const std::function<QString(const QString &tag, const QString &written)> &rewrite)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    const int n = int(text.size());
    int copied = 0;
    int i = int(text.indexOf(u'<'));
    while (i >= 0 && i < n) {
        const QString name = startTagName(text, i);
        if (name.isEmpty() || !names.contains(name, Qt::CaseInsensitive)) {
            i = int(text.indexOf(u'<', i + 1));
            continue;
        }
        const int end = tagEnd(text, i);
        out += QStringView(text).mid(copied, i - copied);
        out += rewrite(text.mid(i, end - i), out);
        copied = end;
        i = int(text.indexOf(u'<', end));
    }
    out += QStringView(text).mid(copied);
    return out;
}

// A path taken from a document made into a relative path that stays inside
// the folder it is written into: separators made "/", drive letters, root,
// "." and ".." segments dropped, characters a file name cannot hold made "_".
QString safeRelativePath(const QString &path)
{
    QStringList kept;
    for (QString segment : QString(path).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts)) {
        if (segment == u"." || segment == u"..")
            continue;
        if (kept.isEmpty() && segment.size() == 2 && segment[1] == u':' && segment[0].isLetter())
            continue;
        for (QChar &c : segment)
            if (c < QChar(32) || QStringLiteral(":*?\"<>|").contains(c))
                c = u'_';
        kept << segment;
    }
    return kept.join(u'/');
}

void insertSortedUnique(QStringList &list, const QString &entry)
{
    auto it = std::lower_bound(list.begin(), list.end(), entry, [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    for (auto j = it; j != list.end() && j->compare(entry, Qt::CaseInsensitive) == 0; ++j)
        if (*j == entry)
            return;
    list.insert(it, entry);
}

} // namespace tagscan
