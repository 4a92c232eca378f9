#include "platform/word/Fields.h"

#include "platform/word/Story.h"
#include "platform/word/XmlText.h"

#include <QHash>
#include <cstring>

namespace word::fields {

namespace {

using story::Atom;
using story::AtomKind;

// An atom of a field's stretch with its nesting depth (0 for the field's own
// characters) and whether it lies in the field's own code part.
struct FieldAtom {
    Atom atom;
    int depth;
    bool ownCode;
};

// The atoms after f.begin up to (not including) f.end; with codeOnly, up to
// the field's own separator.
std::vector<FieldAtom> stretch(const Field &f, bool codeOnly = false)
{
    std::vector<FieldAtom> out;
    bool inCode = true;
    int depth = 0;
    story::forEachAtomAfter(f.begin, [&](const Atom &a) {
        if (a.node == f.end)
            return false;
        if (a.kind == AtomKind::FieldBegin) {
            out.push_back({a, ++depth, inCode});
        } else if (a.kind == AtomKind::FieldEnd) {
            out.push_back({a, depth, inCode});
            depth = std::max(depth - 1, 0);
        } else if (a.kind == AtomKind::FieldSeparate && depth == 0) {
            if (codeOnly)
                return false;
            inCode = false;
        } else {
            out.push_back({a, depth, inCode});
        }
        return true;
    });
    return out;
}

pugi::xml_node fldCharRunBefore(pugi::xml_node parent, pugi::xml_node before, const char *type, pugi::xml_node rPr)
{
    pugi::xml_node r = parent.insert_child_before("w:r", before);
    if (rPr)
        r.append_copy(rPr);
    pugi::xml_node c = r.append_child("w:fldChar");
    c.append_attribute("w:fldCharType").set_value(type);
    return c;
}

void normalise(pugi::xml_node fld)
{
    // Inner simple fields first.
    for (pugi::xml_node c = fld.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (std::strcmp(c.name(), "w:fldSimple") == 0)
            normalise(c);
        c = next;
    }
    pugi::xml_node parent = fld.parent();
    pugi::xml_node rPr = fld.child("w:r").child("w:rPr");
    pugi::xml_node begin = fldCharRunBefore(parent, fld, "begin", rPr);
    if (QString::fromUtf8(fld.attribute("w:fldLock").value()) == QLatin1String("1")
        || QString::fromUtf8(fld.attribute("w:fldLock").value()) == QLatin1String("true"))
        begin.append_attribute("w:fldLock").set_value("1");
    pugi::xml_node codeRun = parent.insert_child_before("w:r", fld);
    if (rPr)
        codeRun.append_copy(rPr);
    pugi::xml_node instr = codeRun.append_child("w:instrText");
    instr.append_attribute("xml:space").set_value("preserve");
    instr.text().set(fld.attribute("w:instr").value());
    fldCharRunBefore(parent, fld, "separate", rPr);
    for (pugi::xml_node c = fld.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (c.type() == pugi::node_element && std::strcmp(c.name(), "w:fldData") != 0)
            parent.insert_move_before(c, fld);
        c = next;
    }
    fldCharRunBefore(parent, fld, "end", rPr);
    parent.remove_child(fld);
}

} // namespace

int typeOfCode(const QString &code)
{
    static const QHash<QString, int> types = {
        {QStringLiteral("REF"), 3},           {QStringLiteral("XE"), 4},
        {QStringLiteral("FTNREF"), 5},        {QStringLiteral("SET"), 6},
        {QStringLiteral("IF"), 7},            {QStringLiteral("INDEX"), 8},
        {QStringLiteral("TC"), 9},            {QStringLiteral("STYLEREF"), 10},
        {QStringLiteral("RD"), 11},           {QStringLiteral("SEQ"), 12},
        {QStringLiteral("TOC"), 13},          {QStringLiteral("INFO"), 14},
        {QStringLiteral("TITLE"), 15},        {QStringLiteral("SUBJECT"), 16},
        {QStringLiteral("AUTHOR"), 17},       {QStringLiteral("KEYWORDS"), 18},
        {QStringLiteral("COMMENTS"), 19},     {QStringLiteral("LASTSAVEDBY"), 20},
        {QStringLiteral("CREATEDATE"), 21},   {QStringLiteral("SAVEDATE"), 22},
        {QStringLiteral("PRINTDATE"), 23},    {QStringLiteral("REVNUM"), 24},
        {QStringLiteral("EDITTIME"), 25},     {QStringLiteral("NUMPAGES"), 26},
        {QStringLiteral("NUMWORDS"), 27},     {QStringLiteral("NUMCHARS"), 28},
        {QStringLiteral("FILENAME"), 29},     {QStringLiteral("TEMPLATE"), 30},
        {QStringLiteral("DATE"), 31},         {QStringLiteral("TIME"), 32},
        {QStringLiteral("PAGE"), 33},         {QStringLiteral("="), 34},
        {QStringLiteral("QUOTE"), 35},        {QStringLiteral("INCLUDE"), 36},
        {QStringLiteral("PAGEREF"), 37},      {QStringLiteral("ASK"), 38},
        {QStringLiteral("FILLIN"), 39},       {QStringLiteral("DATA"), 40},
        {QStringLiteral("NEXT"), 41},         {QStringLiteral("NEXTIF"), 42},
        {QStringLiteral("SKIPIF"), 43},       {QStringLiteral("MERGEREC"), 44},
        {QStringLiteral("DDE"), 45},          {QStringLiteral("DDEAUTO"), 46},
        {QStringLiteral("GLOSSARY"), 47},     {QStringLiteral("PRINT"), 48},
        {QStringLiteral("EQ"), 49},           {QStringLiteral("GOTOBUTTON"), 50},
        {QStringLiteral("MACROBUTTON"), 51},  {QStringLiteral("AUTONUMOUT"), 52},
        {QStringLiteral("AUTONUMLGL"), 53},   {QStringLiteral("AUTONUM"), 54},
        {QStringLiteral("IMPORT"), 55},       {QStringLiteral("LINK"), 56},
        {QStringLiteral("SYMBOL"), 57},       {QStringLiteral("EMBED"), 58},
        {QStringLiteral("MERGEFIELD"), 59},   {QStringLiteral("USERNAME"), 60},
        {QStringLiteral("USERINITIALS"), 61}, {QStringLiteral("USERADDRESS"), 62},
        {QStringLiteral("BARCODE"), 63},      {QStringLiteral("DOCVARIABLE"), 64},
        {QStringLiteral("SECTION"), 65},      {QStringLiteral("SECTIONPAGES"), 66},
        {QStringLiteral("INCLUDEPICTURE"), 67}, {QStringLiteral("INCLUDETEXT"), 68},
        {QStringLiteral("FILESIZE"), 69},     {QStringLiteral("FORMTEXT"), 70},
        {QStringLiteral("FORMCHECKBOX"), 71}, {QStringLiteral("NOTEREF"), 72},
        {QStringLiteral("TOA"), 73},          {QStringLiteral("TA"), 74},
        {QStringLiteral("MERGESEQ"), 75},     {QStringLiteral("PRIVATE"), 77},
        {QStringLiteral("DATABASE"), 78},     {QStringLiteral("AUTOTEXT"), 79},
        {QStringLiteral("COMPARE"), 80},      {QStringLiteral("ADDIN"), 81},
        {QStringLiteral("FORMDROPDOWN"), 83}, {QStringLiteral("ADVANCE"), 84},
        {QStringLiteral("DOCPROPERTY"), 85},  {QStringLiteral("CONTROL"), 87},
        {QStringLiteral("HYPERLINK"), 88},    {QStringLiteral("AUTOTEXTLIST"), 89},
        {QStringLiteral("LISTNUM"), 90},      {QStringLiteral("HTMLCONTROL"), 91},
        {QStringLiteral("BIDIOUTLINE"), 92},  {QStringLiteral("ADDRESSBLOCK"), 93},
        {QStringLiteral("GREETINGLINE"), 94}, {QStringLiteral("SHAPE"), 95},
        {QStringLiteral("CITATION"), 96},     {QStringLiteral("BIBLIOGRAPHY"), 97},
        {QStringLiteral("MERGEBARCODE"), 98}, {QStringLiteral("DISPLAYBARCODE"), 99},
    };
    const QString trimmed = code.trimmed();
    if (trimmed.startsWith(QLatin1Char('=')))
        return 34;
    int end = 0;
    while (end < trimmed.size() && !trimmed[end].isSpace() && trimmed[end] != QLatin1Char('\\')
           && trimmed[end] != QLatin1Char('"'))
        ++end;
    return types.value(trimmed.left(end).toUpper(), wdFieldEmpty);
}

void normaliseSimpleFields(pugi::xml_node root)
{
    std::vector<pugi::xml_node> outer;
    for (pugi::xpath_node n : root.select_nodes(".//w:fldSimple[not(ancestor::w:fldSimple)]"))
        outer.push_back(n.node());
    for (pugi::xml_node f : outer)
        normalise(f);
}

std::vector<ParagraphFields> inParagraphs(const std::vector<pugi::xml_node> &paragraphs)
{
    struct Open {
        size_t paragraph;
        int index;
    };
    std::vector<ParagraphFields> out(paragraphs.size());
    std::vector<Open> open;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        for (const Atom &a : story::atoms(paragraphs[i])) {
            if (a.kind == AtomKind::FieldBegin) {
                ParagraphFields &group = out[i];
                const int parent = !open.empty() && open.back().paragraph == i ? open.back().index : -1;
                group.fields.push_back({a.node, {}, {}});
                group.parent.push_back(parent);
                open.push_back({i, int(group.fields.size()) - 1});
            } else if (a.kind == AtomKind::FieldSeparate && !open.empty()) {
                Field &f = out[open.back().paragraph].fields[size_t(open.back().index)];
                if (!f.separate)
                    f.separate = a.node;
            } else if (a.kind == AtomKind::FieldEnd && !open.empty()) {
                out[open.back().paragraph].fields[size_t(open.back().index)].end = a.node;
                open.pop_back();
            }
        }
    }
    // Leave out fields that never end, renumbering the parents.
    for (ParagraphFields &group : out) {
        std::vector<int> newIndex(group.fields.size(), -1);
        ParagraphFields kept;
        for (size_t k = 0; k < group.fields.size(); ++k) {
            if (!group.fields[k].end)
                continue;
            newIndex[k] = int(kept.fields.size());
            int parent = group.parent[k];
            while (parent >= 0 && newIndex[size_t(parent)] < 0)
                parent = group.parent[size_t(parent)];
            kept.fields.push_back(group.fields[k]);
            kept.parent.push_back(parent);
        }
        group = std::move(kept);
    }
    return out;
}

