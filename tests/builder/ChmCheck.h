#pragma once
// Reading back what the HTML Help output wrote: the nesting of a contents or
// index text, and the files, context map and window of a compiled help file
// through libchm.
#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtEndian>
#include <chm_lib.h>

namespace chmcheck {

// The depth of each sitemap entry (its first Name, "depth:name", the
// outermost list being 1) and the depth left at the end: a text whose lists
// are not balanced ends at a depth other than 0.
struct Outline {
    QStringList entries;
    int finalDepth = 0;
};

inline Outline outline(const QString &text)
{
    static const QRegularExpression token(
        QStringLiteral("<UL>|</UL>|<LI>\\s*<OBJECT type=\"text/sitemap\">\\s*<param name=\"Name\" value=\"([^\"]*)\">"),
        QRegularExpression::CaseInsensitiveOption);
    Outline o;
    for (auto it = token.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).compare(QLatin1String("<UL>"), Qt::CaseInsensitive) == 0)
            ++o.finalDepth;
        else if (m.captured(0).compare(QLatin1String("</UL>"), Qt::CaseInsensitive) == 0)
            --o.finalDepth;
        else
            o.entries << QStringLiteral("%1:%2").arg(o.finalDepth).arg(m.captured(1));
    }
    return o;
}

class ChmReader {
public:
    explicit ChmReader(const QString &path) : h_(chm_open(QFile::encodeName(path).constData())) {}
    ~ChmReader()
    {
        if (h_)
            chm_close(h_);
    }
    ChmReader(const ChmReader &) = delete;
    ChmReader &operator=(const ChmReader &) = delete;

    bool isOpen() const { return h_ != nullptr; }
    QByteArray read(const QString &name) const
    {
        chmUnitInfo ui;
        if (!h_ || chm_resolve_object(h_, name.toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS)
            return QByteArray();
        QByteArray data(qsizetype(ui.length), '\0');
        data.resize(qsizetype(
            chm_retrieve_object(h_, &ui, reinterpret_cast<unsigned char *>(data.data()), 0, LONGINT64(ui.length))));
        return data;
    }
    // Context number to alias target.
    QMap<quint32, QString> contextMap() const
    {
        const QByteArray ivb = read(QStringLiteral("/#IVB"));
        const QByteArray strings = read(QStringLiteral("/#STRINGS"));
        QMap<quint32, QString> map;
        for (int at = 4; at + 8 <= ivb.size(); at += 8)
            map.insert(dword(ivb, at), stringAt(strings, dword(ivb, at + 4)));
        return map;
    }
    // The text of a #SYSTEM entry (1 names the index file that viewers show).
    QString systemText(quint16 code) const
    {
        const QByteArray system = read(QStringLiteral("/#SYSTEM"));
        for (int at = 4; at + 4 <= system.size();) {
            const quint16 entry = qFromLittleEndian<quint16>(system.constData() + at);
            const quint16 length = qFromLittleEndian<quint16>(system.constData() + at + 2);
            if (entry == code)
                return QString::fromLatin1(system.mid(at + 4, length)).section(QChar(0), 0, 0);
            at += 4 + length;
        }
        return QString();
    }
    // The keywords of the binary index, each by the text of its own level;
    // empty when the help file has none.
    QStringList binaryKeywords() const
    {
        const QByteArray tree = read(QStringLiteral("/$WWKeywordLinks/BTree"));
        QStringList keywords;
        if (tree.size() < 0x4C)
            return keywords;
        const int blockSize = qFromLittleEndian<quint16>(tree.constData() + 4);
        const quint32 lastListing = dword(tree, 0x1A);
        auto word = [&](int at) { return at + 2 <= tree.size() ? qFromLittleEndian<quint16>(tree.constData() + at) : 0; };
        for (quint32 block = 0; blockSize > 0 && block <= lastListing; ++block) {
            int at = 0x4C + int(block) * blockSize;
            const int entries = word(at + 2);
            at += 12;
            for (int e = 0; e < entries && at < tree.size(); ++e) {
                QString text;
                for (; at + 2 <= tree.size() && word(at) != 0; at += 2)
                    text += QChar(word(at));
                at += 2;
                const bool seeAlso = word(at) == 2;
                const quint32 ownLevel = dword(tree, at + 4);
                keywords << text.mid(int(ownLevel));
                at += 12;
                const quint32 pairs = dword(tree, at);
                at += 4;
                if (seeAlso) {
                    while (at + 2 <= tree.size() && word(at) != 0)
                        at += 2;
                    at += 2;
                } else {
                    at += int(pairs) * 4;
                }
                at += 8;
            }
        }
        return keywords;
    }
    // A number, or a text, of the first window definition.
    quint32 windowNumber(int offset) const { return dword(read(QStringLiteral("/#WINDOWS")), 8 + offset); }
    QString windowText(int offset) const { return stringAt(read(QStringLiteral("/#STRINGS")), windowNumber(offset)); }

private:
    static quint32 dword(const QByteArray &data, int offset)
    {
        return offset + 4 <= data.size() ? qFromLittleEndian<quint32>(data.constData() + offset) : 0;
    }
    static QString stringAt(const QByteArray &strings, quint32 offset)
    {
        return offset < quint32(strings.size()) ? QString::fromUtf8(strings.constData() + offset) : QString();
    }
    chmFile *h_;
};

// The pages of a context-ID file written with the C# code template
// ("... = <number>; // <title> (<page>)"), by context number.
inline QMap<quint32, QString> contextFilePages(const QString &text)
{
    static const QRegularExpression line(QStringLiteral("= *(\\d+); *//.*\\(([^()]*)\\)\\s*$"),
                                         QRegularExpression::MultilineOption);
    QMap<quint32, QString> pages;
    for (const QRegularExpressionMatch &m : line.globalMatch(text))
        pages.insert(m.captured(1).toUInt(), m.captured(2));
    return pages;
}

// What is wrong with a compiled file's context map, as a viewer looks a
// number up (#IVB, then #STRINGS, then the page inside the file), against
// the page each number should open; empty when every number opens its page.
inline QStringList contextMapProblems(const ChmReader &chm, const QMap<quint32, QString> &expected)
{
    QStringList problems;
    const QMap<quint32, QString> map = chm.contextMap();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString target = map.value(it.key());
        if (target != it.value())
            problems << QStringLiteral("%1 leads to \"%2\", not \"%3\"").arg(it.key()).arg(target, it.value());
        else if (!chm.read(u'/' + target).contains("<body"))
            problems << QStringLiteral("%1 leads to \"%2\", which is no page of the file").arg(it.key()).arg(target);
    }
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (!expected.contains(it.key()))
            problems << QStringLiteral("%1 (\"%2\") is no number of the context-ID file").arg(it.key()).arg(it.value());
    return problems;
}

// Offsets in a window definition.
constexpr int kWindowTitle = 0x14;
constexpr int kWindowLeft = 0x20;
constexpr int kWindowRight = 0x28;
constexpr int kWindowHome = 0x68;
constexpr int kWindowProperties = 0x10; // navigation pane and toolbar properties
constexpr int kWindowNavWidth = 0x4C;
constexpr int kWindowButtons = 0x70;
constexpr int kWindowNavTab = 0x78;     // the pane shown first

} // namespace chmcheck
