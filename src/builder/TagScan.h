#pragma once
// Character scanning of start tags and their attributes, shared by the text
// passes of the Word converter. HTML is handled as text: only the tags a pass
// asks for are taken apart, everything else is copied as it stands.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace tagscan {

inline bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// One attribute of a tag's text; positions index the tag text. valueStart
// and valueEnd enclose the value without its quotes; quote is '"', '\'' or
// 0 for a bare value (or an attribute without value, whose valueStart is -1).
struct Attribute {
    QString name;
    int nameStart = 0;
    int valueStart = -1;
    int valueEnd = -1;
    QChar quote;
    QString value(const QString &tag) const { return valueStart < 0 ? QString() : tag.mid(valueStart, valueEnd - valueStart); }
};

// The attributes of a start tag's text ("<name ...>").
std::vector<Attribute> attributes(const QString &tag);

// The name of the tag starting at text[lt] (a "<"), or empty when the "<"
// does not open a start tag.
QString startTagName(const QString &text, int lt);

// The index just past the ">" that ends the tag starting at lt; a quoted
// attribute value may hold ">". A tag without end runs to the end of text.
int tagEnd(const QString &text, int lt);

// Copies text, handing every start tag whose name matches (without regard to
// case) one of names to rewrite; its result replaces the tag. The callback
// also gets the text written so far.
QString rewriteStartTags(const QString &text, const QStringList &names,
                         const std::function<QString(const QString &tag, const QString &written)> &rewrite);

// A path taken from a document made into a relative path that stays inside
// the folder it is written into.
QString safeRelativePath(const QString &path);
// Inserts entry into a list kept sorted without regard to case, unless the
// very same text is already there.
void insertSortedUnique(QStringList &list, const QString &entry);

} // namespace tagscan