std::vector<Field> inParagraph(pugi::xml_node p)
{
    std::vector<Field> out;
    std::vector<size_t> open; // indexes into out of fields begun here and not yet ended
    bool any = false;
    for (pugi::xml_node q = p; q; q = story::nextParagraph(q)) {
        const bool home = q == p;
        for (const Atom &a : story::atoms(q)) {
            if (a.kind == AtomKind::FieldBegin && home) {
                out.push_back({a.node, {}, {}});
                open.push_back(out.size() - 1);
                any = true;
            } else if (a.kind == AtomKind::FieldBegin) {
                open.push_back(SIZE_MAX); // a field begun later: only keeps the nesting right
            } else if (a.kind == AtomKind::FieldSeparate && !open.empty()) {
                if (open.back() != SIZE_MAX && !out[open.back()].separate)
                    out[open.back()].separate = a.node;
            } else if (a.kind == AtomKind::FieldEnd && !open.empty()) {
                if (open.back() != SIZE_MAX)
                    out[open.back()].end = a.node;
                open.pop_back();
            }
        }
        if (!any || open.empty())
            break;
    }
    std::vector<Field> complete;
    for (const Field &f : out)
        if (f.end)
            complete.push_back(f);
    return complete;
}

QString code(const Field &f)
{
    QString c;
    for (const FieldAtom &fa : stretch(f, true))
        if (fa.depth == 0 && fa.ownCode && fa.atom.kind == AtomKind::Code)
            c += QString::fromUtf8(fa.atom.node.text().get());
    return c;
}

bool setCode(const Field &f, const QString &text)
{
    // Nested fields inside the code go first.
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> nested;
    pugi::xml_node nestedBegin;
    for (const FieldAtom &fa : stretch(f, true)) {
        if (!fa.ownCode)
            break;
        if (fa.atom.kind == AtomKind::FieldBegin && fa.depth == 1)
            nestedBegin = fa.atom.node;
        else if (fa.atom.kind == AtomKind::FieldEnd && fa.depth == 1 && nestedBegin) {
            nested.emplace_back(nestedBegin, fa.atom.node);
            nestedBegin = pugi::xml_node();
        }
    }
    for (const auto &n : nested)
        story::removeRange(n.first, n.second);

    bool first = true;
    for (const FieldAtom &fa : stretch(f, true)) {
        if (!fa.ownCode)
            break;
        if (fa.atom.kind != AtomKind::Code || fa.depth != 0)
            continue;
        pugi::xml_node instr = fa.atom.node;
        if (first) {
            instr.text().set(XmlUtf8(text).constData());
            if (!instr.attribute("xml:space"))
                instr.append_attribute("xml:space").set_value("preserve");
            first = false;
        } else {
            pugi::xml_node run = fa.atom.run;
            run.remove_child(instr);
            story::removeIfEmptyRun(run);
        }
    }
    if (first) {
        pugi::xml_node beginRun = story::runOf(f.begin);
        pugi::xml_node r = beginRun.parent().insert_child_after("w:r", beginRun);
        if (pugi::xml_node rPr = beginRun.child("w:rPr"))
            r.append_copy(rPr);
        pugi::xml_node instr = r.append_child("w:instrText");
        instr.append_attribute("xml:space").set_value("preserve");
        instr.text().set(XmlUtf8(text).constData());
    }
    return !nested.empty();
}

QString resultText(const Field &f)
{
    QString out;
    pugi::xml_node lastP;
    std::vector<bool> nestedCode;
    for (const FieldAtom &fa : stretch(f)) {
        if (fa.ownCode)
            continue;
        const Atom &a = fa.atom;
        if (a.kind == AtomKind::FieldBegin) {
            nestedCode.push_back(true);
            continue;
        }
        if (a.kind == AtomKind::FieldSeparate) {
            if (!nestedCode.empty())
                nestedCode.back() = false;
            continue;
        }
        if (a.kind == AtomKind::FieldEnd) {
            if (!nestedCode.empty())
                nestedCode.pop_back();
            continue;
        }
        if (std::find(nestedCode.begin(), nestedCode.end(), true) != nestedCode.end())
            continue;
        const pugi::xml_node p = story::paragraphOf(a.run);
        if (lastP && p != lastP)
            out += QLatin1Char('\r');
        lastP = p;
        out += story::atomText(a);
    }
    return out;
}

void setResultText(const Field &f, const QString &text)
{
    pugi::xml_node firstRPr;
    std::vector<pugi::xml_node> doomed;
    for (const FieldAtom &fa : stretch(f)) {
        if (fa.ownCode)
            continue;
        if (!firstRPr)
            firstRPr = fa.atom.run.child("w:rPr");
        doomed.push_back(fa.atom.node);
    }
    pugi::xml_document holder;
    if (firstRPr)
        firstRPr = holder.append_copy(firstRPr);
    for (pugi::xml_node n : doomed) {
        pugi::xml_node run = n.parent();
        run.remove_child(n);
        story::removeIfEmptyRun(run);
    }
    pugi::xml_node sep = f.separate;
    pugi::xml_node endRun = story::runOf(f.end);
    if (!sep)
        sep = fldCharRunBefore(endRun.parent(), endRun, "separate", endRun.child("w:rPr"));
    if (text.isEmpty())
        return;
    pugi::xml_node sepRun = story::runOf(sep);
    pugi::xml_node r = sepRun.parent().insert_child_after("w:r", sepRun);
    if (firstRPr)
        r.append_copy(firstRPr);
    pugi::xml_node t = r.append_child("w:t");
    t.append_attribute("xml:space").set_value("preserve");
    t.text().set(XmlUtf8(text).constData());
}

void setResultStyle(const Field &f, const QString &styleId)
{
    pugi::xml_node last;
    for (const FieldAtom &fa : stretch(f)) {
        if (fa.ownCode || fa.atom.run == last)
            continue;
        last = fa.atom.run;
        story::setRunStyle(last, styleId);
    }
}

void remove(const Field &f)
{
    story::removeRange(f.begin, f.end);
}

bool update(const Field &f, pugi::xml_node storyRoot, bool *removedFields)
{
    if (removedFields)
        *removedFields = false;
    const QString c = code(f).trimmed();
    if (typeOfCode(c) != wdFieldRef)
        return true;
    const QStringList words = c.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2)
        return false;
    QString text = bookmarkText(storyRoot, words[1]);
    if (text.isNull())
        return false;
    while (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (removedFields)
        for (const FieldAtom &fa : stretch(f))
            if (!fa.ownCode && fa.atom.kind == AtomKind::FieldBegin)
                *removedFields = true;
    setResultText(f, text);
    return true;
}

QString bookmarkText(pugi::xml_node storyRoot, const QString &name)
{
    pugi::xml_node start;
    for (pugi::xpath_node n : storyRoot.select_nodes(".//w:bookmarkStart"))
        if (QString::fromUtf8(n.node().attribute("w:name").value()).compare(name, Qt::CaseInsensitive) == 0) {
            start = n.node();
            break;
        }
    if (!start)
        return QString();
    pugi::xml_node end;
    const QByteArray id = start.attribute("w:id").value();
    for (pugi::xpath_node n : storyRoot.select_nodes(".//w:bookmarkEnd"))
        if (id == n.node().attribute("w:id").value()) {
            end = n.node();
            break;
        }
    QString out(QLatin1String(""));
    pugi::xml_node ps = story::paragraphOf(start);
    if (!end || !ps)
        return out;
    const pugi::xml_node pe = story::paragraphOf(end);
    for (pugi::xml_node p = ps; p; p = story::nextParagraph(p)) {
        int from = 0, to = story::length(p);
        for (const Atom &a : story::atoms(p)) {
            if (p == ps && story::precedes(a.node, start))
                from = a.start + a.length;
            if (p == pe && story::precedes(end, a.node)) {
                to = a.start;
                break;
            }
        }
        out += story::text(p, from, std::max(from, to));
        if (p == pe || !pe)
            break;
        out += QLatin1Char('\r');
    }
    return out;
}

QString indexEntryText(const QStringList &levels)
{
    QStringList escaped;
    for (QString level : levels) {
        level.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        level.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        level.replace(QLatin1Char(':'), QStringLiteral("\\:"));
        escaped << level;
    }
    return QLatin1Char('"') + escaped.join(QLatin1Char(':')) + QLatin1Char('"');
}

QStringList indexEntryLevels(const QString &code)
{
    QStringList levels;
    const qsizetype open = code.indexOf(QLatin1Char('"'));
    if (open < 0)
        return levels;
    QString level;
    for (qsizetype k = open + 1; k < code.size(); ++k) {
        const QChar c = code.at(k);
        if (c == QLatin1Char('\\') && k + 1 < code.size()) {
            level += code.at(++k);
        } else if (c == QLatin1Char('"')) {
            levels << level;
            return levels;
        } else if (c == QLatin1Char(':')) {
            levels << level;
            level.clear();
        } else {
            level += c;
        }
    }
    return QStringList(); // no closing quote
}

} // namespace word::fields
